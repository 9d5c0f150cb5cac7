// TextureFileStream: the bytes it hands out wherever a read starts (in the head, across
// the head's end, in the pieces filled in turn, back in the head), and headers read
// through it equal headers read from the same bytes in memory.
#include "lib/texture/texture_file_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "tests/lib/texture/texture_test_support.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace textest;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  std::mt19937 random(7);
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

TEST(TextureFileStream, ReadsTheFileWhereverAReadStarts) {
  TempTree tree;
  const QFileSize size = 3 * TextureFileStream::kPieceSize + 123;
  const std::string bytes = Pattern(static_cast<size_t>(size));
  tree.Write("t.paa", bytes);
  TextureFileStream in;
  ASSERT_TRUE(in.Open((tree / "t.paa").string()));
  EXPECT_EQ(in.GetDataSize(), size);

  // Positions around the head's end and the pieces' ends, and back to the start.
  const QFileSize head = TextureFileStream::kHeadSize, piece = TextureFileStream::kPieceSize;
  const QFileSize starts[] = {0,         head - 3,      head,          head + piece - 2, 5,
                              size - 10, 2 * piece + 1, head + 1,      0,                size - 1,
                              piece - 1, 3 * piece,     head + 2 * piece};
  for (QFileSize start : starts) {
    SCOPED_TRACE(start);
    in.SeekG(start);
    char got[64];
    const QFileSize want = std::min<QFileSize>(sizeof got, size - start);
    EXPECT_EQ(in.read(got, sizeof got), want);
    EXPECT_EQ(std::string(got, static_cast<size_t>(want)), bytes.substr(static_cast<size_t>(start), want));
  }

  // Reading on from a piece into the next, many times, fills both pieces in turn.
  std::mt19937 random(3);
  for (int i = 0; i < 200; ++i) {
    const QFileSize start = random() % size;
    const QFileSize length = 1 + random() % (2 * piece);
    in.SeekG(start);
    std::string got(static_cast<size_t>(length), '\0');
    const QFileSize want = std::min(length, size - start);
    ASSERT_EQ(in.read(got.data(), length), want) << start;
    ASSERT_EQ(got.substr(0, static_cast<size_t>(want)), bytes.substr(static_cast<size_t>(start), want)) << start;
  }
}

TEST(TextureFileStream, SmallFilesAndFilesThatCannotBeRead) {
  TempTree tree;
  tree.Write("small.paa", "abc");
  tree.Write("empty.paa", "");
  TextureFileStream in;
  ASSERT_TRUE(in.Open((tree / "small.paa").string()));
  char got[8];
  EXPECT_EQ(in.read(got, sizeof got), 3);
  EXPECT_EQ(std::string(got, 3), "abc");
  EXPECT_TRUE(in.eof());

  ASSERT_TRUE(in.Open((tree / "empty.paa").string()));
  EXPECT_EQ(in.GetDataSize(), 0);
  EXPECT_EQ(in.read(got, 1), 0);

  EXPECT_FALSE(in.Open((tree / "missing.paa").string()));
  // A pipe has no size: it is not a file to read a header from.
  ASSERT_EQ(::mkfifo((tree / "pipe.paa").c_str(), 0600), 0);
  EXPECT_FALSE(in.Open((tree / "pipe.paa").string()));
}

TEST(TextureFileStream, HeadersEqualThoseReadFromMemory) {
  TempTree tree;
  std::vector<std::pair<std::string, std::string>> files;
  for (const PacVariant& variant : AllPacVariants()) files.push_back({variant.name, BuildPacFile(variant.recipe).bytes});
  // Large textures without offsets: their mipmap headers lie beyond the head, in pieces.
  for (int format : {PacDXT1, PacDXT5, PacARGB4444, PacARGB8888}) {
    for (int side : {64, 256, 1024}) {
      files.push_back({"large_" + std::to_string(format) + "_" + std::to_string(side),
                       BuildPacFile(Recipe(format, HalvingLevels(side, side, 4), false)).bytes});
    }
  }
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    tree.Write(name + ".paa", bytes);
    CapturedMessages messages;
    const ReadResult expected = ReadHeaderOf(bytes, "t.paa");
    const std::vector<std::string> expectedMessages = messages.lines;
    messages.lines.clear();

    TextureFileStream in;
    ASSERT_TRUE(in.Open((tree / (name + ".paa")).string()));
    TextureSourcePac source;
    PacMipmapRecord table[pac::kMipmapTableSize];
    ASSERT_EQ(source.ReadHeader(in, "t.paa", true, table, pac::kMipmapTableSize), expected.ok);
    TextureHeader header = source.Header();
    header.mipmaps.assign(table, table + header.mipmapCount);
    EXPECT_TRUE(header == expected.header);
    EXPECT_EQ(messages.lines, expectedMessages);
    EXPECT_EQ(in.GetDataSize(), static_cast<QFileSize>(bytes.size()));
  }
}

}  // namespace
