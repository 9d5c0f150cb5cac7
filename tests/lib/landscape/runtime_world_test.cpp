#include <gtest/gtest.h>

#include <cstring>

#include "el/qstream/serialize_bin_stream.h"
#include "lib/landscape/runtime_world_parts.h"
#include "runtime_test_world.h"
#include "tests/support/captured_messages.h"

namespace {

int32_t Int32At(const std::string& bytes, size_t at) {
  int32_t v;
  memcpy(&v, bytes.data() + at, 4);
  return v;
}

// The size of the header, grids and texture table of `land` at version 28: where the
// object tables begin.
size_t GridBytes(Landscape land) {
  QOStrStream out;
  SerializeBinStream f(&out);
  f.TransferVersion(kRuntimeWorldVersion, kRuntimeWorldVersion);
  f.SetLzoCompression(true);
  EXPECT_TRUE(TransferWorldGrids(f, land));
  return 4 + out.View().size();
}

}  // namespace

TEST(RuntimeWorld, SavedWorldLoadsBackEqualAndSavesTheSameBytes) {
  CapturedMessages messages;
  Landscape land = MakeTestWorld();
  const std::string bytes = SaveWorld(land);
  ASSERT_EQ(bytes.substr(0, 4), "OPRW");
  EXPECT_EQ(Int32At(bytes, 4), 28);
  EXPECT_EQ(bytes.substr(8, 4), "0MLQ");
  EXPECT_EQ(Int32At(bytes, 12), 0);
  EXPECT_EQ(Int32At(bytes, 16), 16);
  EXPECT_EQ(Int32At(bytes, 20), 16);
  EXPECT_EQ(Int32At(bytes, 24), 32);
  EXPECT_EQ(Int32At(bytes, 28), 32);

  Landscape loaded;
  ASSERT_EQ(LoadWorld(bytes, loaded), 0);
  ExpectSameWorld(land, loaded);
  EXPECT_EQ(SaveWorld(loaded), bytes);
}

TEST(RuntimeWorld, OlderVersionsLoadThroughTheSameRoutine) {
  for (int version : {15, 18, 22, 23, 25, 27}) {
    Landscape land = MakeTestWorld();
    const std::string bytes = SaveWorld(land, version);
    Landscape loaded;
    ASSERT_EQ(LoadWorld(bytes, loaded), 0) << version;
    EXPECT_EQ(loaded.heights, land.heights) << version;
    EXPECT_EQ(loaded.objects.size(), land.objects.size()) << version;
    // Without the primary texture map before 22, the loaded one stays 0.
    EXPECT_EQ(loaded.primaryTextureMap == land.primaryTextureMap, version >= 22) << version;
  }
}

TEST(RuntimeWorld, PeaksAreWrittenHighestFirst) {
  Landscape land = MakeTestWorld();
  Landscape loaded;
  ASSERT_EQ(LoadWorld(SaveWorld(land), loaded), 0);
  ASSERT_EQ(loaded.peaks.size(), 3u);
  EXPECT_EQ(loaded.peaks[0].y, 9);
  EXPECT_EQ(loaded.peaks[1].y, 6);
  EXPECT_EQ(loaded.peaks[2].y, 3);
}

TEST(RuntimeWorld, EmptyWorldTail) {
  Landscape land;
  land.Resize(256, 256, 50.0f);
  DeriveCellData(land);
  const std::string bytes = SaveWorld(land);
  size_t at = GridBytes(land);
  EXPECT_EQ(Int32At(bytes, at), 0);      // model names
  EXPECT_EQ(Int32At(bytes, at + 4), 0);  // entities
  EXPECT_EQ(bytes[at + 8], 0);           // flat first-record tree of 0
  EXPECT_EQ(Int32At(bytes, at + 9), 0);
  EXPECT_EQ(Int32At(bytes, at + 13), 0);  // record bytes
  EXPECT_EQ(bytes[at + 17], 0);           // flat cell-data tree of 0
  EXPECT_EQ(Int32At(bytes, at + 18), 0);
  EXPECT_EQ(Int32At(bytes, at + 22), 0);  // cell data size
  // The end: maximum id 0, the road block of one int32 0 per land cell, no records, no
  // cell data.
  const size_t roads = 4 * 256 * 256;
  ASSERT_GT(bytes.size(), roads + 8);
  EXPECT_EQ(bytes.find_first_not_of('\0', bytes.size() - roads), std::string::npos);
  EXPECT_EQ(Int32At(bytes, bytes.size() - roads - 4), static_cast<int32_t>(roads));
  EXPECT_EQ(Int32At(bytes, bytes.size() - roads - 8), 0);
  Landscape loaded;
  ASSERT_EQ(LoadWorld(bytes, loaded), 0);
  EXPECT_TRUE(loaded.objects.empty());
  EXPECT_EQ(loaded.landWidth, 256);
}

TEST(RuntimeWorld, RecordsFollowTheCellWalk) {
  Landscape land;
  land.Resize(16, 16, 10.0f);
  auto place = [&](int id, float x, float z) {
    LandscapeObject object;
    object.id = id;
    object.modelName = "m.p3d";
    object.kind = ObjectKind::kPrimary;
    object.transform.position = {x, 0, z};
    land.objects.push_back(object);
  };
  place(0x33333333, 45, 5);  // cell (4, 0): the second 4x4 block
  place(0x22222222, 5, 15);  // cell (0, 1)
  place(0x11111111, 15, 5);  // cell (1, 0)
  DeriveCellData(land);
  const std::string bytes = SaveWorld(land);
  const size_t a = bytes.rfind("\x11\x11\x11\x11"), b = bytes.rfind("\x22\x22\x22\x22"),
               c = bytes.rfind("\x33\x33\x33\x33");
  ASSERT_NE(a, std::string::npos);
  EXPECT_EQ(b, a + 60);
  EXPECT_EQ(c, b + 60);
  Landscape loaded;
  ASSERT_EQ(LoadWorld(bytes, loaded), 0);
  ExpectSameWorld(land, loaded);
  EXPECT_EQ(loaded.nextIdBase, 0x33333333);
}

TEST(RuntimeWorld, BadPositionIsReportedAbove500AndBelow100) {
  Landscape land;
  land.Resize(4, 4, 10.0f);
  std::fill(land.heights.begin(), land.heights.end(), 10.0f);
  for (float y : {510.0f, 510.5f, -90.0f, -90.5f}) {
    LandscapeObject object;
    object.id = static_cast<int32_t>(land.objects.size());
    object.modelName = "tower.p3d";
    object.kind = ObjectKind::kBuilding;
    object.transform.position = {15, y, 15};
    land.objects.push_back(object);
  }
  DeriveCellData(land);
  CapturedMessages messages;
  SaveWorld(land);
  EXPECT_FALSE(messages.Has("0:tower.p3d - Bad position 15,510,15 (surface 10.0)"));
  EXPECT_TRUE(messages.Has("1:tower.p3d - Bad position 15,510.5,15 (surface 10.0)")) << messages.Text();
  EXPECT_FALSE(messages.Has("2:tower.p3d - Bad position 15,-90,15 (surface 10.0)"));
  EXPECT_TRUE(messages.Has("3:tower.p3d - Bad position 15,-90.5,15 (surface 10.0)"));
}

TEST(RuntimeWorld, EntityEntriesAndTheirMessages) {
  Landscape land;
  land.Resize(4, 4, 10.0f);
  auto place = [&](const char* model, const char* configClass, const char* propertyClass, bool missing) {
    LandscapeObject object;
    object.modelName = model;
    object.kind = ObjectKind::kBuilding;
    object.configClass = configClass;
    object.propertyClass = propertyClass;
    object.configClassMissing = missing;
    object.entityValue = 77;
    object.transform.position = {1, 2, 3};
    land.objects.push_back(object);
  };
  place("a.p3d", "Land_A", "house", false);
  place("b.p3d", "Land_B", "", false);
  place("c.p3d", "Land_C", "church", true);
  DeriveCellData(land);
  CapturedMessages messages;
  const std::string bytes = SaveWorld(land);
  EXPECT_TRUE(messages.Has("Class Land_B exists, but there is no property class in b.p3d")) << messages.Text();
  EXPECT_TRUE(messages.Has("c.p3d: church, config class 'Land_C' missing"));
  // Model names a, b, c; one entity entry: class, model, position, value.
  const size_t at = GridBytes(land);
  EXPECT_EQ(Int32At(bytes, at), 3);
  const std::string entity = std::string("\x01\x00\x00\x00", 4) + "Land_A" + '\0' + "a.p3d" + '\0';
  EXPECT_EQ(bytes.find(entity), at + 4 + 6 + 6 + 6);
}

TEST(RuntimeWorld, RoadOfAMissingObjectIsNamedUnknown) {
  Landscape land = MakeTestWorld(4, 1);
  RoadElement lost;
  lost.points = {{10, 0, 20}, {30, 0, 40}};
  lost.objectId = 999999;
  land.roads[0].push_back(lost);
  CapturedMessages messages;
  const std::string bytes = SaveWorld(land);
  EXPECT_TRUE(messages.Logged("(shape name not known) position=(20.00,30.00)")) << messages.Text();
  Landscape loaded;
  ASSERT_EQ(LoadWorld(bytes, loaded), 0);
  ASSERT_EQ(loaded.roads[0].size(), 1u);
  EXPECT_EQ(loaded.roads[0][0].modelName, "(shape name not known)");
  EXPECT_EQ(loaded.roads[0][0].transform, Matrix4::Identity());
  EXPECT_EQ(loaded.roads[0][0].pointBytes.size(), 2u);
}

TEST(RuntimeWorld, LandWidthNotAPowerOfFourKeepsEveryObject) {
  CapturedMessages messages;
  Landscape land = MakeTestWorld(32, 1);
  const std::string bytes = SaveWorld(land);
  EXPECT_TRUE(
      messages.HasLineEndingWith("land grid 32x32 is not a power of 4; its cells are stored in the padded walk order"))
      << messages.Text();
  Landscape loaded;
  ASSERT_EQ(LoadWorld(bytes, loaded), 0);
  ExpectSameWorld(land, loaded);
}

TEST(RuntimeWorld, BadMagicAndBadVersion) {
  CapturedMessages messages;
  Landscape land = MakeTestWorld(4, 1);
  std::string bytes = SaveWorld(land);
  Landscape loaded;
  std::string notWorld = bytes;
  notWorld[0] = '8';
  EXPECT_EQ(LoadWorld(notWorld, loaded), SerializeBinStream::EBadFileType);
  for (int32_t version : {2, 14, 29}) {
    std::string wrong = bytes;
    memcpy(wrong.data() + 4, &version, 4);
    EXPECT_EQ(LoadWorld(wrong, loaded), SerializeBinStream::EBadVersion);
    EXPECT_TRUE(messages.Errored("Bad version " + std::to_string(version) + " in landscape testworld"));
  }
  EXPECT_TRUE(loaded.objects.empty());
  EXPECT_EQ(loaded.landWidth, 0);
}

TEST(RuntimeWorld, EveryTruncationFailsCleanly) {
  CapturedMessages messages;
  Landscape land = MakeTestWorld(4, 2);
  for (int version : {28, 3}) {
    const std::string bytes = SaveWorld(land, version);
    for (size_t length = 0; length < bytes.size(); ++length) {
      Landscape loaded;
      EXPECT_NE(LoadWorld(bytes.substr(0, length), loaded), 0) << version << " " << length;
      EXPECT_TRUE(loaded.objects.empty());
    }
  }
}

TEST(RuntimeWorld, AnEmptyWorldIsSavedAndLoadsBackEmpty) {
  // What a world step saves after a failed load: a landscape never sized.
  for (int version : {28, 3}) {
    Landscape land;
    const std::string bytes = SaveWorld(land, version);
    Landscape loaded = MakeTestWorld(4, 1);
    ASSERT_EQ(LoadWorld(bytes, loaded), 0) << version;
    EXPECT_EQ(loaded.landWidth, 0);
    EXPECT_EQ(loaded.terrainWidth, 0);
    EXPECT_TRUE(loaded.objects.empty());
    EXPECT_TRUE(loaded.heights.empty());
    EXPECT_TRUE(loaded.textures.empty());
    DeriveCellData(loaded);
    EXPECT_EQ(SaveWorld(loaded, version), bytes);
  }
}

TEST(RuntimeWorld, GridSizesTheFileCannotHoldAreRejected) {
  Landscape land = MakeTestWorld(4, 2);
  const std::string bytes = SaveWorld(land);
  auto withSizes = [&](int32_t landWidth, int32_t terrainWidth) {
    std::string changed = bytes;
    for (int i = 0; i < 2; ++i) memcpy(changed.data() + 16 + 4 * i, &landWidth, 4);
    for (int i = 0; i < 2; ++i) memcpy(changed.data() + 24 + 4 * i, &terrainWidth, 4);
    return changed;
  };
  Landscape loaded;
  // A land grid of 4096 x 4096 cells needs at least 64 MB of road counts; a terrain of
  // 16384 x 16384 heights more than a few kilobytes can expand to.
  EXPECT_EQ(LoadWorld(withSizes(4096, 8), loaded), SerializeBinStream::EFileStructure);
  EXPECT_EQ(LoadWorld(withSizes(4, 16384), loaded), SerializeBinStream::EFileStructure);
  EXPECT_EQ(LoadWorld(withSizes(-4, 8), loaded), SerializeBinStream::EFileStructure);
  EXPECT_EQ(LoadWorld(withSizes(40000, 8), loaded), SerializeBinStream::EFileStructure);
  // Land and terrain grids must be square.
  std::string oblong = bytes;
  const int32_t eight = 8;
  memcpy(oblong.data() + 20, &eight, 4);
  EXPECT_EQ(LoadWorld(oblong, loaded), SerializeBinStream::EFileStructure);
  EXPECT_EQ(loaded.landWidth, 0);
}
