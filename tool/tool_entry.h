#pragma once
// The converter's entry: banner, command line, message sink, conversion run.
#include <string>
#include <vector>

namespace kln {

// Runs the converter on the process arguments; returns the exit code.
int ToolEntry(const std::vector<std::string>& args);

}  // namespace kln
