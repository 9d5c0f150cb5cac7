#include "el/qstream/qi_stream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "el/qstream/qi_file_stream.h"
#include "tests/el/qstream/chunked_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

const std::string kDigits = "0123456789";

TEST(QIStream, GetReturnsBytesInOrderThenMinusOneAtTheEnd) {
  QIStrStream in(kDigits.data(), 3);
  EXPECT_EQ(in.get(), '0');
  EXPECT_EQ(in.get(), '1');
  EXPECT_EQ(in.get(), '2');
  EXPECT_FALSE(in.eof());
  EXPECT_EQ(in.get(), -1);
  EXPECT_TRUE(in.eof());
  EXPECT_FALSE(in.fail());
}

TEST(QIStream, GetReturnsHighBytesAsPositiveValues) {
  const char bytes[] = {'\xFF', '\x80'};
  QIStrStream in(bytes, 2);
  EXPECT_EQ(in.get(), 0xFF);
  EXPECT_EQ(in.get(), 0x80);
}

TEST(QIStream, PartlySatisfiedReadFillsFFAndSetsEndAndFailed) {
  QIStrStream in(kDigits.data(), 4);
  char out[8];
  EXPECT_EQ(in.read(out, 8), 4);
  EXPECT_EQ(std::string(out, 4), "0123");
  for (int i = 4; i < 8; ++i) EXPECT_EQ(static_cast<unsigned char>(out[i]), 0xFF) << i;
  EXPECT_TRUE(in.eof());
  EXPECT_TRUE(in.fail());
}

TEST(QIStream, ReadAtTheEndSetsOnlyTheEndFlag) {
  QIStrStream in(kDigits.data(), 2);
  char out[2];
  in.read(out, 2);
  EXPECT_EQ(in.read(out, 2), 0);
  EXPECT_EQ(static_cast<unsigned char>(out[0]), 0xFF);
  EXPECT_TRUE(in.eof());
  EXPECT_FALSE(in.fail());
}

TEST(QIStream, SeekGClampsToTheStream) {
  QIStrStream in(kDigits.data(), 10);
  in.SeekG(25);
  EXPECT_EQ(in.TellG(), 10);
  in.SeekG(-5);
  EXPECT_EQ(in.TellG(), 0);
  in.SeekG(7);
  EXPECT_EQ(in.get(), '7');
  EXPECT_EQ(in.TellG(), 8);
}

TEST(QIStream, SizeAndRestFollowThePosition) {
  QIStrStream in(kDigits.data(), 10);
  EXPECT_EQ(in.GetDataSize(), 10);
  EXPECT_EQ(in.GetRest(), 10);
  in.SeekG(6);
  EXPECT_EQ(in.GetRest(), 4);
}

TEST(QIStream, ReadCrossesBufferBoundaries) {
  ChunkedStream in(kDigits + kDigits, 3);
  char out[20];
  EXPECT_EQ(in.read(out, 20), 20);
  EXPECT_EQ(std::string(out, 20), kDigits + kDigits);
  EXPECT_GE(in.buffersRead, 7);
  EXPECT_FALSE(in.eof());
}

TEST(QIStream, SeekInsideTheBufferKeepsTheFlags) {
  ChunkedStream in(kDigits, 100);
  char out[12];
  in.read(out, 12);
  ASSERT_TRUE(in.eof());
  in.SeekG(2);  // the whole stream is one buffer
  EXPECT_TRUE(in.eof());
  EXPECT_TRUE(in.fail());
  EXPECT_EQ(in.get(), '2');
}

TEST(QIStream, SeekOutsideTheBufferClearsTheFlags) {
  ChunkedStream in(kDigits, 4);
  char out[12];
  in.read(out, 12);  // ends in the last buffer, 8..9
  ASSERT_TRUE(in.fail());
  in.SeekG(1);
  EXPECT_FALSE(in.eof());
  EXPECT_FALSE(in.fail());
  EXPECT_EQ(in.get(), '1');
}

TEST(QIStream, PeekContiguousShowsTheRestOfTheBuffer) {
  ChunkedStream in(kDigits, 4);
  in.SeekG(5);
  const char* data = nullptr;
  ASSERT_EQ(in.PeekContiguous(&data), 3);
  EXPECT_EQ(std::string(data, 3), "567");
  in.Advance(3);
  EXPECT_EQ(in.TellG(), 8);
  EXPECT_EQ(in.PeekContiguous(&data), 2);
  in.Advance(2);
  EXPECT_EQ(in.PeekContiguous(&data), 0);
  EXPECT_EQ(data, nullptr);
}

TEST(QIStrStream, InitRebindsAndRewinds) {
  QIStrStream in(kDigits.data(), 10);
  in.SeekG(9);
  const char other[] = "ab";
  in.Init(other, 2);
  EXPECT_EQ(in.TellG(), 0);
  EXPECT_EQ(in.get(), 'a');
  EXPECT_EQ(in.GetDataSize(), 2);
}

std::string WriteFile(const TempFolder& folder, const std::string& name, const std::string& bytes) {
  std::string path = folder.File(name);
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

TEST(QIFStream, ReadsAFileLargerThanOneBuffer) {
  TempFolder folder;
  std::vector<uint8_t> noise = MakeNoiseBytes(static_cast<size_t>(QIFStream::kBufferSize) * 2 + 123);
  std::string bytes(noise.begin(), noise.end());
  QIFStream in;
  ASSERT_TRUE(in.Open(WriteFile(folder, "big.bin", bytes)));
  in.SetBufferSize(QIFStream::kBufferSize);
  EXPECT_EQ(in.GetDataSize(), static_cast<QFileSize>(bytes.size()));
  std::string back(bytes.size(), '\0');
  EXPECT_EQ(in.read(back.data(), static_cast<QFileSize>(back.size())), static_cast<QFileSize>(bytes.size()));
  EXPECT_EQ(back, bytes);
  EXPECT_EQ(in.get(), -1);
  in.SeekG(QIFStream::kBufferSize + 5);
  EXPECT_EQ(in.get(), noise[static_cast<size_t>(QIFStream::kBufferSize) + 5]);
}

TEST(QIFStream, SmallFileIsOneBuffer) {
  TempFolder folder;
  QIFStream in;
  ASSERT_TRUE(in.Open(WriteFile(folder, "small.bin", std::string(5000, 'x'))));
  const char* data = nullptr;
  EXPECT_EQ(in.PeekContiguous(&data), 5000);
}

TEST(QIFStream, MissingFileFailsWithTheSystemErrorCode) {
  TempFolder folder;
  QIFStream in;
  EXPECT_FALSE(in.Open(folder.File("missing.bin")));
  EXPECT_EQ(in.GetErrorCode(), ENOENT);
  EXPECT_EQ(in.GetDataSize(), 0);
  EXPECT_EQ(in.get(), -1);
}

TEST(QIFStreamB, OpensAFileByItsEnginePath) {
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "data");
  WriteFile(folder, "data/tree.p3d", "model");
  std::string enginePath = folder.Path().string() + "\\data\\tree.p3d";
  QIFStreamB in;
  ASSERT_TRUE(in.Open(enginePath));
  char out[5];
  EXPECT_EQ(in.read(out, 5), 5);
  EXPECT_EQ(std::string(out, 5), "model");
}

}  // namespace
