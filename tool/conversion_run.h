#pragma once
// One conversion run: options, argument check, start-up with the configurations, walk.
// Returns the process exit code: 0 after a run (single files may have failed), 1 when a
// configuration below the addon or source folder does not parse, 2 for a wrong count of
// arguments; with -strict 3 when a file failed, and 128 + the signal number when SIGINT
// or SIGTERM stopped the run (see run_finish.h).

namespace kln {

int RunConversion(int argc, char** argv);

}  // namespace kln
