#pragma once
// Dependency files in Makefile syntax, as build engines (make, ninja's deps = gcc) read them.
#include <string>
#include <string_view>
#include <vector>

namespace kln {

// `path` escaped for a Makefile rule: spaces and '#' get a '\' before them, '$' is doubled.
std::string EscapeMakePath(std::string_view path);

// The text "target: dep1 dep2 ...\n", every path escaped.
std::string FormatDepfile(std::string_view target, const std::vector<std::string>& dependencies);

// Writes the depfile `path` (host path) atomically; false when it could not be written.
bool WriteDepfile(const std::string& path, std::string_view target, const std::vector<std::string>& dependencies);

}  // namespace kln
