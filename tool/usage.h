#pragma once
// The usage text, printed on the log channel.

namespace kln {

// The usage text of a wrong command line.
void PrintUsage();
// --help: the usage text with the options added for build scripts and the exit codes.
void PrintHelp();
// --version: the program's name and revision.
void PrintVersion();

}  // namespace kln
