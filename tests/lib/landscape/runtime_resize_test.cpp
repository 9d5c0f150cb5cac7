#include <gtest/gtest.h>

#include "lib/landscape/landscape.h"

TEST(LandscapeResize, SizesEveryGridAndClearsObjects) {
  Landscape land;
  land.objects.emplace_back();
  land.nextIdBase = 7;
  land.minHeight = -3;
  land.Resize(16, 64, 40.0f);
  EXPECT_EQ(land.landWidth, 16);
  EXPECT_EQ(land.landHeight, 16);
  EXPECT_EQ(land.terrainWidth, 64);
  EXPECT_EQ(land.terrainHeight, 64);
  EXPECT_FLOAT_EQ(land.cellSize, 40.0f);
  EXPECT_EQ(land.heights.size(), 64u * 64u);
  EXPECT_EQ(land.textureIndices.size(), 256u);
  EXPECT_EQ(land.cellFlags.size(), 256u);
  EXPECT_EQ(land.soundMap.size(), 256u);
  EXPECT_EQ(land.cellObjects.size(), 256u);
  EXPECT_EQ(land.roads.size(), 256u);
  EXPECT_EQ(land.primaryTextureMap.size(), 64u * 64u);
  EXPECT_TRUE(land.objects.empty());
  EXPECT_EQ(land.nextIdBase, 0);
  EXPECT_EQ(land.minHeight, 0);
}
