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
#include <cstddef>
#include <new>

inline constexpr size_t kMaxPooledSize = 256;

void* ParamPoolAllocate(size_t size);
// `size` must be the size the block was allocated with.
void ParamPoolFree(void* block, size_t size) noexcept;

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
