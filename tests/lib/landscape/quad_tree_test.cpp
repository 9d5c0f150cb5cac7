#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/landscape/cell_walk.h"
#include "lib/landscape/packed_quad_tree.h"

namespace {

std::string Save(PackedQuadTree& tree) {
  QOStrStream out;
  SerializeBinStream f(&out);
  EXPECT_TRUE(tree.Transfer(f));
  return out.Str();
}

// Loads `bytes` into a tree sized like `shape`; returns the error code.
int Load(const std::string& bytes, PackedQuadTree& tree) {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  SerializeBinStream f(&in);
  tree.Transfer(f);
  return f.GetError();
}

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t v;
  memcpy(&v, bytes.data() + at, 4);
  return v;
}

}  // namespace

TEST(QuadTreeBits, CountsBitsOfTheLargestIndex) {
  EXPECT_EQ(QuadTreeBits(1), 0);
  EXPECT_EQ(QuadTreeBits(2), 1);
  EXPECT_EQ(QuadTreeBits(4), 2);
  EXPECT_EQ(QuadTreeBits(5), 3);
  EXPECT_EQ(QuadTreeBits(1024), 10);
}

TEST(PackedQuadTree, BitCountsOfA1024Grid) {
  PackedQuadTree four(1024, 1024, 4, 0), two(1024, 1024, 2, 0), one(1024, 1024, 1, 0);
  EXPECT_EQ(four.Levels(), 5);
  EXPECT_EQ(four.BitsX(), 10);
  EXPECT_EQ(four.BitsY(), 10);
  EXPECT_EQ(two.Levels(), 5);
  EXPECT_EQ(two.BitsX(), 11);
  EXPECT_EQ(two.BitsY(), 10);
  EXPECT_EQ(one.Levels(), 5);
  EXPECT_EQ(one.BitsX(), 11);
  EXPECT_EQ(one.BitsY(), 11);
  // A 4x4 grid of 4-byte elements has one level; of bytes, one leaf is a 2x2 block.
  EXPECT_EQ(PackedQuadTree(4, 4, 4, 0).Levels(), 1);
  EXPECT_EQ(PackedQuadTree(4, 4, 1, 0).Levels(), 1);
}

TEST(PackedQuadTree, UniformGridIsFlatFiveBytes) {
  PackedQuadTree tree(256, 256, 2, 0x1234);
  const std::string bytes = Save(tree);
  ASSERT_EQ(bytes.size(), 5u);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(Le32(bytes, 1), 0x12341234u);
  EXPECT_EQ(tree.SerializedSize(), 5u);
}

TEST(PackedQuadTree, OneDifferentCellOfA4x4GridIs67Bytes) {
  PackedQuadTree tree(4, 4, 4, 7);
  tree.Set(2, 1, 9);
  const std::string bytes = Save(tree);
  ASSERT_EQ(bytes.size(), 67u);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 0);  // mask: every entry a leaf
  EXPECT_EQ(bytes[2], 0);
  for (int entry = 0; entry < 16; ++entry) EXPECT_EQ(Le32(bytes, 3 + 4 * entry), entry == 2 + 4 * 1 ? 9u : 7u) << entry;
}

TEST(PackedQuadTree, LeavesPackTwoAndFourElements) {
  PackedQuadTree two(2, 1, 2, 0);  // no levels: the one leaf holds both elements
  two.Set(1, 0, 0xBEEF);           // x odd: the high half of the leaf
  std::string bytes = Save(two);
  ASSERT_EQ(bytes.size(), 5u);
  EXPECT_EQ(Le32(bytes, 1), 0xBEEF0000u);
  PackedQuadTree one(8, 8, 1, 0);
  one.Set(1, 1, 0xAB);  // byte (1 & 1) * 2 + (1 & 1) = 3 of leaf (0, 0)
  bytes = Save(one);
  ASSERT_EQ(bytes.size(), 67u);
  EXPECT_EQ(Le32(bytes, 3), 0xAB000000u);
}

TEST(PackedQuadTree, SettingTheSameValueBackMakesTheTreeFlatAgain) {
  PackedQuadTree tree(64, 64, 4, 5);
  tree.Set(63, 63, 6);
  EXPECT_FALSE(tree.IsFlat());
  EXPECT_EQ(tree.Get(63, 63), 6u);
  EXPECT_EQ(tree.Get(62, 63), 5u);
  tree.Set(63, 63, 5);
  EXPECT_TRUE(tree.IsFlat());
  EXPECT_EQ(Save(tree).size(), 5u);
}

TEST(PackedQuadTree, BuildEqualsCellByCellSetsAndRoundTrips) {
  std::mt19937 random(17);
  for (int elementSize : {4, 2, 1}) {
    for (int width : {1, 3, 16, 37, 64}) {
      std::vector<uint32_t> values(static_cast<size_t>(width) * width);
      for (size_t i = 0; i < values.size(); ++i) values[i] = (random() % 5 == 0) ? random() % 3 : 0;
      PackedQuadTree bySet(width, width, elementSize, 0xFFFFFFFFu);
      for (int y = 0; y < width; ++y)
        for (int x = 0; x < width; ++x) bySet.Set(x, y, values[y * width + x]);
      PackedQuadTree built(width, width, elementSize, 0xFFFFFFFFu);
      std::vector<uint8_t> bytes8(values.begin(), values.end());
      std::vector<uint16_t> bytes16(values.begin(), values.end());
      if (elementSize == 4) built.Build(values.data(), 0xFFFFFFFFu);
      if (elementSize == 2) built.Build(bytes16.data(), 0xFFFFFFFFu);
      if (elementSize == 1) built.Build(bytes8.data(), 0xFFFFFFFFu);
      ASSERT_TRUE(built == bySet) << elementSize << " " << width;
      const std::string saved = Save(built);
      ASSERT_EQ(saved, Save(bySet));
      EXPECT_EQ(saved.size(), built.SerializedSize());

      PackedQuadTree loaded(width, width, elementSize, 0);
      ASSERT_EQ(Load(saved, loaded), 0);
      EXPECT_TRUE(loaded == built);
      std::vector<uint32_t> out32(values.size());
      std::vector<uint16_t> out16(values.size());
      std::vector<uint8_t> out8(values.size());
      for (int y = 0; y < width; ++y)
        for (int x = 0; x < width; ++x)
          ASSERT_EQ(loaded.Get(x, y), values[y * width + x] & (elementSize == 4   ? ~0u
                                                               : elementSize == 2 ? 0xFFFFu
                                                                                  : 0xFFu));
      if (elementSize == 4) {
        loaded.Extract(out32.data());
        EXPECT_EQ(out32, values);
      }
      if (elementSize == 2) {
        loaded.Extract(out16.data());
        EXPECT_EQ(out16, bytes16);
      }
      if (elementSize == 1) {
        loaded.Extract(out8.data());
        EXPECT_EQ(out8, bytes8);
      }
    }
  }
}

TEST(PackedQuadTree, RejectsNodesBelowTheLastLevelAndTruncation) {
  // 4x4 tree: one level, so a child node in the root is corrupt.
  std::string bytes("\x01\x01\x00", 3);
  bytes.append(2 + 64, '\0');
  bytes.append(60, '\0');
  PackedQuadTree tree(4, 4, 4, 0);
  EXPECT_EQ(Load(bytes, tree), SerializeBinStream::EFileStructure);
  // A 1x1 tree has no place for a node at all.
  PackedQuadTree single(1, 1, 4, 0);
  EXPECT_EQ(Load(std::string("\x01\x00\x00", 3), single), SerializeBinStream::EFileStructure);
  // Every truncation of a valid two-level tree fails.
  PackedQuadTree deep(16, 16, 4, 0);
  deep.Set(5, 9, 1);
  const std::string valid = Save(deep);
  for (size_t length = 0; length < valid.size(); ++length) {
    PackedQuadTree cut(16, 16, 4, 0);
    EXPECT_EQ(Load(valid.substr(0, length), cut), SerializeBinStream::EFileStructure) << length;
  }
}

TEST(CellWalk, VisitsA256GridInNestedBlocksOfFour) {
  std::vector<std::pair<int, int>> cells;
  WalkLandCells(256, [&](int x, int z) { cells.emplace_back(x, z); });
  ASSERT_EQ(cells.size(), 256u * 256u);
  const std::vector<std::pair<int, int>> first = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}};
  EXPECT_TRUE(std::equal(first.begin(), first.end(), cells.begin()));
  EXPECT_EQ(cells[16], std::make_pair(4, 0));  // the second 4x4 block
  EXPECT_EQ(cells[16 * 16], std::make_pair(16, 0));
  EXPECT_EQ(cells[64 * 64 * 4], std::make_pair(0, 64));  // the second row of 64x64 blocks
}

TEST(CellWalk, AWidthThatIsNoPowerOfFourVisitsEveryCellOnce) {
  EXPECT_TRUE(IsPowerOfFour(256));
  EXPECT_FALSE(IsPowerOfFour(512));
  std::vector<int> seen(512 * 512, 0);
  int count = 0;
  WalkLandCells(512, [&](int x, int z) {
    ++seen[z * 512 + x];
    ++count;
  });
  EXPECT_EQ(count, 512 * 512);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 512 * 512);
}
