// Large blocks released by the streams: to the thread's receiver while one is installed.
#include "el/qstream/large_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "el/qstream/qi_file_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

// Keeps what it is given, with the sizes.
struct KeepingReceiver : LargeBlockReceiver {
  void Receive(std::unique_ptr<char[]>& block, size_t size) override {
    blocks.push_back(std::move(block));
    sizes.push_back(size);
  }
  std::vector<std::unique_ptr<char[]>> blocks;
  std::vector<size_t> sizes;
};

std::unique_ptr<char[]> Block(size_t size) { return std::unique_ptr<char[]>(new char[size]); }

TEST(LargeBlock, GoesToTheReceiverInstalledOnTheThreadWhenReleased) {
  ReleaseLargeBlock(Block(kMinLargeBlock), kMinLargeBlock);  // none installed: freed
  KeepingReceiver outer;
  KeepingReceiver inner;
  {
    ScopedLargeBlockReceiver outerScope(outer);
    ReleaseLargeBlock(Block(kMinLargeBlock), kMinLargeBlock);
    ReleaseLargeBlock(Block(kMinLargeBlock - 1), kMinLargeBlock - 1);  // too small to hand on
    ReleaseLargeBlock(nullptr, kMinLargeBlock);
    {
      ScopedLargeBlockReceiver innerScope(inner);
      ReleaseLargeBlock(Block(3 * kMinLargeBlock), 3 * kMinLargeBlock);
    }
    ReleaseLargeBlock(Block(2 * kMinLargeBlock), 2 * kMinLargeBlock);
  }
  ReleaseLargeBlock(Block(kMinLargeBlock), kMinLargeBlock);
  EXPECT_EQ(outer.sizes, (std::vector<size_t>{kMinLargeBlock, 2 * kMinLargeBlock}));
  EXPECT_EQ(inner.sizes, (std::vector<size_t>{3 * kMinLargeBlock}));
}

TEST(LargeBlock, AReceiverMayLeaveTheBlockToBeFreed) {
  struct Refusing : LargeBlockReceiver {
    void Receive(std::unique_ptr<char[]>&, size_t) override { ++offered; }
    int offered = 0;
  } refusing;
  ScopedLargeBlockReceiver scope(refusing);
  ReleaseLargeBlock(Block(kMinLargeBlock), kMinLargeBlock);  // the sanitizer build catches a leak
  EXPECT_EQ(refusing.offered, 1);
}

TEST(LargeBlock, AWholeFileBufferIsHandedOverOnceTheStreamIsDone) {
  TempFolder folder;
  std::vector<uint8_t> noise = MakeNoiseBytes(kMinLargeBlock + 4321);
  std::string bytes(noise.begin(), noise.end());
  KeepingReceiver receiver;
  ScopedLargeBlockReceiver scope(receiver);
  {
    QIFStream in;
    ASSERT_TRUE(in.Open(folder.Write("big.bin", bytes)));
    const char* data = nullptr;
    ASSERT_EQ(in.PeekContiguous(&data), static_cast<QFileSize>(bytes.size()));
    EXPECT_TRUE(receiver.blocks.empty());  // still read from
  }
  ASSERT_EQ(receiver.sizes, std::vector<size_t>{bytes.size()});
  EXPECT_EQ(std::memcmp(receiver.blocks[0].get(), bytes.data(), bytes.size()), 0);
}

}  // namespace
