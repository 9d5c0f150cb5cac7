#include "el/paramfile/param_pool.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr size_t kStep = 8;
constexpr size_t kClasses = kMaxPooledSize / kStep;
constexpr size_t kSlabSize = 64 * 1024;

struct FreeBlock {
  FreeBlock* next;
};

class Pool {
 public:
  void* Allocate(size_t size) {
    size_t index = (size + kStep - 1) / kStep - 1;
    if (FreeBlock* block = free_[index]) {
      free_[index] = block->next;
      return block;
    }
    size_t rounded = (index + 1) * kStep;
    if (static_cast<size_t>(end_ - next_) < rounded) NewSlab();
    void* block = next_;
    next_ += rounded;
    return block;
  }

  void Free(void* block, size_t size) noexcept {
    size_t index = (size + kStep - 1) / kStep - 1;
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = free_[index];
    free_[index] = freed;
  }

 private:
  void NewSlab() {
    // The rest of the old slab is given to the lists of the sizes that fit.
    while (static_cast<size_t>(end_ - next_) >= kStep) {
      size_t rest = std::min(static_cast<size_t>(end_ - next_), kMaxPooledSize) / kStep * kStep;
      Free(next_, rest);
      next_ += rest;
    }
    // Left uninitialised: blocks are constructed into.
    slabs_.push_back(std::unique_ptr<char[]>(new char[kSlabSize]));
    next_ = slabs_.back().get();
    end_ = next_ + kSlabSize;
  }

  FreeBlock* free_[kClasses] = {};
  char* next_ = nullptr;
  char* end_ = nullptr;
  std::vector<std::unique_ptr<char[]>> slabs_;
};

Pool& ThreadPool() {
  // Made on first use and never destroyed: blocks may still be freed while other
  // thread-local objects go away at thread exit.
  thread_local Pool* pool = new Pool();
  return *pool;
}

}  // namespace

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

void* ParamPoolAllocate(size_t size) {
  if (size == 0) size = 1;
  if (KLN_PARAM_POOL_BYPASS || size > kMaxPooledSize) return ::operator new(size);
  return ThreadPool().Allocate(size);
}

void ParamPoolFree(void* block, size_t size) noexcept {
  if (!block) return;
  if (size == 0) size = 1;
  if (KLN_PARAM_POOL_BYPASS || size > kMaxPooledSize) {
    ::operator delete(block);
    return;
  }
  ThreadPool().Free(block, size);
}
