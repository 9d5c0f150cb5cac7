// Resolutions: names, kinds and the special-LOD rule at and around the special values.
#include <gtest/gtest.h>

#include <cmath>

#include "lib/shape/lod_kind.h"

namespace {

TEST(LodKind, VisualResolutionsPrintTheirValue) {
  EXPECT_EQ(LodKindName(1.0f), "1");
  EXPECT_EQ(LodKindName(2.5f), "2.5");
  EXPECT_EQ(LodKindName(900.0f), "900");
  EXPECT_EQ(SpecialLodKind(900.0f), kLodVisual);
  EXPECT_FALSE(IsSpecialLod(900.0f));
  // Just above the visual limit without a special meaning.
  EXPECT_EQ(LodKindName(950.0f), "950");
  EXPECT_EQ(SpecialLodKind(950.0f), kLodVisual);
}

TEST(LodKind, ViewsMatchWithinOneThousandth) {
  EXPECT_EQ(LodKindName(1000.0f), "VIEW_GUNNER");
  EXPECT_EQ(LodKindName(1000.9f), "VIEW_GUNNER");
  EXPECT_EQ(LodKindName(999.1f), "VIEW_GUNNER");
  EXPECT_EQ(LodKindName(1001.0f), "1001");  // |r - S| is not below S / 1000
  EXPECT_EQ(LodKindName(1100.0f), "VIEW_PILOT");
  EXPECT_EQ(LodKindName(1200.0f), "VIEW_CARGO");
  EXPECT_EQ(SpecialLodKind(1200.0f), kLodVisual);
  EXPECT_FALSE(IsSpecialLod(1000.0f));
}

TEST(LodKind, ShadowRangesAreOpenAtBothEnds) {
  EXPECT_EQ(SpecialLodKind(9999.999f), kLodVisual);
  EXPECT_EQ(SpecialLodKind(10000.0f), kLodShadowVolume);
  EXPECT_EQ(LodKindName(10000.0f), "shadow(0)");
  EXPECT_EQ(LodKindName(10010.0f), "shadow(10)");
  EXPECT_EQ(SpecialLodKind(10999.0f), kLodShadowVolume);
  EXPECT_EQ(SpecialLodKind(11000.0f), kLodShadowBuffer);
  EXPECT_EQ(LodKindName(11000.0f), "shadow(1000)");
  EXPECT_EQ(SpecialLodKind(11999.0f), kLodShadowBuffer);
  EXPECT_EQ(SpecialLodKind(12000.0f), kLodVisual);
  EXPECT_EQ(LodKindName(12000.0f), "12000");
}

TEST(LodKind, EditRange) {
  EXPECT_EQ(LodKindName(20000.0f), "edit");
  EXPECT_EQ(LodKindName(25000.0f), "edit");
  EXPECT_EQ(LodKindName(30000.0f), "edit");
  EXPECT_EQ(LodKindName(19000.0f), "19000");
  EXPECT_EQ(LodKindName(31000.0f), "31000");
  EXPECT_EQ(SpecialLodKind(20000.0f), kLodVisual);
}

TEST(LodKind, GeometryKindsAndNames) {
  struct Case {
    float resolution;
    const char* name;
  } cases[] = {
      {1e13f, "geometry"},           {2e13f, "geometrySimple"},      {1e15f, "memory"},
      {2e15f, "landContact"},        {3e15f, "roadway"},             {4e15f, "paths"},
      {5e15f, "hitpoints"},          {6e15f, "geometryView"},        {7e15f, "geometryFire"},
      {8e15f, "geometryViewCargo"},  {1.3e16f, "geometryViewPilot"}, {1.5e16f, "geometryViewGunner"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LodKindName(c.resolution), c.name);
    EXPECT_EQ(SpecialLodKind(c.resolution), kLodGeometry) << c.name;
    EXPECT_TRUE(IsSpecialLod(c.resolution)) << c.name;
  }
}

TEST(LodKind, GeometryMatchesNearbyValuesOnly) {
  EXPECT_EQ(LodKindName(1.0000005e13f), "geometry");
  EXPECT_TRUE(IsSpecialLod(1.0000005e13f));
  EXPECT_EQ(LodKindName(1.0009e13f), "geometry");  // |r - S| = 9e9 < 1e10
  EXPECT_EQ(LodKindName(1.0099e13f), "1.0099e+13");
  EXPECT_EQ(LodKindName(1.02e13f), "1.02e+13");
  EXPECT_FALSE(IsSpecialLod(1.02e13f));
  EXPECT_EQ(SpecialLodKind(1.02e13f), kLodVisual);
}

TEST(LodKind, HighSpecialValues) {
  EXPECT_EQ(LodKindName(1.7e16f), "1.7e+16");
  EXPECT_EQ(SpecialLodKind(1.7e16f), kLodVisual);
  EXPECT_TRUE(IsSpecialLod(1.7e16f));
  for (float r : {1.8e16f, 1.9e16f, 2e16f}) {
    EXPECT_EQ(SpecialLodKind(r), kLodShadowVolume);
    EXPECT_FALSE(IsSpecialLod(r));
  }
  EXPECT_EQ(LodKindName(2.1e16f), "wreck");
  EXPECT_EQ(SpecialLodKind(2.1e16f), kLodVisual);
  EXPECT_TRUE(IsSpecialLod(2.1e16f));
  // 1.6e16 has no name and no kind.
  EXPECT_EQ(SpecialLodKind(1.6e16f), kLodVisual);
  EXPECT_FALSE(IsSpecialLod(1.6e16f));
}

TEST(LodKind, NotANumberIsAVisualName) {
  float nan = std::nanf("");
  EXPECT_EQ(SpecialLodKind(nan), kLodVisual);
  EXPECT_FALSE(IsSpecialLod(nan));
}

}  // namespace
