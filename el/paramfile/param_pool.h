#pragma once
// Memory for the many small objects of configuration trees.
//
// A large configuration is millions of entries of 24 to 96 bytes, strings and short
// element lists. The general allocator adds a header and rounds each block up, which
// costs more than many of the objects themselves; this pool hands out blocks of up to
// kMaxPooledSize bytes in 8-byte steps from 64 KiB slabs, and keeps freed blocks in a
// list per size for reuse. Slabs stay with the pool for the life of the thread that made
// them (blocks may be freed on any thread; they join that thread's lists). Larger blocks
// go to the general allocator.
//
// Taking a block from a list or from the current slab is inline: a parse asks for
// millions of them.
//
// A parse may also give the pool large blocks it is done with (the file it read, chunks of
// text): the pool cuts its next slabs from them before it asks for new memory, so that the
// tree reuses pages the process has touched already.
#include <cstddef>
#include <memory>
#include <new>

#include "el/qstream/large_block.h"

inline constexpr size_t kMaxPooledSize = 256;

// Under AddressSanitizer every block comes from the general allocator, so that misuse of
// freed blocks is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define KLN_PARAM_POOL_BYPASS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KLN_PARAM_POOL_BYPASS 1
#endif
#endif
#ifndef KLN_PARAM_POOL_BYPASS
#define KLN_PARAM_POOL_BYPASS 0
#endif

namespace param_pool {

inline constexpr size_t kStep = 8;
inline constexpr size_t kClasses = kMaxPooledSize / kStep;

struct FreeBlock {
  FreeBlock* next;
};

// One thread's pool: the lists of free blocks per size and the slab being cut.
struct ThreadLists {
  FreeBlock* free[kClasses] = {};
  char* next = nullptr;
  char* end = nullptr;
};

// The calling thread's lists (constant-initialised, so access needs no guard).
inline thread_local ThreadLists tLists;

// The slow paths: a new slab, and blocks outside the pool.
void* AllocateFromNewSlab(size_t rounded);
void* AllocateLarge(size_t size);
void FreeLarge(void* block) noexcept;

inline size_t ClassOf(size_t size) { return (size + kStep - 1) / kStep - 1; }

// Unused given memory a thread keeps at most; beyond it given blocks are refused.
inline constexpr size_t kMaxSpareBytes = size_t{128} << 20;

// Takes `block` (`size` bytes from new char[]) as memory for the calling thread's next
// slabs, leaving it null; leaves it with the caller when the block is too small to be a
// slab, when the thread holds kMaxSpareBytes unused already, or when the pool is bypassed.
void Adopt(std::unique_ptr<char[]>& block, size_t size);
// The given memory the calling thread has not cut into yet.
size_t SpareBytes();
// All memory the calling thread's pool holds: slabs it took and memory it was given.
size_t HeldBytes();

}  // namespace param_pool

// While it is installed, large blocks released on the thread become slabs of its pool.
class ParamPoolBlockReceiver final : public LargeBlockReceiver {
 public:
  void Receive(std::unique_ptr<char[]>& block, size_t size) override { param_pool::Adopt(block, size); }
};

inline void* ParamPoolAllocate(size_t size) {
  using namespace param_pool;
  if (size == 0) size = 1;
  if (KLN_PARAM_POOL_BYPASS || size > kMaxPooledSize) return AllocateLarge(size);
  ThreadLists& lists = tLists;
  const size_t index = ClassOf(size);
  if (FreeBlock* block = lists.free[index]) {
    lists.free[index] = block->next;
    return block;
  }
  const size_t rounded = (index + 1) * kStep;
  if (static_cast<size_t>(lists.end - lists.next) < rounded) return AllocateFromNewSlab(rounded);
  void* block = lists.next;
  lists.next += rounded;
  return block;
}

// `size` must be the size the block was allocated with.
inline void ParamPoolFree(void* block, size_t size) noexcept {
  using namespace param_pool;
  if (!block) return;
  if (size == 0) size = 1;
  if (KLN_PARAM_POOL_BYPASS || size > kMaxPooledSize) return FreeLarge(block);
  ThreadLists& lists = tLists;
  const size_t index = ClassOf(size);
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = lists.free[index];
  lists.free[index] = freed;
}

// A standard allocator over the pool, for the element lists of classes and arrays.
template <class T>
class ParamPoolAllocator {
 public:
  using value_type = T;
  ParamPoolAllocator() noexcept = default;
  template <class U>
  ParamPoolAllocator(const ParamPoolAllocator<U>&) noexcept {}
  T* allocate(size_t count) {
    if (count > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(ParamPoolAllocate(count * sizeof(T)));
  }
  void deallocate(T* block, size_t count) noexcept { ParamPoolFree(block, count * sizeof(T)); }
  template <class U>
  bool operator==(const ParamPoolAllocator<U>&) const noexcept {
    return true;
  }
};
