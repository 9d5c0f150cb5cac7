#include "el/qstream/qi_stream.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "el/qstream/qi_file_stream.h"
#include "tests/el/qstream/chunked_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

const std::string kDigits = "0123456789";

TEST(QIStream, GetReturnsBytesAsPositiveValuesThenMinusOneAtTheEnd) {
  QIStrStream in("0\xFF\x80", 3);
  EXPECT_EQ(in.get(), '0');
  EXPECT_EQ(in.get(), 0xFF);
  EXPECT_EQ(in.get(), 0x80);
  EXPECT_FALSE(in.eof());
  EXPECT_EQ(in.get(), -1);
  EXPECT_TRUE(in.eof());
  EXPECT_FALSE(in.fail());
}

TEST(QIStream, ReadBeyondTheEndFillsFF) {
  QIStrStream in(kDigits.data(), 4);
  char out[8];
  EXPECT_EQ(in.read(out, 8), 4);
  EXPECT_EQ(std::string(out, 4), "0123");
  for (int i = 4; i < 8; ++i) EXPECT_EQ(static_cast<unsigned char>(out[i]), 0xFF) << i;
  EXPECT_TRUE(in.eof());
  EXPECT_TRUE(in.fail()) << "partly satisfied";
  // A read at the end sets only the end flag.
  QIStrStream atEnd(kDigits.data(), 2);
  atEnd.read(out, 2);
  EXPECT_EQ(atEnd.read(out, 2), 0);
  EXPECT_EQ(static_cast<unsigned char>(out[0]), 0xFF);
  EXPECT_TRUE(atEnd.eof());
  EXPECT_FALSE(atEnd.fail());
}

TEST(QIStream, SeekGClampsToTheStreamAndRestFollowsIt) {
  QIStrStream in(kDigits.data(), 10);
  EXPECT_EQ(in.GetDataSize(), 10);
  EXPECT_EQ(in.GetRest(), 10);
  in.SeekG(25);
  EXPECT_EQ(in.TellG(), 10);
  in.SeekG(-5);
  EXPECT_EQ(in.TellG(), 0);
  in.SeekG(7);
  EXPECT_EQ(in.get(), '7');
  EXPECT_EQ(in.TellG(), 8);
  EXPECT_EQ(in.GetRest(), 2);
}

TEST(QIStream, SeekKeepsTheFlagsOnlyInsideTheCurrentBuffer) {
  for (QFileSize chunk : {100, 4}) {
    ChunkedStream in(kDigits, chunk);
    char out[12];
    in.read(out, 12);  // with chunks of 4 the read ends in the last buffer, 8..9
    ASSERT_TRUE(in.eof() && in.fail());
    in.SeekG(1);
    bool sameBuffer = chunk == 100;
    EXPECT_EQ(in.eof(), sameBuffer) << chunk;
    EXPECT_EQ(in.fail(), sameBuffer) << chunk;
    EXPECT_EQ(in.get(), '1') << chunk;
  }
}

TEST(QIStream, ReadsCrossBuffersAndPeekShowsTheRestOfOne) {
  ChunkedStream in(kDigits + kDigits, 3);
  char out[20];
  EXPECT_EQ(in.read(out, 20), 20);
  EXPECT_EQ(std::string(out, 20), kDigits + kDigits);
  EXPECT_GE(in.buffersRead, 7);
  EXPECT_FALSE(in.eof());
  ChunkedStream peek(kDigits, 4);
  peek.SeekG(5);
  const char* data = nullptr;
  ASSERT_EQ(peek.PeekContiguous(&data), 3);
  EXPECT_EQ(std::string(data, 3), "567");
  peek.Advance(3);
  EXPECT_EQ(peek.TellG(), 8);
  EXPECT_EQ(peek.PeekContiguous(&data), 2);
  peek.Advance(2);
  EXPECT_EQ(peek.PeekContiguous(&data), 0);
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

TEST(QIFStream, ReadsFilesInBuffersOfTheChosenSize) {
  TempFolder folder;
  std::vector<uint8_t> noise = MakeNoiseBytes(static_cast<size_t>(QIFStream::kBufferSize) * 2 + 123);
  std::string bytes(noise.begin(), noise.end());
  QIFStream in;
  ASSERT_TRUE(in.Open(folder.Write("big.bin", bytes)));
  in.SetBufferSize(QIFStream::kBufferSize);
  EXPECT_EQ(in.GetDataSize(), static_cast<QFileSize>(bytes.size()));
  std::string back(bytes.size(), '\0');
  EXPECT_EQ(in.read(back.data(), static_cast<QFileSize>(back.size())), static_cast<QFileSize>(bytes.size()));
  EXPECT_EQ(back, bytes);
  EXPECT_EQ(in.get(), -1);
  in.SeekG(QIFStream::kBufferSize + 5);
  EXPECT_EQ(in.get(), noise[static_cast<size_t>(QIFStream::kBufferSize) + 5]);
  // A small file is one buffer.
  QIFStream small;
  ASSERT_TRUE(small.Open(folder.Write("small.bin", std::string(5000, 'x'))));
  const char* data = nullptr;
  EXPECT_EQ(small.PeekContiguous(&data), 5000);
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
  folder.Write("data/tree.p3d", "model");
  std::string enginePath = folder.Path().string() + "\\data\\tree.p3d";
  QIFStreamB in;
  ASSERT_TRUE(in.Open(enginePath));
  char out[5];
  EXPECT_EQ(in.read(out, 5), 5);
  EXPECT_EQ(std::string(out, 5), "model");
}

}  // namespace
