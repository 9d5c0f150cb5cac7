// Packed normals, packed UVs, point flags and the vertex table's condensed arrays.
#include <gtest/gtest.h>

#include "lib/shape/packed_normal.h"
#include "lib/shape/point_flags.h"
#include "lib/shape/uv_set.h"
#include "lib/shape/vertex_table.h"

namespace {

TEST(PackedNormal, AxesAndClamping) {
  EXPECT_EQ(PackNormal({0, 1, 0}), 0x00080400u);  // y field -511 = 0x201
  EXPECT_EQ(PackNormal({0, -1, 0}), 511u << 10);
  EXPECT_EQ(PackNormal({1, 0, 0}), 0x201u);
  EXPECT_EQ(PackNormal({0, 0, 1}), 0x201u << 20);
  // Beyond the unit range: -511 and 511 at most.
  EXPECT_EQ(PackNormal({2, -3, 0}), 0x201u | 511u << 10);
  EXPECT_EQ(PackNormal({0, 0, 0}), 0u);
  Vector3 back = UnpackNormal(PackNormal({0.6f, -0.8f, 0.0f}));
  EXPECT_NEAR(back.x, 0.6f, 0.002f);
  EXPECT_NEAR(back.y, -0.8f, 0.002f);
  EXPECT_NEAR(back.z, 0.0f, 0.002f);
}

TEST(UVSetPacking, RangeEndsMapToExtremes) {
  UVSet set;
  set.SetRange(0.0f, -2.0f, 1.0f, 2.0f);
  EXPECT_EQ(set.Pack(0.0f, -2.0f), UVSet::kPackedMinimum);
  EXPECT_EQ(set.Pack(1.0f, 2.0f), 0x7FFF7FFFu);
  EXPECT_EQ(set.Pack(0.5f, 0.0f), 0u);
  float u, v;
  set.Unpack(set.Pack(0.25f, 1.0f), u, v);
  EXPECT_NEAR(u, 0.25f, 1e-4f);
  EXPECT_NEAR(v, 1.0f, 1e-4f);
  // Outside the range: clamped.
  EXPECT_EQ(set.Pack(5.0f, -7.0f), 0x80017FFFu);
  // A single value is widened into a range.
  set.SetRange(0.3f, 0.7f, 0.3f, 0.7f);
  EXPECT_FLOAT_EQ(set.MaxU(), 0.3f + 1e-6f);
  EXPECT_FLOAT_EQ(set.MaxV(), 0.7f + 1e-6f);
  EXPECT_EQ(set.Pack(0.3f, 0.7f), UVSet::kPackedMinimum);
}

TEST(PointFlags, OrdinaryAndInvalidWords) {
  EXPECT_EQ(ClipFlagsFromPointFlags(0), 0x3Fu);
  for (uint32_t bit = 0; bit < 32; ++bit) {
    uint32_t flag = 1u << bit;
    EXPECT_EQ(ArePointFlagsInvalid(flag), (flag & 0xF000CC00u) != 0) << bit;
  }
}

TEST(PointFlags, LandDecalLightFogAndUserBits) {
  struct Case {
    uint32_t flags;
    uint32_t clip;
  } cases[] = {
      {0x1, 0x13F},         {0x2, 0x23F},         {0x4, 0x43F},         {0x8, 0x83F},
      {0x3, 0x13F},  // the first land bit wins
      {0x100, 0x103F},      {0x200, 0x203F},      {0x300, 0x103F},
      {0x10, 0xC80003F},    {0x40, 0xCB0003F},    {0x80, 0xCA0003F},    {0x20, 0xC90003F},
      {0x30, 0xC80003F},
      {0x1000, 0x403F},     {0x2000, 0x803F},     {0x3000, 0x403F},
      {0x00010000, 0x0010003F},                   {0x00FF0000, 0x0FF0003F},
      {0x01000000, 0x3F},  // hidden: no clip bit
      {0x1 | 0x100 | 0x1000 | 0x00020000, 0x13F | 0x1000 | 0x4000 | 0x00200000},
  };
  for (const Case& c : cases) EXPECT_EQ(ClipFlagsFromPointFlags(c.flags), c.clip) << std::hex << c.flags;
}

TEST(VertexTableArrays, CondenseAndGrowAgain) {
  VertexTable table;
  for (int i = 0; i < 4; ++i) table.Add({static_cast<float>(i), 0, 0}, 0x80400u, 0x3Fu, 0x80018001u);
  table.Condense();
  EXPECT_TRUE(table.Normals().IsCondensed());
  EXPECT_TRUE(table.ClipFlagArray().IsCondensed());
  EXPECT_TRUE(table.UV(0).Packed().IsCondensed());
  EXPECT_EQ(table.Normals().Size(), 4);
  // An equal value keeps the array condensed, another one expands it.
  table.Add({4, 0, 0}, 0x80400u, 0x3Fu, 0x80018001u);
  EXPECT_TRUE(table.Normals().IsCondensed());
  EXPECT_EQ(table.Normals().Size(), 5);
  table.Add({5, 0, 0}, 0x80400u, 0x13Fu, 0x80018001u);
  EXPECT_FALSE(table.ClipFlagArray().IsCondensed());
  EXPECT_EQ(table.ClipFlagArray().Size(), 6);
  EXPECT_EQ(table.ClipFlags(5), 0x13Fu);
  EXPECT_EQ(table.ClipFlags(0), 0x3Fu);
  EXPECT_EQ(table.ClipFlagsOr(), 0x100u);
  EXPECT_EQ(table.ClipFlagsAnd(), 0u);
  VertexTable::Bounds bounds = table.ComputeBounds();
  EXPECT_FLOAT_EQ(bounds.min.x, 0.0f);
  EXPECT_FLOAT_EQ(bounds.max.x, 5.0f);
  EXPECT_FLOAT_EQ(bounds.center.x, 2.5f);
  EXPECT_FLOAT_EQ(bounds.radius, 2.5f);
}

}  // namespace
