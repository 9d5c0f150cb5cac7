#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "el/paramfile/param_file.h"
#include "el/qstream/qi_stream.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_derive.h"

namespace {

// An 8x8 world of 10 m cells with a terrain twice as fine (5 m between samples), flat at
// `height`.
Landscape FlatWorld(float height = 1.0f) {
  Landscape land;
  land.Resize(8, 16, 10.0f);
  std::fill(land.heights.begin(), land.heights.end(), height);
  return land;
}

LandscapeObject& Place(Landscape& land, float x, float z) {
  LandscapeObject object;
  object.id = static_cast<int32_t>(land.objects.size()) + 1;
  object.modelName = "obj.p3d";
  object.kind = ObjectKind::kPrimary;
  object.transform.position = {x, 0, z};
  land.objects.push_back(object);
  return land.objects.back();
}

int Field(uint16_t flags, int shift, int bits) { return (flags >> shift) & ((1 << bits) - 1); }

int SoundLevel(const Landscape& land, int x, int z, int type) {
  return (land.soundMap[land.LandIndex(x, z)] >> (2 * type)) & 3;
}

}  // namespace

TEST(CellObjects, ObjectsGoToTheCellUnderThemAndOutsideToTheBorder) {
  Landscape land = FlatWorld();
  Place(land, 15, 25);     // cell (1, 2)
  Place(land, -40, 500);   // west of the grid, north of it: cell (0, 7)
  Place(land, 80, 79.9f);  // x on the far edge: cell (7, 7)
  BuildCellObjects(land);
  EXPECT_EQ(land.cellObjects[land.LandIndex(1, 2)], AutoArray<int32_t>{0});
  EXPECT_EQ(land.cellObjects[land.LandIndex(0, 7)], AutoArray<int32_t>{1});
  EXPECT_EQ(land.cellObjects[land.LandIndex(7, 7)], AutoArray<int32_t>{2});
}

TEST(CellFlags, WaterClassesFromHighestAndLowestSample) {
  Landscape land = FlatWorld(-3.0f);
  // Cell (1, 0) covers samples 2..4: one sample at -0.7 makes its highest sample -0.7.
  land.heights[land.TerrainIndex(3, 1)] = -0.7f;
  // Cell (3, 3) is dry except one sample at -1.5.
  for (int j = 6; j <= 8; ++j)
    for (int i = 6; i <= 8; ++i) land.heights[land.TerrainIndex(i, j)] = 0.0f;
  land.heights[land.TerrainIndex(7, 7)] = -1.5f;
  DeriveCellData(land);
  EXPECT_EQ(Field(land.cellFlags[land.LandIndex(0, 0)], 0, 2), 3);
  EXPECT_EQ(land.cellFlags[land.LandIndex(0, 0)] & 0x60, 0x60);
  EXPECT_EQ(Field(land.cellFlags[land.LandIndex(1, 0)], 0, 2), 1);
  EXPECT_EQ(land.cellFlags[land.LandIndex(1, 0)] & 0x60, 0x60);
  EXPECT_EQ(Field(land.cellFlags[land.LandIndex(3, 3)], 0, 2), 0);
  EXPECT_EQ(land.cellFlags[land.LandIndex(3, 3)] & 0x60, 0x40);
}

TEST(CellFlags, GradientClassFromTheSteepestQuad) {
  Landscape land = FlatWorld(0.0f);
  // Rising 1 m per 5 m sample eastwards: slope 0.2, class 3.
  for (int z = 0; z < 16; ++z)
    for (int x = 0; x < 16; ++x) land.heights[land.TerrainIndex(x, z)] = static_cast<float>(x);
  DeriveCellData(land);
  EXPECT_EQ(Field(land.cellFlags[land.LandIndex(2, 2)], 11, 3), 3);
  // Rising 0.5 m per sample both ways: g = (0.1 + 0.1) * 0.7071 = 0.141, class 2.
  for (int z = 0; z < 16; ++z)
    for (int x = 0; x < 16; ++x) land.heights[land.TerrainIndex(x, z)] = 0.5f * static_cast<float>(x + z);
  DeriveCellData(land);
  EXPECT_EQ(Field(land.cellFlags[land.LandIndex(2, 2)], 11, 3), 2);
  // A wall of 10 m in one quad: class 7.
  std::fill(land.heights.begin(), land.heights.end(), 0.0f);
  land.heights[land.TerrainIndex(5, 5)] = 10.0f;
  DeriveCellData(land);
  EXPECT_EQ(Field(land.cellFlags[land.LandIndex(2, 2)], 11, 3), 7);
  EXPECT_EQ(Field(land.cellFlags[land.LandIndex(0, 0)], 11, 3), 0);
}

TEST(CellFlags, CoverageFromClippedFootprintsOfTheCellAndItsNeighbours) {
  Landscape land = FlatWorld();
  LandscapeObject& big = Place(land, 25, 25);  // fills cell (2, 2) and half of each neighbour
  big.footprintSize = 20.0f;
  big.coverageWeight = CoverageWeight::kNormal;
  DeriveCellData(land);
  const uint16_t centre = land.cellFlags[land.LandIndex(2, 2)];
  EXPECT_TRUE(centre & 0x4);  // full coverage
  EXPECT_EQ(Field(centre, 7, 2), 0);
  EXPECT_EQ(Field(centre, 9, 2), 3);                           // weighted: area 100 >= 100 / 3
  EXPECT_TRUE(centre & 0x8000);                                // the cell holds an object
  const uint16_t side = land.cellFlags[land.LandIndex(3, 2)];  // clipped: 5 x 10 = 50 m2
  EXPECT_FALSE(side & 0x4);
  EXPECT_EQ(Field(side, 7, 2), 3);  // A >= 0.5 a
  EXPECT_EQ(Field(side, 9, 2), 3);  // A' >= a / 3
  EXPECT_FALSE(side & 0x8000);
  const uint16_t corner = land.cellFlags[land.LandIndex(3, 3)];  // 5 x 5 = 25 m2
  EXPECT_EQ(Field(corner, 7, 2), 2);                             // A >= 0.25 a
  EXPECT_EQ(Field(corner, 9, 2), 2);                             // A' >= a / 6
  EXPECT_EQ(land.cellFlags[land.LandIndex(5, 5)], 0);

  // Heavy objects weigh four times their area and twice their count; unweighted ones
  // count only in the plain classes.
  Landscape small = FlatWorld();
  LandscapeObject& heavy = Place(small, 15, 15);
  heavy.footprintSize = 3.0f;  // 9 m2: A' = 36 >= 100 / 3
  heavy.coverageWeight = CoverageWeight::kHeavy;
  LandscapeObject& light = Place(small, 45, 45);
  light.footprintSize = 3.0f;
  DeriveCellData(small);
  EXPECT_EQ(Field(small.cellFlags[small.LandIndex(1, 1)], 7, 2), 1);
  EXPECT_EQ(Field(small.cellFlags[small.LandIndex(1, 1)], 9, 2), 3);
  EXPECT_EQ(Field(small.cellFlags[small.LandIndex(4, 4)], 7, 2), 1);
  EXPECT_EQ(Field(small.cellFlags[small.LandIndex(4, 4)], 9, 2), 0);
}

TEST(CellFlags, ManySmallObjectsRaiseTheClassByCount) {
  Landscape land = FlatWorld();
  for (int i = 0; i < 20; ++i) Place(land, 51 + static_cast<float>(i) * 0.4f, 55).footprintSize = 0.1f;
  DeriveCellData(land);
  EXPECT_EQ(Field(land.cellFlags[land.LandIndex(5, 5)], 7, 2), 3);  // n >= 20
  EXPECT_EQ(Field(land.cellFlags[land.LandIndex(5, 5)], 9, 2), 0);  // no weights
}

TEST(CellFlags, AMarkedCellLowersItsClassesAndObjectBitsFollowItsObjects) {
  Landscape land = FlatWorld(0.0f);
  land.heights[land.TerrainIndex(5, 5)] = 10.0f;  // gradient class 7 in cell (2, 2)
  LandscapeObject& marker = Place(land, 25, 25);
  marker.footprintSize = 10.0f;  // full coverage
  marker.marksCell = true;
  marker.hasCellProperty = true;
  marker.setsKindBit = true;
  DeriveCellData(land);
  const uint16_t flags = land.cellFlags[land.LandIndex(2, 2)];
  EXPECT_TRUE(flags & 0x10);
  EXPECT_FALSE(flags & 0x4);
  EXPECT_EQ(Field(flags, 11, 3), 5);
  EXPECT_TRUE(flags & 0x4000);
  EXPECT_TRUE(flags & 0x8);
  EXPECT_TRUE(flags & 0x8000);
  // A neighbour at class 3 stays, an empty cell has none of the object bits.
  EXPECT_EQ(land.cellFlags[land.LandIndex(6, 6)] & 0xC018, 0);

  Landscape busy = FlatWorld();
  for (int i = 0; i < 20; ++i) Place(busy, 51 + static_cast<float>(i) * 0.4f, 55).footprintSize = 0.1f;
  busy.objects[3].marksCell = true;
  DeriveCellData(busy);
  EXPECT_EQ(Field(busy.cellFlags[busy.LandIndex(5, 5)], 7, 2), 2);  // 3 lowered to 2
}

TEST(SoundMap, DefaultsSpreadVegetationAndBuildingsIntoTheirCellOnly) {
  Landscape land = FlatWorld();
  Place(land, 25, 25).mapType = MapType::kTreeHard;  // 0.5: level round(1.5) = 2
  Place(land, 55, 55).mapType = MapType::kChurch;    // 1.0: level 3
  DeriveCellData(land);
  EXPECT_EQ(SoundLevel(land, 2, 2, 1), 2);
  EXPECT_EQ(SoundLevel(land, 3, 2, 1), 0);  // attenuation 0 by default
  EXPECT_EQ(SoundLevel(land, 5, 5, 3), 3);
  // Open land: round(3 (1 - 2/3)) = 1, 0 under the church, 3 elsewhere.
  EXPECT_EQ(SoundLevel(land, 2, 2, 2), 1);
  EXPECT_EQ(SoundLevel(land, 5, 5, 2), 0);
  EXPECT_EQ(SoundLevel(land, 0, 7, 2), 3);
}

TEST(SoundMap, WorldClassSetsStrengthsAndAttenuation) {
  const std::string text = "class Island { soundMapAttenCoef = 0.5; class SoundMapValues { treesoft = 1; }; };";
  QIStrStream in(text.data(), static_cast<QFileSize>(text.size()));
  ParamFile config;
  ASSERT_EQ(config.Parse(in), 0);
  Landscape land = FlatWorld();
  land.worldClass = config.GetClass("Island");
  ASSERT_NE(land.worldClass, nullptr);
  Place(land, 25, 25).mapType = MapType::kTreeSoft;
  DeriveCellData(land);
  EXPECT_EQ(SoundLevel(land, 2, 2, 1), 3);
  // Neighbours: q = 1 gives 0.5 (level round(1.5) = 2); diagonals q = 2 give 0.25 (1).
  EXPECT_EQ(SoundLevel(land, 3, 2, 1), 2);
  EXPECT_EQ(SoundLevel(land, 3, 3, 1), 1);
  EXPECT_EQ(SoundLevel(land, 4, 2, 1), 0);
}

TEST(SoundMap, WaterSpreadsTwoCellsFromPartlyWetCells) {
  Landscape land = FlatWorld();
  land.heights[land.TerrainIndex(8, 8)] = -3.0f;  // a low sample shared by cells (3..4, 3..4)
  DeriveCellData(land);
  EXPECT_EQ(SoundLevel(land, 4, 4, 0), 3);
  EXPECT_EQ(SoundLevel(land, 3, 3, 0), 3);
  EXPECT_EQ(SoundLevel(land, 6, 6, 0), 0);  // attenuation 0: only the wet cells
  EXPECT_EQ(SoundLevel(land, 4, 4, 2), 0);
}
