#include "tool/child_process_list.h"

namespace kln {

ChildProcessList& ChildProcesses() {
  static ChildProcessList list;
  return list;
}

}  // namespace kln
