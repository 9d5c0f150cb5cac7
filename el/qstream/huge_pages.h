#pragma once
// Large buffers backed by huge pages where the kernel can give them.
//
// A fresh 4 KiB page costs the kernel a fault and a cleared page, 2 to 10 microseconds on
// the machines this runs on; a buffer of tens of megabytes takes thousands of them. With
// transparent huge pages in "madvise" mode, memory that asked for them is given 2 MiB at
// a time instead, one fault per 512 small pages. Only whole 2 MiB pages inside a block can
// be huge, so the advice pays for blocks of a few megabytes and more.
#include <cstddef>

inline constexpr size_t kHugePageSize = size_t{2} << 20;
// Blocks below this size are left to small pages: a huge page would clear more memory
// than they use.
inline constexpr size_t kMinHugePageBlock = 2 * kHugePageSize;

// Asks the kernel to back the whole 2 MiB pages inside the `size` bytes at `block` with
// huge pages when they are first touched; to be called before the block is written.
// Returns the bytes the advice covers: 0 for blocks below kMinHugePageBlock, and where
// the kernel has no huge pages or refuses (the block then works as before).
size_t AdviseHugePages(void* block, size_t size);
