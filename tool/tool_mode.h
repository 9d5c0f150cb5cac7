#pragma once
// Deciding whether the program runs as the converter.
#include <string_view>

namespace kln {

// True when the program file's base name (after the last '\', cut at the first '.') is
// "kilnify" in any letter case, or when the command line contains "-kilnify".
bool IsToolMode(std::string_view modulePath, std::string_view commandLine);

}  // namespace kln
