#include "el/qstream/lzo_block.h"

#include <gtest/gtest.h>
#include <lzo/lzo1x.h>

#include "el/qstream/lzo1x_scanner.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "tests/el/qstream/chunked_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

std::string Compress(const void* data, size_t size) {
  QOStrStream out;
  EXPECT_TRUE(SaveLzoBlock(out, data, size));
  return out.Str();
}

std::string MeshBytes(size_t floats) {
  std::vector<float> mesh = MakeMeshLikeFloats(floats);
  return std::string(reinterpret_cast<const char*>(mesh.data()), mesh.size() * sizeof(float));
}

std::string NoiseBytes(size_t size) {
  std::vector<uint8_t> noise = MakeNoiseBytes(size);
  return std::string(noise.begin(), noise.end());
}

// Loads a block of `size` bytes from `stream` into an exact-size allocation.
bool Load(QIStream& in, size_t size, std::string& plain) {
  std::unique_ptr<char[]> exact(new char[size ? size : 1]);
  bool ok = LoadLzoBlock(in, exact.get(), size);
  plain.assign(exact.get(), size);
  return ok;
}

TEST(LzoBlock, SavedBlockDecodesWithTheLibrary) {
  std::string plain = MeshBytes(20000);
  std::string packed = Compress(plain.data(), plain.size());
  ASSERT_GE(packed.size(), 3u);
  EXPECT_LT(packed.size(), plain.size());
  EXPECT_EQ(packed.substr(packed.size() - 3), std::string("\x11\x00\x00", 3)) << "end-of-stream marker";
  std::string back(plain.size(), '\0');
  lzo_uint backSize = back.size();
  ASSERT_EQ(lzo1x_decompress_safe(reinterpret_cast<const unsigned char*>(packed.data()), packed.size(),
                                  reinterpret_cast<unsigned char*>(back.data()), &backSize, nullptr),
            LZO_E_OK);
  EXPECT_EQ(backSize, plain.size());
  EXPECT_EQ(back, plain);
}

TEST(LzoBlock, CompressedBytesGoAfterWhatTheStreamHolds) {
  std::string plain = NoiseBytes(3000);
  QOStrStream out;
  out.write("head", 4);
  ASSERT_TRUE(SaveLzoBlock(out, plain.data(), plain.size()));
  EXPECT_EQ(out.Str().substr(0, 4), "head");
  EXPECT_EQ(out.Str().substr(4), Compress(plain.data(), plain.size()));
}

TEST(LzoBlock, SaveInTheMiddleOfAStreamKeepsTheBytesAfterIt) {
  std::string plain = MeshBytes(1000);
  std::string packed = Compress(plain.data(), plain.size());
  QOStrStream out;
  out.write(std::string(packed.size() + 10, '#').data(), packed.size() + 10);
  out.SeekP(0);
  ASSERT_TRUE(SaveLzoBlock(out, plain.data(), plain.size()));
  EXPECT_EQ(out.Str(), packed + std::string(10, '#'));
}

TEST(LzoBlock, LoadLeavesTheStreamOnTheFirstByteAfterTheBlock) {
  for (const std::string& plain : {MeshBytes(5000), NoiseBytes(5000), std::string(4096, '\0')}) {
    std::string packed = Compress(plain.data(), plain.size());
    std::string stored = packed + "tail";
    QIStrStream in(stored.data(), static_cast<QFileSize>(stored.size()));
    std::string back;
    ASSERT_TRUE(Load(in, plain.size(), back));
    EXPECT_EQ(back, plain);
    EXPECT_EQ(in.TellG(), static_cast<QFileSize>(packed.size()));
  }
}

TEST(LzoBlock, LoadGathersABlockSpreadOverManyBuffers) {
  std::string plain = MeshBytes(20000);
  std::string packed = Compress(plain.data(), plain.size());
  for (QFileSize chunk : {1, 7, 64, 4096}) {
    ChunkedStream in("ab" + packed + "tail", chunk);
    in.SeekG(2);
    std::string back;
    ASSERT_TRUE(Load(in, plain.size(), back)) << chunk;
    EXPECT_EQ(back, plain);
    EXPECT_EQ(in.TellG(), static_cast<QFileSize>(packed.size() + 2)) << chunk;
  }
}

TEST(LzoBlock, HandMadeLiteralBlockDecodes) {
  // First byte 17 + 5: five literals; then the end marker.
  std::string stored("\x16hello\x11\x00\x00", 9);
  QIStrStream in(stored.data(), 9);
  std::string back;
  ASSERT_TRUE(Load(in, 5, back));
  EXPECT_EQ(back, "hello");
  EXPECT_EQ(in.TellG(), 9);
}

TEST(LzoBlock, BlockOfAnotherSizeIsCorrupt) {
  std::string plain = MeshBytes(2000);
  std::string packed = Compress(plain.data(), plain.size());
  for (size_t size : {plain.size() - 1, plain.size() + 1, size_t{0}}) {
    QIStrStream in(packed.data(), static_cast<QFileSize>(packed.size()));
    std::string back;
    EXPECT_FALSE(Load(in, size, back)) << size;
  }
}

TEST(LzoBlock, MatchBeforeTheFirstByteIsCorrupt) {
  // One literal 'a', then a 3-byte match at distance 2, then the end marker.
  std::string stored("\x12" "a" "\x44\x00" "\x11\x00\x00", 7);
  QIStrStream in(stored.data(), 7);
  std::string back;
  EXPECT_FALSE(Load(in, 4, back));
}

TEST(LzoBlock, EveryTruncationFails) {
  std::string plain = MeshBytes(800);
  std::string packed = Compress(plain.data(), plain.size());
  for (size_t length = 0; length < packed.size(); ++length) {
    std::string cut = packed.substr(0, length);
    QIStrStream in(cut.data(), static_cast<QFileSize>(cut.size()));
    std::string back;
    EXPECT_FALSE(Load(in, plain.size(), back)) << length;
  }
}

TEST(LzoBlock, CorruptedBytesNeverDecodeToAnotherSize) {
  std::string plain = MeshBytes(600);
  std::string packed = Compress(plain.data(), plain.size());
  for (size_t at = 0; at < packed.size(); ++at) {
    for (int flip : {0x01, 0x10, 0x80, 0xFF}) {
      std::string bad = packed;
      bad[at] = static_cast<char>(bad[at] ^ flip);
      QIStrStream in(bad.data(), static_cast<QFileSize>(bad.size()));
      std::string back;
      if (Load(in, plain.size(), back)) {
        // A changed literal still decodes; the stream then ends where the block ends.
        EXPECT_LE(in.TellG(), static_cast<QFileSize>(bad.size()));
      }
    }
  }
}

TEST(LzoBlock, SkipMovesPastTheBlock) {
  std::string plain = NoiseBytes(4000);
  std::string stored = Compress(plain.data(), plain.size()) + "x";
  QIStrStream in(stored.data(), static_cast<QFileSize>(stored.size()));
  ASSERT_TRUE(SkipLzoBlock(in, plain.size()));
  EXPECT_EQ(in.get(), 'x');
}

TEST(Lzo1xScanner, FindsTheEndOfLibraryBlocks) {
  for (size_t size : {1u, 3u, 4u, 17u, 300u, 5000u, 70000u}) {
    for (const std::string& plain : {MeshBytes(size / 4 + 1).substr(0, size), NoiseBytes(size), std::string(size, 'z')}) {
      std::string packed = Compress(plain.data(), plain.size());
      Lzo1xScanner scanner(plain.size());
      ASSERT_EQ(scanner.Scan(reinterpret_cast<const uint8_t*>(packed.data()), packed.size()), Lzo1xScanResult::kEnd)
          << size;
      EXPECT_EQ(scanner.Position(), packed.size());
      EXPECT_EQ(scanner.Produced(), plain.size());
    }
  }
}

TEST(Lzo1xScanner, ResumesWhenGivenOneMoreByteAtATime) {
  std::string plain = MeshBytes(3000);
  std::string packed = Compress(plain.data(), plain.size());
  Lzo1xScanner scanner(plain.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(packed.data());
  for (size_t available = 0; available < packed.size(); ++available)
    ASSERT_EQ(scanner.Scan(bytes, available), Lzo1xScanResult::kNeedMore) << available;
  ASSERT_EQ(scanner.Scan(bytes, packed.size()), Lzo1xScanResult::kEnd);
  EXPECT_EQ(scanner.Position(), packed.size());
}

TEST(Lzo1xScanner, LongZeroRunExtensionIsBoundedByTheExpectedSize) {
  // A literal run whose length extension goes on and on: corrupt as soon as the run
  // would be longer than the block.
  std::string stored(1 + 100, '\0');
  stored[0] = 0x00;
  Lzo1xScanner scanner(1000);
  EXPECT_EQ(scanner.Scan(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()),
            Lzo1xScanResult::kNeedMore);
  stored.push_back('\x05');
  EXPECT_EQ(scanner.Scan(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()),
            Lzo1xScanResult::kCorrupt);
}

}  // namespace

namespace {

TEST(LzoBlock, EndMarkerBytesInsideTheDataDoNotEndTheBlock) {
  // Noise with the marker bytes planted all over it: they travel as literals.
  std::string plain = NoiseBytes(60000);
  for (size_t at = 100; at + 3 < plain.size(); at += 997) plain.replace(at, 3, std::string("\x11\x00\x00", 3));
  std::string packed = Compress(plain.data(), plain.size());
  std::string stored = packed + std::string("\x11\x00\x00", 3);
  QIStrStream in(stored.data(), static_cast<QFileSize>(stored.size()));
  std::string back;
  ASSERT_TRUE(Load(in, plain.size(), back));
  EXPECT_EQ(back, plain);
  EXPECT_EQ(in.TellG(), static_cast<QFileSize>(packed.size()));
}

TEST(LzoBlock, OtherFormOfTheEndMarkerEndsTheBlock) {
  // 11 01 00 also ends a block for the decoder; standard marker bytes follow it.
  std::string stored("\x16hello\x11\x01\x00\x11\x00\x00", 12);
  QIStrStream in(stored.data(), 12);
  std::string back;
  ASSERT_TRUE(Load(in, 5, back));
  EXPECT_EQ(back, "hello");
  EXPECT_EQ(in.TellG(), 9);
}

TEST(LzoBlock, BlockFollowedByAnotherBlockEndsAtItsOwnMarker) {
  std::string first = MeshBytes(9000);
  std::string second = NoiseBytes(7000);
  std::string packedFirst = Compress(first.data(), first.size());
  std::string stored = packedFirst + Compress(second.data(), second.size());
  QIStrStream in(stored.data(), static_cast<QFileSize>(stored.size()));
  std::string back;
  ASSERT_TRUE(Load(in, first.size(), back));
  EXPECT_EQ(in.TellG(), static_cast<QFileSize>(packedFirst.size()));
  ASSERT_TRUE(Load(in, second.size(), back));
  EXPECT_EQ(back, second);
  EXPECT_EQ(in.GetRest(), 0);
}

}  // namespace

#include "el/qstream/lzo1x_end_guess.h"

namespace {

TEST(Lzo1xEndGuess, SkipsMarkerBytesAmongDenseInstructions) {
  // Mesh data codes to short matches and literal runs: a parse started before a planted
  // marker falls into step with the block's instructions and sees the bytes as data.
  std::string plain = MeshBytes(50000);
  for (size_t at = 5000; at + 3 < plain.size(); at += 9973) plain.replace(at, 3, std::string("\x11\x00\x00", 3));
  std::string packed = Compress(plain.data(), plain.size());
  ASSERT_LT(packed.find(std::string("\x11\x00\x00", 3)), packed.size() - 3) << "a marker inside the block";
  std::string stored = packed + "after";
  EXPECT_EQ(GuessLzo1xBlockEnd(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(), plain.size()),
            packed.size());
}

TEST(Lzo1xEndGuess, WrongGuessInsideLongLiteralsIsCaughtByTheLoader) {
  // Inside a long literal run no parse can fall into step; the guess may name a planted
  // marker, which the decoder rejects, and the load still ends at the true end.
  std::string plain = NoiseBytes(200000);
  for (size_t at = 5000; at + 3 < plain.size(); at += 9973) plain.replace(at, 3, std::string("\x11\x00\x00", 3));
  std::string packed = Compress(plain.data(), plain.size());
  std::string stored = packed + "after";
  size_t guess = GuessLzo1xBlockEnd(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(), plain.size());
  EXPECT_LT(guess, packed.size()) << "the case this test covers: a wrong guess";
  QIStrStream in(stored.data(), static_cast<QFileSize>(stored.size()));
  std::string back;
  ASSERT_TRUE(Load(in, plain.size(), back));
  EXPECT_EQ(back, plain);
  EXPECT_EQ(in.TellG(), static_cast<QFileSize>(packed.size()));
}

TEST(Lzo1xEndGuess, FindsNothingWithoutAMarker) {
  std::string bytes(5000, '\x11');
  EXPECT_EQ(GuessLzo1xBlockEnd(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 100), 0u);
}

}  // namespace
