#include "el/paramfile/param_pool.h"

#include <algorithm>

#include "el/qstream/huge_pages.h"

namespace param_pool {
namespace {

constexpr size_t kSlabSize = 64 * 1024;
// Once a thread's pool holds this much, its new slabs are cut from regions of this size,
// whose pages the kernel may give as huge pages: a large tree takes far fewer page
// faults. A small tree stays on slabs of the general allocator.
constexpr size_t kRegionSize = size_t{4} << 20;
static_assert(kRegionSize % kSlabSize == 0);

// Given memory not cut into yet; the header lies at the start of the block itself.
struct SpareBlock {
  SpareBlock* next;
  size_t size;
};
thread_local SpareBlock* tSpare = nullptr;
thread_local size_t tSpareBytes = 0;
thread_local size_t tHeldBytes = 0;
thread_local char* tRegionNext = nullptr;
thread_local char* tRegionEnd = nullptr;

// A new slab of kSlabSize bytes, uninitialised.
char* NewSlab() {
  if (static_cast<size_t>(tRegionEnd - tRegionNext) < kSlabSize) {
    if (tHeldBytes < kRegionSize) return new char[kSlabSize];
    tRegionNext = new char[kRegionSize];
    tRegionEnd = tRegionNext + kRegionSize;
    AdviseHugePages(tRegionNext, kRegionSize);
  }
  char* slab = tRegionNext;
  tRegionNext += kSlabSize;
  return slab;
}

}  // namespace

void Adopt(std::unique_ptr<char[]>& block, size_t size) {
  if (KLN_PARAM_POOL_BYPASS || !block || size < kSlabSize || tSpareBytes + size > kMaxSpareBytes) return;
  auto* spare = new (block.release()) SpareBlock{nullptr, size};
  // Kept in the order given: the pages given first are the ones most likely still cached.
  SpareBlock** last = &tSpare;
  while (*last) last = &(*last)->next;
  *last = spare;
  tSpareBytes += size;
  tHeldBytes += size;
}

size_t SpareBytes() { return tSpareBytes; }
size_t HeldBytes() { return tHeldBytes; }

void* AllocateFromNewSlab(size_t rounded) {
  ThreadLists& lists = tLists;
  // The rest of the old slab is given to the lists of the sizes that fit.
  while (static_cast<size_t>(lists.end - lists.next) >= kStep) {
    const size_t rest = std::min(static_cast<size_t>(lists.end - lists.next), kMaxPooledSize) / kStep * kStep;
    auto* freed = reinterpret_cast<FreeBlock*>(lists.next);
    freed->next = lists.free[ClassOf(rest)];
    lists.free[ClassOf(rest)] = freed;
    lists.next += rest;
  }
  // Left uninitialised: blocks are constructed into. Slabs are never given back: blocks
  // may still be freed while other thread-local objects go away at thread exit, and a
  // thread's blocks are reused by that thread. Given memory is cut before new memory.
  if (SpareBlock* spare = tSpare) {
    tSpare = spare->next;
    tSpareBytes -= spare->size;
    lists.next = reinterpret_cast<char*>(spare);
    lists.end = lists.next + spare->size;
  } else {
    lists.next = NewSlab();
    lists.end = lists.next + kSlabSize;
    tHeldBytes += kSlabSize;
  }
  void* block = lists.next;
  lists.next += rounded;
  return block;
}

void* AllocateLarge(size_t size) { return ::operator new(size); }
void FreeLarge(void* block) noexcept { ::operator delete(block); }

}  // namespace param_pool
