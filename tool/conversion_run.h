#pragma once
// One conversion run: options, argument check, walk. Returns the process exit code:
// 0 after a run (single files may have failed), 2 for a wrong count of arguments.

namespace kln {

int RunConversion(int argc, char** argv);

}  // namespace kln
