// Resolutions: names, kinds and the special-LOD rule at and around the special values.
#include <gtest/gtest.h>

#include <cmath>

#include "lib/shape/lod_kind.h"

namespace {

TEST(LodKind, NamesKindsAndSpecialRule) {
  struct Row {
    float resolution;
    const char* name;  // nullptr: not checked
    int kind;
    bool special;
  };
  const Row rows[] = {
      // Visual resolutions print their value, also just above the visual limit.
      {1.0f, "1", kLodVisual, false},
      {2.5f, "2.5", kLodVisual, false},
      {900.0f, "900", kLodVisual, false},
      {950.0f, "950", kLodVisual, false},
      // Views match within one thousandth: |r - S| < S / 1000.
      {999.1f, "VIEW_GUNNER", kLodVisual, false},
      {1000.0f, "VIEW_GUNNER", kLodVisual, false},
      {1000.9f, "VIEW_GUNNER", kLodVisual, false},
      {1001.0f, "1001", kLodVisual, false},
      {1100.0f, "VIEW_PILOT", kLodVisual, false},
      {1200.0f, "VIEW_CARGO", kLodVisual, false},
      // Shadow ranges are open at both ends.
      {9999.999f, nullptr, kLodVisual, false},
      {10000.0f, "shadow(0)", kLodShadowVolume, false},
      {10010.0f, "shadow(10)", kLodShadowVolume, false},
      {10999.0f, "shadow(999)", kLodShadowVolume, false},
      {11000.0f, "shadow(1000)", kLodShadowBuffer, false},
      {11999.0f, "shadow(1999)", kLodShadowBuffer, false},
      {12000.0f, "12000", kLodVisual, false},
      // The edit range.
      {19000.0f, "19000", kLodVisual, false},
      {20000.0f, "edit", kLodVisual, false},
      {25000.0f, "edit", kLodVisual, false},
      {30000.0f, "edit", kLodVisual, false},
      {31000.0f, "31000", kLodVisual, false},
      // Geometry kinds, and values near "geometry".
      {1e13f, "geometry", kLodGeometry, true},
      {1.0000005e13f, "geometry", kLodGeometry, true},
      {1.0009e13f, "geometry", kLodGeometry, true},  // |r - S| = 9e9 < 1e10
      {1.0099e13f, "1.0099e+13", kLodVisual, false},
      {1.02e13f, "1.02e+13", kLodVisual, false},
      {2e13f, "geometrySimple", kLodGeometry, true},
      {1e15f, "memory", kLodGeometry, true},
      {2e15f, "landContact", kLodGeometry, true},
      {3e15f, "roadway", kLodGeometry, true},
      {4e15f, "paths", kLodGeometry, true},
      {5e15f, "hitpoints", kLodGeometry, true},
      {6e15f, "geometryView", kLodGeometry, true},
      {7e15f, "geometryFire", kLodGeometry, true},
      {8e15f, "geometryViewCargo", kLodGeometry, true},
      {1.3e16f, "geometryViewPilot", kLodGeometry, true},
      {1.5e16f, "geometryViewGunner", kLodGeometry, true},
      // High special values; 1.6e16 has no name and no kind.
      {1.6e16f, "1.6e+16", kLodVisual, false},
      {1.7e16f, "1.7e+16", kLodVisual, true},
      {1.8e16f, "1.8e+16", kLodShadowVolume, false},
      {1.9e16f, "1.9e+16", kLodShadowVolume, false},
      {2e16f, "2e+16", kLodShadowVolume, false},
      {2.1e16f, "wreck", kLodVisual, true},
      {std::nanf(""), nullptr, kLodVisual, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "resolution " << row.resolution);
    if (row.name) {
      EXPECT_EQ(LodKindName(row.resolution), row.name);
    }
    EXPECT_EQ(SpecialLodKind(row.resolution), row.kind);
    EXPECT_EQ(IsSpecialLod(row.resolution), row.special);
  }
}

}  // namespace
