#pragma once
// The usage text of the converter.

namespace kln {

// Prints the usage text on the log channel.
void PrintUsage();

}  // namespace kln
