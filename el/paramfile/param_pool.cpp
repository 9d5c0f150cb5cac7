#include "el/paramfile/param_pool.h"

#include <algorithm>

namespace param_pool {
namespace {

constexpr size_t kSlabSize = 64 * 1024;

}  // namespace

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
  // thread's blocks are reused by that thread.
  lists.next = new char[kSlabSize];
  lists.end = lists.next + kSlabSize;
  void* block = lists.next;
  lists.next += rounded;
  return block;
}

void* AllocateLarge(size_t size) { return ::operator new(size); }
void FreeLarge(void* block) noexcept { ::operator delete(block); }

}  // namespace param_pool
