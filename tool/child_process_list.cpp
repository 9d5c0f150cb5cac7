#include "tool/child_process_list.h"

#include <iterator>
#include <vector>

#include "el/qstream/stream_report.h"
#include "platform/child_process.h"

namespace kln {

void ChildProcessList::Add(const RString& name, pid_t pid) {
  children_.push_back({name, pid});
  Throttle();
}

ChildProcessList::Entry* ChildProcessList::Find(const RString& name) {
  for (Entry& entry : children_) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

void ChildProcessList::Wait(Entry* entry) {
  for (auto it = children_.begin(); it != children_.end(); ++it) {
    if (&*it == entry) {
      WaitForProcess(it->pid);
      children_.erase(it);
      return;
    }
  }
}

void ChildProcessList::WaitForAll() {
  while (!children_.empty()) Wait(&children_.front());
}

void ChildProcessList::Throttle() {
  while (Count() >= maxProcesses_) {
    std::vector<pid_t> pids;
    for (const Entry& entry : children_) pids.push_back(entry.pid);
    int ended = WaitForAnyProcess(pids);
    if (ended < 0 || ended >= Count()) {
      ReportAtSource("lib/engdummy", 197, "Error: strange value was returned while calling WaitForMultipleObjects");
      return;
    }
    children_.erase(std::next(children_.begin(), ended));
  }
}

ChildProcessList& ChildProcesses() {
  static ChildProcessList list;
  return list;
}

}  // namespace kln
