#pragma once
// Reading the leading options of the command line into the run settings.
#include "tool/run_settings.h"

namespace kln {

// Consumes the options that stand before the first positional argument. Afterwards
// argv[0] is the program name and argc counts it and the positional arguments.
void ParseOptions(RunSettings& settings, int& argc, char**& argv);

}  // namespace kln
