#pragma once
// Starting child processes and waiting for them.
#include <sys/types.h>

#include <string>
#include <vector>

// Starts `args[0]` with the arguments `args` (host paths) in the folder `workingFolder`
// (host path; empty: this process's folder). The child's signals are at their defaults.
// Returns 0 and sets `pid`, or the system error code.
int StartProcess(const std::vector<std::string>& args, const std::string& workingFolder, pid_t& pid);

// Waits for the child `pid` to end; returns its exit code (128 + signal when killed, -1
// when it cannot be waited for).
int WaitForProcess(pid_t pid);

// Waits until one of `children` has ended and returns its index; -1 when none can be
// waited for.
int WaitForAnyProcess(const std::vector<pid_t>& children);
