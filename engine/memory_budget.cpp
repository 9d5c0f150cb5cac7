#include "engine/memory_budget.h"

#include <unistd.h>

namespace {
uint64_t gMemoryLimit = 0;
}

uint64_t PhysicalMemorySize() {
  long pages = ::sysconf(_SC_PHYS_PAGES);
  long pageSize = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

void SetMemoryLimit(uint64_t bytes) { gMemoryLimit = bytes; }
uint64_t MemoryLimit() { return gMemoryLimit; }

uint64_t ToolMemoryBudget(uint64_t physicalMemory) {
  constexpr uint64_t kReserved = 0x1C000000;  // 448 MiB
  constexpr uint64_t kMinimum = 0x4000000;    // 64 MiB
  if (physicalMemory < kReserved + kMinimum) return kMinimum;
  return physicalMemory - kReserved;
}
