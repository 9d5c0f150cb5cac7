#include "el/qstream/lzo_block.h"

#include <gtest/gtest.h>
#include <lzo/lzo1x.h>

#include "el/qstream/lzo1x_end_guess.h"
#include "el/qstream/lzo1x_scanner.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "tests/el/qstream/chunked_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

const std::string kEndMarker("\x11\x00\x00", 3);

std::string Compress(const std::string& plain) {
  QOStrStream out;
  EXPECT_TRUE(SaveLzoBlock(out, plain.data(), plain.size()));
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

// `plain` with the end marker's bytes planted every `step` bytes from `first` on.
std::string WithPlantedMarkers(std::string plain, size_t first, size_t step) {
  for (size_t at = first; at + 3 < plain.size(); at += step) plain.replace(at, 3, kEndMarker);
  return plain;
}

// Loads a block of `size` bytes from `stream` into an exact-size allocation.
bool Load(QIStream& in, size_t size, std::string& plain) {
  std::unique_ptr<char[]> exact(new char[size ? size : 1]);
  bool ok = LoadLzoBlock(in, exact.get(), size);
  plain.assign(exact.get(), size);
  return ok;
}

// Loads a block of `size` bytes from the start of `stored`; `end` is where the stream stops.
bool LoadStored(const std::string& stored, size_t size, std::string& plain, QFileSize* end = nullptr) {
  QIStrStream in(stored.data(), static_cast<QFileSize>(stored.size()));
  bool ok = Load(in, size, plain);
  if (end) *end = in.TellG();
  return ok;
}

TEST(LzoBlock, SavedBlockDecodesWithTheLibrary) {
  std::string plain = MeshBytes(20000);
  std::string packed = Compress(plain);
  ASSERT_GE(packed.size(), 3u);
  EXPECT_LT(packed.size(), plain.size());
  EXPECT_EQ(packed.substr(packed.size() - 3), kEndMarker);
  std::string back(plain.size(), '\0');
  lzo_uint backSize = back.size();
  ASSERT_EQ(lzo1x_decompress_safe(reinterpret_cast<const unsigned char*>(packed.data()), packed.size(),
                                  reinterpret_cast<unsigned char*>(back.data()), &backSize, nullptr),
            LZO_E_OK);
  EXPECT_EQ(backSize, plain.size());
  EXPECT_EQ(back, plain);
}

TEST(LzoBlock, SaveWritesAtThePutPositionAndKeepsTheBytesAround) {
  for (const std::string& plain : {NoiseBytes(3000), MeshBytes(1000)}) {
    std::string packed = Compress(plain);
    QOStrStream after;
    after.write("head", 4);
    ASSERT_TRUE(SaveLzoBlock(after, plain.data(), plain.size()));
    EXPECT_EQ(after.Str(), "head" + packed);
    QOStrStream over;
    over.write(std::string(packed.size() + 10, '#').data(), packed.size() + 10);
    over.SeekP(0);
    ASSERT_TRUE(SaveLzoBlock(over, plain.data(), plain.size()));
    EXPECT_EQ(over.Str(), packed + std::string(10, '#'));
  }
}

TEST(LzoBlock, LoadStopsOnTheFirstByteAfterTheBlock) {
  struct Row {
    const char* name;
    std::string plain;
    std::string stored;
    size_t end;
  };
  auto compressed = [](const char* name, const std::string& plain, const std::string& after) {
    std::string packed = Compress(plain);
    return Row{name, plain, packed + after, packed.size()};
  };
  const Row rows[] = {
      compressed("mesh", MeshBytes(20000), "tail"),
      compressed("noise", NoiseBytes(5000), "tail"),
      compressed("zeros", std::string(4096, '\0'), "tail"),
      compressed("marker bytes inside the data travel as literals", WithPlantedMarkers(NoiseBytes(60000), 100, 997),
                 kEndMarker),
      compressed("followed by another block", MeshBytes(9000), Compress(NoiseBytes(7000))),
      // First byte 17 + 5: five literals; then the end marker.
      {"hand-made literal block", "hello", std::string("\x16hello\x11\x00\x00", 9), 9},
      // 11 01 00 also ends a block for the decoder; standard marker bytes follow it.
      {"other form of the end marker", "hello", std::string("\x16hello\x11\x01\x00\x11\x00\x00", 12), 9},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string back;
    QFileSize end = 0;
    ASSERT_TRUE(LoadStored(row.stored, row.plain.size(), back, &end));
    EXPECT_EQ(back, row.plain);
    EXPECT_EQ(end, static_cast<QFileSize>(row.end));
    // The same block two bytes into a stream of small buffers.
    for (QFileSize chunk : {1, 7, 64, 4096}) {
      ChunkedStream in("ab" + row.stored, chunk);
      in.SeekG(2);
      ASSERT_TRUE(Load(in, row.plain.size(), back)) << "chunk " << chunk;
      EXPECT_EQ(back, row.plain) << "chunk " << chunk;
      EXPECT_EQ(in.TellG(), static_cast<QFileSize>(row.end + 2)) << "chunk " << chunk;
    }
  }
}

TEST(LzoBlock, BlockOfAnotherSizeOrAMatchBeforeTheFirstByteIsCorrupt) {
  std::string plain = MeshBytes(2000);
  std::string packed = Compress(plain);
  std::string back;
  for (size_t size : {plain.size() - 1, plain.size() + 1, size_t{0}})
    EXPECT_FALSE(LoadStored(packed, size, back)) << size;
  // One literal 'a', then a 3-byte match at distance 2, then the end marker.
  EXPECT_FALSE(LoadStored(std::string("\x12" "a" "\x44\x00" "\x11\x00\x00", 7), 4, back));
}

TEST(LzoBlock, EveryTruncationFailsAndDamagedBlocksStayInside) {
  std::string plain = MeshBytes(800);
  std::string packed = Compress(plain);
  std::string back;
  for (size_t length = 0; length < packed.size(); ++length)
    EXPECT_FALSE(LoadStored(packed.substr(0, length), plain.size(), back)) << length;
  for (size_t at = 0; at < packed.size(); ++at) {
    for (int flip : {0x01, 0x10, 0x80, 0xFF}) {
      std::string bad = packed;
      bad[at] = static_cast<char>(bad[at] ^ flip);
      QFileSize end = 0;
      // A changed literal still decodes; the stream then ends where the block ends.
      if (LoadStored(bad, plain.size(), back, &end)) {
        EXPECT_LE(end, static_cast<QFileSize>(bad.size()));
      }
    }
  }
}

TEST(LzoBlock, SkipMovesPastTheBlock) {
  std::string plain = NoiseBytes(4000);
  std::string stored = Compress(plain) + "x";
  QIStrStream in(stored.data(), static_cast<QFileSize>(stored.size()));
  ASSERT_TRUE(SkipLzoBlock(in, plain.size()));
  EXPECT_EQ(in.get(), 'x');
}

TEST(Lzo1xScanner, FindsTheEndOfLibraryBlocks) {
  for (size_t size : {1u, 3u, 4u, 17u, 300u, 5000u, 70000u}) {
    for (const std::string& plain : {MeshBytes(size / 4 + 1).substr(0, size), NoiseBytes(size), std::string(size, 'z')}) {
      std::string packed = Compress(plain);
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
  std::string packed = Compress(plain);
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
  Lzo1xScanner scanner(1000);
  EXPECT_EQ(scanner.Scan(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()),
            Lzo1xScanResult::kNeedMore);
  stored.push_back('\x05');
  EXPECT_EQ(scanner.Scan(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()),
            Lzo1xScanResult::kCorrupt);
}

TEST(Lzo1xEndGuess, SkipsMarkerBytesAmongDenseInstructions) {
  // Mesh data codes to short matches and literal runs: a parse started before a planted
  // marker falls into step with the block's instructions and sees the bytes as data.
  std::string plain = WithPlantedMarkers(MeshBytes(50000), 5000, 9973);
  std::string packed = Compress(plain);
  ASSERT_LT(packed.find(kEndMarker), packed.size() - 3) << "a marker inside the block";
  std::string stored = packed + "after";
  EXPECT_EQ(GuessLzo1xBlockEnd(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(), plain.size()),
            packed.size());
}

TEST(Lzo1xEndGuess, WrongGuessInsideLongLiteralsIsCaughtByTheLoader) {
  // Inside a long literal run no parse can fall into step; the guess may name a planted
  // marker, which the decoder rejects, and the load still ends at the true end.
  std::string plain = WithPlantedMarkers(NoiseBytes(200000), 5000, 9973);
  std::string packed = Compress(plain);
  std::string stored = packed + "after";
  size_t guess = GuessLzo1xBlockEnd(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(), plain.size());
  EXPECT_LT(guess, packed.size()) << "the case this test covers: a wrong guess";
  std::string back;
  QFileSize end = 0;
  ASSERT_TRUE(LoadStored(stored, plain.size(), back, &end));
  EXPECT_EQ(back, plain);
  EXPECT_EQ(end, static_cast<QFileSize>(packed.size()));
}

TEST(Lzo1xEndGuess, FindsNothingWithoutAMarker) {
  std::string bytes(5000, '\x11');
  EXPECT_EQ(GuessLzo1xBlockEnd(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 100), 0u);
}

}  // namespace
