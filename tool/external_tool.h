#pragma once
// Running the external converter program found through the registry.
#include <sys/types.h>

namespace kln {

// The registry keys below HKEY_LOCAL_MACHINE that may name the program, in search order.
extern const char* const kPressmillKeys[3];

// Runs the program on `source` and `target` (relative paths are taken below the current
// folder). Returns 0 on success, -1 on failure. With `process`, does not wait for the
// child and hands it out; otherwise waits for it to end.
int RunExternalTool(const char* source, const char* target, const char* toolName, pid_t* process);

}  // namespace kln
