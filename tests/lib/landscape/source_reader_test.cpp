// The source world reader: headers of every version, heights, texture tables, grid checks
// and the repair messages.
#include <gtest/gtest.h>

#include <cstring>

#include "el/paramfile/param_file.h"
#include "el/qstream/qi_stream.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/source_world_reader.h"
#include "lib/landscape/testing/source_world_writer.h"
#include "tests/support/captured_messages.h"

namespace {

int Load(Landscape& land, const std::string& bytes, const SourceWorldSettings& settings = {}) {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  return LoadSourceWorld(land, in, "w.wrp", settings);
}

TEST(SourceWorldReader, KnowsTheSevenMagics) {
  for (int version = 2; version <= 8; ++version) {
    const char magic[4] = {static_cast<char>('0' + version), 'W', 'V', 'R'};
    EXPECT_EQ(SourceWorldVersion(magic), version);
  }
  EXPECT_EQ(SourceWorldVersion("9WVR"), 0);
  EXPECT_EQ(SourceWorldVersion("1WVR"), 0);
  EXPECT_EQ(SourceWorldVersion("OPRW"), 0);
}

TEST(SourceWorldReader, UnknownMagicFailsWithTwelve) {
  CapturedMessages messages;
  Landscape land;
  std::string bytes = wrp::WriteWorld(wrp::MakeFlatWorld(8, 4, 8, 10.0f));
  bytes[0] = '9';
  EXPECT_EQ(Load(land, bytes), kSourceWorldFailed);
  EXPECT_TRUE(messages.Errored("Cannot load world 'w.wrp'"));
}

TEST(SourceWorldReader, Version8KeepsFloatHeightsAndTheirRange) {
  wrp::World world = wrp::MakeFlatWorld(8, 4, 8, 12.5f);
  world.heights[0] = -3.25f;
  world.heights[8 * 8 - 1] = 120.5f;
  world.heights[9] = 7.0f;
  Landscape land;
  ASSERT_EQ(Load(land, wrp::WriteWorld(world)), 0);
  EXPECT_EQ(land.landWidth, 4);
  EXPECT_EQ(land.landHeight, 4);
  EXPECT_EQ(land.terrainWidth, 8);
  EXPECT_EQ(land.terrainHeight, 8);
  EXPECT_FLOAT_EQ(land.cellSize, 12.5f);
  EXPECT_EQ(land.heights[9], 7.0f);
  EXPECT_EQ(land.minHeight, -3.25f);
  EXPECT_EQ(land.maxHeight, 120.5f);
}

TEST(SourceWorldReader, Version7HeightOf100Is4Point5Metres) {
  wrp::World world = wrp::MakeFlatWorld(7, 2, 2, 10.0f);
  world.rawHeights = {100, 0, -20, 0};
  Landscape land;
  ASSERT_EQ(Load(land, wrp::WriteWorld(world)), 0);
  EXPECT_EQ(land.heights[0], 100 * 0.044999998f);
  EXPECT_FLOAT_EQ(land.heights[0], 4.5f);
  EXPECT_FLOAT_EQ(land.heights[2], -0.9f);
  EXPECT_FLOAT_EQ(land.maxHeight, 4.5f);
  EXPECT_FLOAT_EQ(land.minHeight, -0.9f);
  // The range starts at sea level: a terrain above it has the minimum 0.
  world.rawHeights = {100, 200, 300, 400};
  ASSERT_EQ(Load(land, wrp::WriteWorld(world)), 0);
  EXPECT_EQ(land.minHeight, 0.0f);
  EXPECT_FLOAT_EQ(land.maxHeight, 18.0f);
}

TEST(SourceWorldReader, Version4TakesCellSizeFromLandGridAndTerrainFromLand) {
  ParamFile config;
  ParamClass* worldClass = config.AddClass("island");
  worldClass->AddValue("LandGrid", 40.0f);
  wrp::World world = wrp::MakeFlatWorld(4, 8, 8, 0.0f);
  Landscape land;
  SourceWorldSettings settings;
  settings.worldClass = worldClass;
  ASSERT_EQ(Load(land, wrp::WriteWorld(world), settings), 0);
  EXPECT_EQ(land.cellSize, 40.0f);
  EXPECT_EQ(land.terrainWidth, 8);
  EXPECT_EQ(land.terrainHeight, 8);
  // Without a class the cell size is 50 metres.
  Landscape plain;
  ASSERT_EQ(Load(plain, wrp::WriteWorld(world)), 0);
  EXPECT_EQ(plain.cellSize, 50.0f);
}

TEST(SourceWorldReader, BadTextureIdDependsOnTheVersion) {
  for (int version : {2, 3, 4, 5}) {
    CapturedMessages messages;
    wrp::World world = wrp::MakeFlatWorld(version, 4, 4, 10.0f);
    world.textureIndices[1 + 4 * 2] = 513;
    world.textureIndices[3] = 512;  // the highest accepted before version 6 (then a bad reference)
    world.textureIndices[2] = 0x8001;
    Landscape land;
    ASSERT_EQ(Load(land, wrp::WriteWorld(world)), 0) << version;
    EXPECT_TRUE(messages.Errored("Bad texture ID 513 on landscape (1,2)")) << version;
    EXPECT_TRUE(messages.Errored("Bad texture ID -32767 on landscape (2,0)")) << version;
    EXPECT_FALSE(messages.Errored("Bad texture ID 512 on landscape (3,0)")) << version;
    // 512 is beyond the fixed table of 512 entries.
    EXPECT_TRUE(messages.Errored("Bad land texture on 3,0")) << version;
    EXPECT_EQ(land.textureIndices[1 + 4 * 2], 0) << version;
    EXPECT_EQ(land.textureIndices[3], 0) << version;
    EXPECT_EQ(land.textures.size(), 512u) << version;
  }
  for (int version : {6, 7, 8}) {
    CapturedMessages messages;
    wrp::World world = wrp::MakeFlatWorld(version, 4, 4, 10.0f);
    world.textures.resize(600, wrp::Texture{"", -1});
    world.textures[513].name = "data\\rock.paa";
    world.textureIndices[5] = 513;
    world.textureIndices[6] = 0x8000;
    Landscape land;
    ASSERT_EQ(Load(land, wrp::WriteWorld(world)), 0) << version;
    EXPECT_FALSE(messages.Errored("Bad texture ID 513 on landscape (1,1)")) << version;
    EXPECT_TRUE(messages.Errored("Bad texture ID -32768 on landscape (2,1)")) << version;
    EXPECT_EQ(land.textureIndices[5], 513) << version;
    EXPECT_EQ(land.textures[513].name, "data\\rock.paa") << version;
  }
}

TEST(SourceWorldReader, IndexBeyondTheTableIsRepaired) {
  CapturedMessages messages;
  wrp::World world = wrp::MakeFlatWorld(8, 4, 4, 10.0f);
  world.textures.push_back({"data\\sand.paa", 7});
  world.textureIndices[4 * 3 + 2] = 2;  // two entries: 0 and 1
  world.textureIndices[1] = 1;
  Landscape land;
  ASSERT_EQ(Load(land, wrp::WriteWorld(world)), 0);
  EXPECT_EQ(messages.errorLines, std::vector<std::string>{"Bad land texture on 2,3"});
  EXPECT_EQ(land.textureIndices[4 * 3 + 2], 0);
  EXPECT_EQ(land.textureIndices[1], 1);
}

TEST(SourceWorldReader, TextureTablesOfEachForm) {
  wrp::World old = wrp::MakeFlatWorld(5, 2, 2, 10.0f);
  old.textures = {{"", -1}, {"data\\a.paa", -1}, {std::string(40, 'x'), -1}};
  Landscape land;
  ASSERT_EQ(Load(land, wrp::WriteWorld(old)), 0);
  ASSERT_EQ(land.textures.size(), 512u);
  EXPECT_EQ(land.textures[0].name, "");
  EXPECT_EQ(land.textures[1].name, "data\\a.paa");
  EXPECT_EQ(land.textures[2].name, std::string(32, 'x'));  // the fixed field holds 32 bytes

  wrp::World six = wrp::MakeFlatWorld(6, 2, 2, 10.0f);
  six.textures = {{"data\\a.paa", 9}, {"", 4}};
  ASSERT_EQ(Load(land, wrp::WriteWorld(six)), 0);
  ASSERT_EQ(land.textures.size(), 2u);
  EXPECT_EQ(land.textures[0].attribute, -1);  // version 6 stores no attribute

  wrp::World seven = six;
  seven.version = 7;
  ASSERT_EQ(Load(land, wrp::WriteWorld(seven)), 0);
  EXPECT_EQ(land.textures[0].name, "data\\a.paa");
  EXPECT_EQ(land.textures[0].attribute, 9);
  EXPECT_EQ(land.textures[1].name, "");
}

TEST(SourceWorldReader, GridChecksReportTheirSizes) {
  CapturedMessages messages;
  // Higher than wide: the square of the width is kept, the rows beyond it are dropped.
  wrp::World tall = wrp::MakeFlatWorld(8, 4, 8, 10.0f);
  tall.landHeight = 8;
  tall.textureIndices.assign(4 * 8, 0);
  tall.textureIndices[4 * 3 + 1] = 1;
  tall.textures.push_back({"data\\rock.paa", 1});
  tall.terrainHeight = 16;
  tall.heights.assign(8 * 16, 1.0f);
  tall.heights[8 * 7 + 2] = 6.0f;
  tall.heights[8 * 12] = 50.0f;  // beyond the square: not stored, not in the range
  Landscape land;
  EXPECT_EQ(Load(land, wrp::WriteWorld(tall)), 0);
  EXPECT_TRUE(messages.Errored("Landscape dimensions 4x8 not rectangular"));
  EXPECT_TRUE(messages.Errored("Terrain dimensions 8x16 not rectangular"));
  EXPECT_EQ(land.landWidth, 4);
  EXPECT_EQ(land.landHeight, 4);
  EXPECT_EQ(land.terrainHeight, 8);
  EXPECT_EQ(land.heights[static_cast<size_t>(land.TerrainIndex(2, 7))], 6.0f);
  EXPECT_EQ(land.maxHeight, 6.0f);
  EXPECT_EQ(land.textureIndices[static_cast<size_t>(land.LandIndex(1, 3))], 1);

  // Wider than high: the square of the width is more than the file holds.
  messages.Clear();
  wrp::World flat = wrp::MakeFlatWorld(8, 4, 8, 10.0f);
  flat.landHeight = 2;
  flat.textureIndices.resize(4 * 2);
  flat.terrainHeight = 4;
  flat.heights.resize(8 * 4);
  EXPECT_EQ(Load(land, wrp::WriteWorld(flat)), kSourceWorldFailed);
  EXPECT_TRUE(messages.Errored("Landscape dimensions 4x2 not rectangular"));
  EXPECT_TRUE(messages.Errored("Terrain dimensions 8x4 not rectangular"));

  messages.Clear();
  wrp::World odd = wrp::MakeFlatWorld(8, 3, 6, 10.0f);
  EXPECT_EQ(Load(land, wrp::WriteWorld(odd)), 0);
  EXPECT_TRUE(messages.Errored("Landscape dimensions 3x3 not power of 2"));
  EXPECT_TRUE(messages.Errored("Terrain dimensions 6x6 not power of 2"));
}

TEST(SourceWorldReader, SizesWhoseBytesOverflowFail) {
  CapturedMessages messages;
  wrp::World world = wrp::MakeFlatWorld(8, 4, 4, 10.0f);
  world.terrainWidth = 0x60000000;
  world.terrainHeight = 0x67000000;
  Landscape land;
  EXPECT_EQ(Load(land, wrp::WriteWorld(world)), kSourceWorldFailed);
  EXPECT_TRUE(land.heights.empty());
}

TEST(SourceWorldReader, HugeOrNegativeGridsFailWithoutAllocating) {
  for (int32_t width : {int32_t{1} << 30, -4, 0}) {
    CapturedMessages messages;
    wrp::World world = wrp::MakeFlatWorld(8, 4, 4, 10.0f);
    world.landWidth = world.landHeight = width;
    world.terrainWidth = world.terrainHeight = width;
    Landscape land;
    EXPECT_EQ(Load(land, wrp::WriteWorld(world)), kSourceWorldFailed) << width;
    EXPECT_TRUE(messages.Errored("Cannot load world 'w.wrp'"));
    EXPECT_TRUE(land.heights.empty());
  }
  // A terrain coarser than the land grid cannot be split into cells.
  CapturedMessages messages;
  wrp::World world = wrp::MakeFlatWorld(8, 8, 4, 10.0f);
  Landscape land;
  EXPECT_EQ(Load(land, wrp::WriteWorld(world)), kSourceWorldFailed);
}

TEST(SourceWorldReader, BrokenTextureCountFails) {
  for (int32_t count : {-1, 1 << 30}) {
    CapturedMessages messages;
    wrp::World world = wrp::MakeFlatWorld(8, 2, 2, 10.0f);
    std::string bytes = wrp::WriteWorld(world);
    const size_t countAt = 24 + 4 * 4 + 2 * 4;
    std::memcpy(bytes.data() + countAt, &count, 4);
    Landscape land;
    EXPECT_EQ(Load(land, bytes), kSourceWorldFailed) << count;
  }
}

TEST(SourceWorldReader, WorldWithoutObjectsLoads) {
  CapturedMessages messages;
  for (bool terminated : {true, false}) {
    wrp::World world = wrp::MakeFlatWorld(8, 4, 4, 10.0f);
    world.terminated = terminated;
    Landscape land;
    ASSERT_EQ(Load(land, wrp::WriteWorld(world)), 0);
    EXPECT_TRUE(land.objects.empty());
    EXPECT_EQ(land.nextIdBase, 0);
  }
  EXPECT_TRUE(messages.Logged("Total 0 objects, max. id 0"));
}

}  // namespace
