#pragma once
// The engine's memory manager limit.
#include <cstdint>

// The physical memory of the machine in bytes.
uint64_t PhysicalMemorySize();

// The limit the memory manager keeps its caches under.
void SetMemoryLimit(uint64_t bytes);
uint64_t MemoryLimit();

// The converter's budget: the machine's memory minus 448 MiB, at least 64 MiB.
uint64_t ToolMemoryBudget(uint64_t physicalMemory);
