#include "el/qstream/lzss.h"

#include <gtest/gtest.h>

#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "tests/el/qstream/chunked_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

std::string Encode(const void* data, size_t size) {
  QOStrStream out;
  LzssEncode(data, size, out);
  return out.Str();
}

std::string WithChecksum(std::string coded, const std::string& plain) {
  uint32_t sum = LzssChecksum(plain.data(), plain.size());
  for (int i = 0; i < 4; ++i) coded.push_back(static_cast<char>(sum >> (8 * i)));
  return coded;
}

// Decodes `coded` into exactly `count` bytes placed at the end of their allocation.
bool Decode(const std::string& coded, size_t count, std::string& plain, QFileSize* endPosition = nullptr) {
  QIStrStream in(coded.data(), static_cast<QFileSize>(coded.size()));
  std::unique_ptr<char[]> exact(new char[count ? count : 1]);
  bool ok = LzssDecode(in, exact.get(), static_cast<QFileSize>(count));
  plain.assign(exact.get(), count);
  if (endPosition) *endPosition = in.TellG();
  return ok;
}

TEST(Lzss, RoundTripsDataOfManySizesAndShrinksMeshData) {
  std::vector<float> mesh = MakeMeshLikeFloats(30000);
  std::vector<uint8_t> noise = MakeNoiseBytes(20000);
  for (size_t size : {1u, 2u, 3u, 17u, 18u, 19u, 100u, 4095u, 4096u, 4097u, 20000u}) {
    for (const uint8_t* data : std::initializer_list<const uint8_t*>{reinterpret_cast<const uint8_t*>(mesh.data()), noise.data()}) {
      std::string coded = Encode(data, size);
      std::string plain;
      QFileSize end = 0;
      ASSERT_TRUE(Decode(coded, size, plain, &end)) << size;
      EXPECT_EQ(0, std::memcmp(plain.data(), data, size)) << size;
      EXPECT_EQ(end, static_cast<QFileSize>(coded.size())) << "checksum is the last thing read";
    }
  }
  EXPECT_LT(Encode(mesh.data(), mesh.size() * sizeof(float)).size(), mesh.size() * sizeof(float) / 2);
  EXPECT_EQ(Encode("x", 0), "");
}

TEST(Lzss, SpacesStartWithABackReferenceIntoTheInitialWindow) {
  std::string spaces(1024, ' ');
  std::string coded = Encode(spaces.data(), spaces.size());
  ASSERT_FALSE(coded.empty());
  EXPECT_EQ(coded[0] & 1, 0) << "first item is a back reference";
  std::string plain;
  ASSERT_TRUE(Decode(coded, spaces.size(), plain));
  EXPECT_EQ(plain, spaces);
}

TEST(Lzss, HandMadeBlocksDecode) {
  struct Row {
    const char* name;
    std::string items;  // the checksum of `plain` follows
    std::string plain;
  };
  const Row rows[] = {
      // flag: item 0 literal, item 1 reference; 'A'; distance 1, length 18.
      {"overlapping reference", std::string("\x01" "A" "\x01\x0F", 4), std::string(19, 'A')},
      // Distance 100 from position 4078 lands in the pre-filled part of the window.
      {"reference before the first byte reads spaces", std::string("\x00\x64\x02", 3), "     "},
      {"last group announces more items than follow", std::string("\xFF" "abc", 4), "abc"},
  };
  for (const Row& row : rows) {
    std::string coded = WithChecksum(row.items, row.plain);
    std::string plain;
    QFileSize end = 0;
    ASSERT_TRUE(Decode(coded, row.plain.size(), plain, &end)) << row.name;
    EXPECT_EQ(plain, row.plain) << row.name;
    EXPECT_EQ(end, static_cast<QFileSize>(coded.size())) << row.name;
  }
}

TEST(Lzss, BrokenBlocksFailWithTheirReason) {
  std::vector<uint8_t> noise = MakeNoiseBytes(64);
  std::string changed = Encode(noise.data(), noise.size());
  changed[1] = static_cast<char>(changed[1] ^ 0x10);  // the first item of noise is a literal
  struct Row {
    const char* name;
    std::string coded;
    size_t count;
    const char* message;
  };
  const Row rows[] = {
      {"changed literal", changed, noise.size(), " : Checksum"},
      // A reference of 18 spaces would fit the window but not the five bytes expected.
      {"reference longer than the rest", WithChecksum(std::string("\x00\x10\x0F", 3), "     "), 5,
       " : LZW overflow"},
      {"input ends inside a reference", std::string("\x00\x10", 2), 5, " : LZW: stream read failed"},
      {"input ends before the checksum", std::string("\x07" "abc" "\x01\x02", 6), 3, " : LZW: end of stream"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CapturedMessages messages;
    std::string plain;
    EXPECT_FALSE(Decode(row.coded, row.count, plain));
    ASSERT_EQ(messages.lines.size(), 1u) << messages.Text();
    EXPECT_TRUE(messages.HasLineEndingWith(row.message)) << messages.Text();
    EXPECT_NE(messages.lines[0].find("lzss.cpp("), std::string::npos) << messages.lines[0];
  }
}

TEST(Lzss, ZeroCountSucceedsWithoutReading) {
  QIStrStream in("abc", 3);
  EXPECT_TRUE(LzssDecode(in, nullptr, 0));
  EXPECT_TRUE(LzssDecode(in, nullptr, -4));
  EXPECT_EQ(in.TellG(), 0);
}

TEST(Lzss, EveryTruncationOfAValidBlockFails) {
  std::vector<float> mesh = MakeMeshLikeFloats(600);
  size_t size = mesh.size() * sizeof(float);
  std::string coded = Encode(mesh.data(), size);
  CapturedMessages messages;
  for (size_t length = 0; length < coded.size(); ++length) {
    std::string plain;
    EXPECT_FALSE(Decode(coded.substr(0, length), size, plain)) << length;
  }
}

TEST(Lzss, DecodesAcrossSmallInputBuffers) {
  std::vector<float> mesh = MakeMeshLikeFloats(3000);
  size_t size = mesh.size() * sizeof(float);
  ChunkedStream in(Encode(mesh.data(), size), 5);
  std::vector<float> back(mesh.size());
  ASSERT_TRUE(LzssDecode(in, back.data(), static_cast<QFileSize>(size)));
  EXPECT_EQ(back, mesh);
}

TEST(Lzss, SkipChecksTheBlockAndStopsAfterIt) {
  std::vector<uint8_t> noise = MakeNoiseBytes(5000);
  std::string coded = Encode(noise.data(), noise.size()) + "tail";
  QIStrStream in(coded.data(), static_cast<QFileSize>(coded.size()));
  ASSERT_TRUE(LzssSkip(in, static_cast<QFileSize>(noise.size())));
  EXPECT_EQ(in.TellG(), static_cast<QFileSize>(coded.size() - 4));
  coded[coded.size() - 5] ^= 1;  // last checksum byte
  QIStrStream bad(coded.data(), static_cast<QFileSize>(coded.size()));
  CapturedMessages messages;
  EXPECT_FALSE(LzssSkip(bad, static_cast<QFileSize>(noise.size())));
  EXPECT_TRUE(messages.HasLineEndingWith(" : Checksum"));
}

}  // namespace
