// The pool of small blocks, and the large blocks a parse hands to it. Every case runs on
// a thread of its own, so that it starts from an empty pool.
#include "el/paramfile/param_pool.h"

#include <thread>

#include "tests/el/paramfile/param_test_support.h"

namespace {

template <class Body>
void OnNewThread(Body body) {
  std::thread thread(body);
  thread.join();
}

bool Inside(const void* block, const char* from, size_t size) {
  auto* p = static_cast<const char*>(block);
  return p >= from && p < from + size;
}

TEST(ParamPool, GivenMemoryIsCutBeforeNewMemoryIsTaken) {
  if (KLN_PARAM_POOL_BYPASS) GTEST_SKIP() << "the pool is bypassed in this build";
  OnNewThread([] {
    constexpr size_t kGiven = size_t{2} << 20;
    std::unique_ptr<char[]> block(new char[kGiven]);
    const char* given = block.get();
    param_pool::Adopt(block, kGiven);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(param_pool::SpareBytes(), kGiven);
    EXPECT_EQ(param_pool::HeldBytes(), kGiven);
    // The first block starts a slab: the given memory, from its first byte.
    void* first = ParamPoolAllocate(64);
    EXPECT_EQ(first, given);
    EXPECT_EQ(param_pool::SpareBytes(), 0u);
    size_t inside = 1;
    for (int i = 0; i < 20000; ++i) inside += Inside(ParamPoolAllocate(64), given, kGiven) ? 1 : 0;
    EXPECT_EQ(inside, 20001u);
    // Past its end the pool takes new memory again.
    void* later = nullptr;
    for (size_t used = 20001 * 64; used <= kGiven; used += 64) later = ParamPoolAllocate(64);
    EXPECT_FALSE(Inside(later, given, kGiven));
  });
}

TEST(ParamPool, RefusesBlocksTooSmallForASlabAndSpareBeyondTheLimit) {
  if (KLN_PARAM_POOL_BYPASS) GTEST_SKIP() << "the pool is bypassed in this build";
  OnNewThread([] {
    std::unique_ptr<char[]> small(new char[1000]);
    param_pool::Adopt(small, 1000);
    EXPECT_NE(small, nullptr);
    // The pages of a block the pool only keeps are never touched but for its first.
    std::unique_ptr<char[]> most(new char[param_pool::kMaxSpareBytes - 4096]);
    param_pool::Adopt(most, param_pool::kMaxSpareBytes - 4096);
    EXPECT_EQ(most, nullptr);
    std::unique_ptr<char[]> more(new char[8192]);
    param_pool::Adopt(more, 8192);
    EXPECT_NE(more, nullptr);
    EXPECT_EQ(param_pool::SpareBytes(), param_pool::kMaxSpareBytes - 4096);
  });
}

TEST(ParamPool, ParsingAFileHandsItsBufferToThePool) {
  if (KLN_PARAM_POOL_BYPASS) GTEST_SKIP() << "the pool is bypassed in this build";
  TempFolder folder;
  // Mostly a comment: the tree alone would take one slab.
  std::string text = "class A { x = 1; };\n/*" + std::string(3 << 20, '.') + "*/\nclass B { y = 2; };\n";
  std::string path = folder.Write("config.cpp", text);
  OnNewThread([&] {
    CapturedMessages messages;
    ParamFile file;
    ASSERT_EQ(file.Parse(path), 0) << messages.All();
    EXPECT_EQ((file >> "B" >> "y").GetInt(), 2);
    EXPECT_GE(param_pool::HeldBytes(), text.size());
  });
}

TEST(ParamPool, LoadingABinaryFileHandsItsBuffersToThePool) {
  if (KLN_PARAM_POOL_BYPASS) GTEST_SKIP() << "the pool is bypassed in this build";
  TempFolder folder;
  // One long string: the tree's own small blocks would take one slab.
  ParamFile saved;
  saved.AddValue("text", std::string_view(std::string(3 << 20, 'a')));
  saved.AddValue("after", 2);
  std::string path = folder.File("config.bin");
  ASSERT_TRUE(SaveBinary(saved, path));
  OnNewThread([&] {
    CapturedMessages messages;
    ParamFile file;
    ASSERT_EQ(file.LoadBin(path), 0) << messages.All();
    EXPECT_EQ((file >> "after").GetInt(), 2);
    EXPECT_EQ((file >> "text").GetValue().size(), size_t{3} << 20);
    EXPECT_GE(param_pool::HeldBytes(), size_t{2} << 20);
  });
}

}  // namespace
