#include "el/paramfile/param_pool.h"

#include <algorithm>

namespace param_pool {
namespace {

constexpr size_t kSlabSize = 64 * 1024;

// Given memory not cut into yet; the header lies at the start of the block itself.
struct SpareBlock {
  SpareBlock* next;
  size_t size;
};
thread_local SpareBlock* tSpare = nullptr;
thread_local size_t tSpareBytes = 0;
thread_local size_t tHeldBytes = 0;

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
    lists.next = new char[kSlabSize];
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
