#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "runtime_test_world.h"
#include "tests/support/captured_messages.h"

namespace {

uint32_t Uint32At(const std::string& bytes, size_t at) {
  uint32_t v;
  memcpy(&v, bytes.data() + at, 4);
  return v;
}

}  // namespace

TEST(OldRuntimeWorld, WritesNoLongerSupportedAndWidensCellFlags) {
  CapturedMessages messages;
  Landscape land = MakeTestWorld(4, 1);
  std::fill(land.cellFlags.begin(), land.cellFlags.end(), uint16_t{0x0008});
  land.cellFlags[1] = 0x8F07;
  const std::string bytes = SaveWorld(land, kOldRuntimeWorldVersion);
  EXPECT_TRUE(messages.HasLineEndingWith(") : No longer supported")) << messages.Text();
  EXPECT_EQ(messages.errorLines.at(0).rfind("lib/landsave(", 0), 0u) << messages.Text();
  ASSERT_EQ(bytes.substr(0, 4), "OPRW");
  EXPECT_EQ(Uint32At(bytes, 4), 3u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Uint32At(bytes, 8 + 4 * i), 4u);
  // 16 cells of four bytes: below 1024 bytes, stored as they are.
  EXPECT_EQ(Uint32At(bytes, 24), 0x00000018u);
  EXPECT_EQ(Uint32At(bytes, 28), 0x00011E07u);  // bits 3 and up move up by one

  Landscape loaded;
  ASSERT_EQ(LoadWorld(bytes, loaded), 0);
  EXPECT_EQ(loaded.cellFlags[0], 0x0008);
  EXPECT_EQ(loaded.cellFlags[1], 0x8F07);
}

TEST(OldRuntimeWorld, LoadsAndIsWrittenAgainAsVersion28) {
  CapturedMessages messages;
  Landscape land = MakeTestWorld(16, 1);
  const std::string old = SaveWorld(land, kOldRuntimeWorldVersion);
  Landscape loaded;
  loaded.cellSize = land.cellSize;  // the old format stores no cell size
  ASSERT_EQ(LoadWorld(old, loaded), 0);
  // Only the static objects, in the column-outer walk; their ids, models and transforms.
  size_t statics = 0;
  for (const LandscapeObject& object : land.objects) statics += IsStaticKind(object.kind);
  ASSERT_EQ(loaded.objects.size(), statics);
  for (const LandscapeObject& object : loaded.objects) {
    auto original = std::find_if(land.objects.begin(), land.objects.end(),
                                 [&](const LandscapeObject& o) { return o.id == object.id; });
    ASSERT_NE(original, land.objects.end());
    EXPECT_EQ(object.modelName, original->modelName);
    EXPECT_EQ(object.transform, original->transform);
  }
  EXPECT_EQ(loaded.heights, land.heights);
  EXPECT_EQ(loaded.textureIndices, land.textureIndices);
  EXPECT_EQ(loaded.soundMap, land.soundMap);
  EXPECT_EQ(loaded.cellFlags, land.cellFlags);

  const std::string current = SaveWorld(loaded);
  Landscape again;
  ASSERT_EQ(LoadWorld(current, again), 0);
  ExpectSameWorld(loaded, again);
}

TEST(OldRuntimeWorld, FinerTerrainIsStoredAtLandResolution) {
  CapturedMessages messages;
  Landscape land = MakeTestWorld(8, 2);
  const std::string bytes = SaveWorld(land, kOldRuntimeWorldVersion);
  EXPECT_TRUE(messages.HasLineEndingWith("version 3 stores heights at land grid resolution")) << messages.Text();
  Landscape loaded;
  ASSERT_EQ(LoadWorld(bytes, loaded), 0);
  EXPECT_EQ(loaded.terrainWidth, 8);
  EXPECT_EQ(loaded.heights[loaded.TerrainIndex(3, 5)], land.heights[land.TerrainIndex(6, 10)]);
}
