// The post-load passes of the world step: the peak search, the primary texture map, the
// road network and the geography initialisation.
#include <gtest/gtest.h>

#include <cmath>

#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_peaks.h"
#include "lib/landscape/landscape_post_load.h"
#include "lib/landscape/landscape_surface.h"
#include "lib/landscape/primary_texture_map.h"
#include "lib/landscape/road_network.h"
#include "lib/landscape/testing/source_world_writer.h"
#include "tests/support/captured_messages.h"

namespace {

// A 64 x 64 cell world of 20 m cells over a 128 x 128 terrain, heights from `height(x, z)`
// in metres of world position.
template <class F>
Landscape WorldOf(F height) {
  Landscape land;
  land.Resize(64, 128, 20.0f);
  const float spacing = TerrainSpacing(land);
  for (int z = 0; z < 128; ++z)
    for (int x = 0; x < 128; ++x)
      land.heights[static_cast<size_t>(land.TerrainIndex(x, z))] =
          height(static_cast<float>(x) * spacing, static_cast<float>(z) * spacing);
  return land;
}

float Bump(float x, float z, float cx, float cz, float h, float r) {
  return h * std::exp(-((x - cx) * (x - cx) + (z - cz) * (z - cz)) / (r * r));
}

TEST(PeakSearch, FindsEachSummitOnceHighestFirst) {
  Landscape land = WorldOf([](float x, float z) {
    return Bump(x, z, 300, 300, 80, 150) + Bump(x, z, 1000, 900, 120, 200) + 0.5f * std::sin(x * 0.05f);
  });
  FindPeaks(land);
  ASSERT_EQ(land.peaks.size(), 2u);
  EXPECT_NEAR(land.peaks[0].x, 1000, 10);
  EXPECT_NEAR(land.peaks[0].z, 900, 10);
  EXPECT_NEAR(land.peaks[0].y, 120, 1);
  EXPECT_NEAR(land.peaks[1].x, 300, 10);
  EXPECT_NEAR(land.peaks[1].y, 80, 1);
}

TEST(PeakSearch, PlainsAndGentleSwellsHaveNoPeaks) {
  Landscape flat = WorldOf([](float, float) { return 40.0f; });
  FindPeaks(flat);
  EXPECT_TRUE(flat.peaks.empty());
  Landscape swell = WorldOf([](float x, float z) { return Bump(x, z, 600, 600, kPeakRise * 0.5f, 400); });
  FindPeaks(swell);
  EXPECT_TRUE(swell.peaks.empty());
  Landscape empty;
  FindPeaks(empty);
  EXPECT_TRUE(empty.peaks.empty());
}

TEST(PrimaryTextureMap, EachSampleTakesTheTextureOfItsCell) {
  CapturedMessages messages;
  Landscape land;
  land.Resize(4, 8, 10.0f);
  land.worldName = "island";
  land.textureIndices[static_cast<size_t>(land.LandIndex(1, 2))] = 3;
  land.textureIndices[static_cast<size_t>(land.LandIndex(3, 3))] = 700;
  BuildPrimaryTextureMap(land);
  EXPECT_EQ(land.primaryTextureMap[static_cast<size_t>(land.TerrainIndex(2, 4))], 3);
  EXPECT_EQ(land.primaryTextureMap[static_cast<size_t>(land.TerrainIndex(3, 5))], 3);
  EXPECT_EQ(land.primaryTextureMap[static_cast<size_t>(land.TerrainIndex(4, 4))], 0);
  EXPECT_EQ(land.primaryTextureMap[static_cast<size_t>(land.TerrainIndex(7, 7))], 255);
  EXPECT_TRUE(messages.HasLineEndingWith(" ms"));
  EXPECT_EQ(messages.logLines[0].rfind("Init primary texture mapping (island): ", 0), 0u);
}

LandscapeObject RoadPiece(int32_t id, float x, float z) {
  LandscapeObject object;
  object.id = id;
  object.modelName = "road.p3d";
  object.kind = ObjectKind::kNetwork;
  object.transform = wrp::PlacedAt(x, 0, z);
  object.roadPoints = {{x, 0, z - 10}, {x, 0, z + 10}};
  return object;
}

TEST(RoadNetwork, PiecesJoinWhereTheirPointsMeet) {
  Landscape land;
  land.Resize(8, 8, 10.0f);
  land.objects.push_back(RoadPiece(1, 15, 15));
  land.objects.push_back(RoadPiece(2, 15, 35.2f));  // meets the first at z = 25 (0.2 m off)
  land.objects.push_back(RoadPiece(3, 55, 15));     // alone
  LandscapeObject tree;
  tree.kind = ObjectKind::kPrimary;
  tree.roadPoints = {{1, 1, 1}};
  land.objects.push_back(tree);  // not a road piece
  BuildRoadNetwork(land);
  const auto& first = land.roads[static_cast<size_t>(land.LandIndex(1, 1))];
  const auto& second = land.roads[static_cast<size_t>(land.LandIndex(1, 3))];
  const auto& alone = land.roads[static_cast<size_t>(land.LandIndex(5, 1))];
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  ASSERT_EQ(alone.size(), 1u);
  EXPECT_EQ(first[0].objectId, 1);
  EXPECT_EQ(first[0].modelName, "road.p3d");
  EXPECT_EQ(first[0].pointBytes, (AutoArray<uint8_t>{0, 1}));
  EXPECT_EQ(second[0].pointBytes, (AutoArray<uint8_t>{1, 0}));
  EXPECT_EQ(alone[0].pointBytes, (AutoArray<uint8_t>{0, 0}));
  size_t elements = 0;
  for (const auto& cell : land.roads) elements += cell.size();
  EXPECT_EQ(elements, 3u);

  DropRoadNetwork(land);
  for (const auto& cell : land.roads) EXPECT_TRUE(cell.empty());
}

TEST(RoadNetwork, PiecesOutsideTheGridGoToTheBorderAndKeepFourPoints) {
  Landscape land;
  land.Resize(4, 4, 10.0f);
  LandscapeObject far = RoadPiece(9, 500, -30);
  far.roadPoints.resize(6, {1, 2, 3});
  land.objects.push_back(far);
  BuildRoadNetwork(land);
  const auto& cell = land.roads[static_cast<size_t>(land.LandIndex(3, 0))];
  ASSERT_EQ(cell.size(), 1u);
  EXPECT_EQ(cell[0].points.size(), 4u);
}

TEST(PostLoad, PassesRecomputePeaksAndRebuildRoads) {
  CapturedMessages messages;
  Landscape land = WorldOf([](float x, float z) { return Bump(x, z, 600, 600, 100, 200); });
  land.peaks = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  land.objects.push_back(RoadPiece(1, 15, 15));
  land.roads[0].push_back({});
  RecomputePeaksAndDropRoads(land);
  EXPECT_EQ(land.peaks.size(), 1u);
  for (const auto& cell : land.roads) EXPECT_TRUE(cell.empty());
  InitGeography(land);
  EXPECT_EQ(land.roads[static_cast<size_t>(land.LandIndex(0, 0))].size(), 1u);
  EXPECT_EQ(land.cellObjects[static_cast<size_t>(land.LandIndex(0, 0))].size(), 1u);
  ASSERT_FALSE(messages.logLines.empty());
  EXPECT_EQ(messages.logLines.back(), "[InitGeography] done");
}

}  // namespace
