#include "el/qstream/qo_stream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "el/qstream/qo_file_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(QOStrStream, KeepsEveryByteOfManyGrowingWrites) {
  QOStrStream out;
  std::vector<uint8_t> noise = MakeNoiseBytes(100000);
  for (size_t i = 0; i < noise.size(); i += 997) out.write(noise.data() + i, std::min<size_t>(997, noise.size() - i));
  ASSERT_EQ(out.GetBufferSize(), noise.size());
  EXPECT_EQ(0, std::memcmp(out.GetBuffer(), noise.data(), noise.size()));
  EXPECT_EQ(out.TellP(), 100000);
  EXPECT_EQ(out.GetDataSize(), 100000);
}

TEST(QOStrStream, SeekBackOverwritesAndKeepsTheFurthestSize) {
  QOStrStream out;
  out.write("abcdef", 6);
  out.SeekP(2);
  out.put('X');
  EXPECT_EQ(out.TellP(), 3);
  EXPECT_EQ(out.GetDataSize(), 6);
  EXPECT_EQ(out.Str(), "abXdef");
  out.SeekP(99);  // clamped to the end
  EXPECT_EQ(out.TellP(), 6);
  out.put('g');
  EXPECT_EQ(out.Str(), "abXdefg");
}

TEST(QOStrStream, ReservedRoomKeepsOnlyTheCommittedBytes) {
  QOStrStream out;
  out.write("ab", 2);
  char* room = out.ReserveWrite(5000);
  ASSERT_NE(room, nullptr);
  std::memcpy(room, "cdXXXX", 6);
  out.CommitWrite(2);
  EXPECT_EQ(out.Str(), "abcd");
  out.SeekP(1);
  EXPECT_EQ(out.ReserveWrite(10), nullptr);  // not at the end: the caller writes itself
}

TEST(QOStrStream, ResetEmptiesTheStream) {
  QOStrStream out;
  out.write("abc", 3);
  out.Reset();
  EXPECT_EQ(out.TellP(), 0);
  EXPECT_EQ(out.GetDataSize(), 0);
  out.put('z');
  EXPECT_EQ(out.Str(), "z");
}

TEST(QOFStream, PatchesBytesThatWereAlreadyFlushed) {
  TempFolder folder;
  std::string path = folder.File("patch.bin");
  QOFStream out(path);
  ASSERT_FALSE(out.fail());
  out.write("0123456789", 10);
  out.Flush();
  out.write("abc", 3);
  out.SeekP(2);  // outside the buffer: flushes and repositions
  out.write("XY", 2);
  out.SeekP(13);
  out.put('!');
  EXPECT_EQ(out.GetDataSize(), 14);
  EXPECT_TRUE(out.Close());
  EXPECT_EQ(ReadFile(path), "01XY456789abc!");
}

TEST(QOFStream, WritesLargeOutputInPieces) {
  TempFolder folder;
  std::string path = folder.File("large.bin");
  std::vector<uint8_t> noise = MakeNoiseBytes(QOFStream::kFlushSize * 2 + 77);
  QOFStream out(path);
  for (size_t i = 0; i < noise.size(); i += 65536) out.write(noise.data() + i, std::min<size_t>(65536, noise.size() - i));
  ASSERT_TRUE(out.Close());
  std::string back = ReadFile(path);
  ASSERT_EQ(back.size(), noise.size());
  EXPECT_EQ(0, std::memcmp(back.data(), noise.data(), noise.size()));
}

TEST(QOFStream, FileThatCannotBeCreatedKeepsTheSystemError) {
  TempFolder folder;
  QOFStream out(folder.File("no/such/folder/out.bin"));
  EXPECT_TRUE(out.fail());
  EXPECT_EQ(out.GetErrorCode(), ENOENT);
  out.write("abc", 3);
  out.Flush();
  EXPECT_FALSE(out.Close());
  EXPECT_EQ(out.GetErrorCode(), ENOENT);
  QOFStream atomic;
  EXPECT_FALSE(atomic.OpenAtomic(folder.File("missing/out.bin")));
  EXPECT_TRUE(atomic.fail());
  EXPECT_EQ(atomic.GetErrorCode(), ENOENT);
  EXPECT_FALSE(atomic.Close());
}

TEST(QOFStream, WriteFailureKeepsTheFirstErrorAndWritesNothingMore) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  QOFStream out("/dev/full");
  ASSERT_FALSE(out.fail());
  out.write("abc", 3);
  out.Flush();
  EXPECT_TRUE(out.fail());
  EXPECT_EQ(out.GetErrorCode(), ENOSPC);
  out.write("def", 3);
  EXPECT_EQ(out.TellP(), 3);  // the later write was dropped
  EXPECT_FALSE(out.Close());
  EXPECT_EQ(out.GetErrorCode(), ENOSPC);
}

size_t CountFiles(const std::filesystem::path& folder) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(QOFStreamAtomic, DestinationChangesOnlyOnCloseAndDiscardLeavesNoTemporary) {
  TempFolder folder;
  std::string path = folder.Write("model.odol", "old");
  for (bool discard : {true, false}) {
    QOFStream out;
    ASSERT_TRUE(out.OpenAtomic(path));
    out.write("new contents", 12);
    out.Flush();
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(CountFiles(folder.Path()), 2u);
    if (discard) out.Discard();
    else EXPECT_TRUE(out.Close());
    EXPECT_EQ(ReadFile(path), discard ? "old" : "new contents");
    EXPECT_EQ(CountFiles(folder.Path()), 1u);
  }
}

TEST(QOFStreamAtomic, DestroyedWithoutCloseWritesNothing) {
  TempFolder folder;
  std::string path = folder.File("world.wrp");
  {
    QOFStream out;
    ASSERT_TRUE(out.OpenAtomic(path));
    out.write("partial", 7);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(CountFiles(folder.Path()), 0u);
}

}  // namespace
