#include "el/qstream/huge_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

namespace {

// True when the kernel gives huge pages to memory that asks for them.
bool KernelAdvisesHugePages() {
  std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string mode;
  return std::getline(in, mode) && mode.find("[never]") == std::string::npos;
}

TEST(HugePages, SmallBlocksAreLeftAlone) {
  auto block = std::make_unique<char[]>(kMinHugePageBlock - 1);
  EXPECT_EQ(AdviseHugePages(block.get(), kMinHugePageBlock - 1), 0u);
  EXPECT_EQ(AdviseHugePages(nullptr, size_t{64} << 20), 0u);
}

TEST(HugePages, AdviceCoversOnlyWholeHugePagesInsideTheBlock) {
  for (size_t size : {kMinHugePageBlock, kMinHugePageBlock + 12345, size_t{9} << 20}) {
    SCOPED_TRACE(size);
    std::unique_ptr<char[]> block(new char[size]);
    const size_t advised = AdviseHugePages(block.get(), size);
    EXPECT_EQ(advised % kHugePageSize, 0u);
    // A block of two huge pages holds at least one whole page wherever it starts.
    const auto start = reinterpret_cast<uintptr_t>(block.get());
    const size_t whole = ((start + size) / kHugePageSize - (start + kHugePageSize - 1) / kHugePageSize) * kHugePageSize;
    if (KernelAdvisesHugePages()) {
      EXPECT_EQ(advised, whole);
    } else {
      EXPECT_EQ(advised, 0u);
    }
    // The memory works as before.
    for (size_t i = 0; i < size; i += 4096) block[i] = static_cast<char>(i >> 12);
    for (size_t i = 0; i < size; i += 4096) ASSERT_EQ(block[i], static_cast<char>(i >> 12));
  }
}

}  // namespace
