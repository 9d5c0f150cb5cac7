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

TEST(Lzss, RoundTripsDataOfManySizes) {
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
}

TEST(Lzss, CompressesRepetitiveMeshData) {
  std::vector<float> mesh = MakeMeshLikeFloats(30000);
  std::string coded = Encode(mesh.data(), mesh.size() * sizeof(float));
  EXPECT_LT(coded.size(), mesh.size() * sizeof(float) / 2);
}

TEST(Lzss, EncodingNothingWritesNothing) {
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

TEST(Lzss, OverlappingReferenceRepeatsOneByteNineteenTimes) {
  // flag: item 0 literal, item 1 reference; 'A'; distance 1, length 18.
  std::string coded = WithChecksum(std::string("\x01" "A" "\x01\x0F", 4), std::string(19, 'A'));
  std::string plain;
  ASSERT_TRUE(Decode(coded, 19, plain));
  EXPECT_EQ(plain, std::string(19, 'A'));
}

TEST(Lzss, ReferenceBeforeTheFirstByteReadsSpaces) {
  // Distance 100 from position 4078 lands in the pre-filled part of the window.
  std::string coded = WithChecksum(std::string("\x00\x64\x02", 3), "     ");
  std::string plain;
  ASSERT_TRUE(Decode(coded, 5, plain));
  EXPECT_EQ(plain, "     ");
}

TEST(Lzss, LastGroupMayAnnounceMoreItemsThanFollow) {
  std::string coded = WithChecksum(std::string("\xFF" "abc", 4), "abc");
  std::string plain;
  QFileSize end = 0;
  ASSERT_TRUE(Decode(coded, 3, plain, &end));
  EXPECT_EQ(plain, "abc");
  EXPECT_EQ(end, 8);
}

TEST(Lzss, ChangedLiteralFailsWithChecksum) {
  std::vector<uint8_t> noise = MakeNoiseBytes(64);
  std::string coded = Encode(noise.data(), noise.size());
  coded[1] = static_cast<char>(coded[1] ^ 0x10);  // the first item of noise is a literal
  CapturedMessages messages;
  std::string plain;
  EXPECT_FALSE(Decode(coded, noise.size(), plain));
  EXPECT_TRUE(messages.HasLineEndingWith(" : Checksum"));
}

TEST(Lzss, ReferenceLongerThanTheRestFailsWithOverflow) {
  // Five bytes expected; a reference of 18 spaces would fit the window but not the output.
  std::string coded = WithChecksum(std::string("\x00\x10\x0F", 3), "     ");
  CapturedMessages messages;
  std::string plain;
  EXPECT_FALSE(Decode(coded, 5, plain));
  EXPECT_TRUE(messages.HasLineEndingWith(" : LZW overflow"));
}

TEST(Lzss, InputEndingInsideAReferenceFailsAsReadFailure) {
  CapturedMessages messages;
  std::string plain;
  EXPECT_FALSE(Decode(std::string("\x00\x10", 2), 5, plain));
  ASSERT_EQ(messages.lines.size(), 1u);
  EXPECT_TRUE(messages.HasLineEndingWith(" : LZW: stream read failed"));
  EXPECT_NE(messages.lines[0].find("lzss.cpp("), std::string::npos) << messages.lines[0];
}

TEST(Lzss, InputEndingBeforeTheChecksumFailsAsEndOfStream) {
  CapturedMessages messages;
  std::string plain;
  EXPECT_FALSE(Decode(std::string("\x07" "abc" "\x01\x02", 6), 3, plain));
  EXPECT_TRUE(messages.HasLineEndingWith(" : LZW: end of stream"));
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
