#include "el/qstream/huge_pages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

size_t AdviseHugePages(void* block, size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (!block || size < kMinHugePageBlock) return 0;
  const uintptr_t start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = (start + kHugePageSize - 1) & ~(kHugePageSize - 1);
  const uintptr_t end = (start + size) & ~(kHugePageSize - 1);
  if (end <= first) return 0;
  // A kernel without transparent huge pages refuses (EINVAL); the block stays as it is.
  if (madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE) != 0) return 0;
  return end - first;
#else
  (void)block;
  (void)size;
  return 0;
#endif
}
