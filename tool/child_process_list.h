#pragma once
// The process-wide list of child processes the converter runs at once.

namespace kln {

class ChildProcessList {
 public:
  // How many child processes may run at the same time; never below 1.
  int MaxProcesses() const { return maxProcesses_; }
  void SetMaxProcesses(int count) { maxProcesses_ = count < 1 ? 1 : count; }

 private:
  int maxProcesses_ = 1;
};

ChildProcessList& ChildProcesses();

}  // namespace kln
