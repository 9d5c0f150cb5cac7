#pragma once
// The process-wide list of child processes that produce files, by the name of the file.
//
// Adding a child throttles: while the list holds as many children as the limit allows,
// the tool waits for any one of them to end. Every child still running when the process
// ends is waited for.
#include <sys/types.h>

#include <list>

#include "el/qstream/basic_types.h"

namespace kln {

class ChildProcessList {
 public:
  struct Entry {
    RString name;  // the file the child produces
    pid_t pid;
  };

  ChildProcessList() = default;
  ~ChildProcessList() { WaitForAll(); }
  ChildProcessList(const ChildProcessList&) = delete;
  ChildProcessList& operator=(const ChildProcessList&) = delete;

  // How many child processes may run at the same time; never below 1.
  int MaxProcesses() const { return maxProcesses_; }
  void SetMaxProcesses(int count) { maxProcesses_ = count < 1 ? 1 : count; }

  // Appends a child, then waits while the list is full.
  void Add(const RString& name, pid_t pid);
  // The child producing `name`; null when there is none.
  Entry* Find(const RString& name);
  // Waits for the child to end and removes it.
  void Wait(Entry* entry);
  // Waits for every child, in list order.
  void WaitForAll();
  int Count() const { return static_cast<int>(children_.size()); }

 private:
  void Throttle();

  std::list<Entry> children_;
  int maxProcesses_ = 1;
};

ChildProcessList& ChildProcesses();

}  // namespace kln
