#pragma once
// Worlds for the runtime format tests: built in memory, saved and loaded through the one
// transfer routine, and compared field by field.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_derive.h"
#include "lib/landscape/runtime_world.h"

// A world `landWidth` cells wide (terrain `ratio` times finer, 10 m cells): rolling
// heights with a pond, three textures, static and other objects of every field, peaks and
// one road element; the derived data is computed.
inline Landscape MakeTestWorld(int landWidth = 16, int ratio = 2) {
  Landscape land;
  land.worldName = "testworld";
  land.Resize(landWidth, landWidth * ratio, 10.0f);
  const int tw = land.terrainWidth;
  for (int z = 0; z < tw; ++z)
    for (int x = 0; x < tw; ++x)
      land.heights[land.TerrainIndex(x, z)] = static_cast<float>((x * 7 + z * 3) % 11) - (x < 4 && z < 4 ? 8.0f : 0.0f);
  land.minHeight = -8.0f;
  land.maxHeight = 10.0f;
  land.textures = {{"data\\grass.paa", 3}, {"", -1}, {"data\\sand.paa", 5}};
  for (int i = 0; i < landWidth * landWidth; ++i) land.textureIndices[i] = static_cast<uint16_t>(i % 5 == 0 ? 2 : 0);
  const float size = static_cast<float>(landWidth) * land.cellSize;
  const ObjectKind kinds[] = {ObjectKind::kPrimary, ObjectKind::kBuilding, ObjectKind::kNetwork, ObjectKind::kTemporary,
                              ObjectKind::kVehicle};
  for (int i = 0; i < 40; ++i) {
    LandscapeObject object;
    object.id = 100 + i * 3;
    object.modelName = "data\\model" + std::to_string(i % 4) + ".p3d";
    object.transform.position = {std::fmod(static_cast<float>(i) * 37.5f, size), 2.0f,
                                 std::fmod(static_cast<float>(i) * 53.25f, size)};
    object.transform.axisX = {0.0f, 0.0f, -1.0f};
    object.transform.axisZ = {1.0f, 0.0f, 0.0f};
    object.kind = kinds[i % 5];
    object.mapType = static_cast<MapType>(i % 14);
    object.footprintSize = static_cast<float>(i % 3) * 4.0f;
    object.coverageWeight = static_cast<CoverageWeight>(i % 3);
    object.marksCell = i % 7 == 0;
    object.hasCellProperty = i % 6 == 0;
    object.setsKindBit = i % 4 == 1;
    object.cellFlagByte = static_cast<uint8_t>(i % 2 ? 3 : 16);
    object.recordProperty = i % 2 ? 2 : 7;
    if (i % 8 == 0) {
      object.configClass = "Land_House" + std::to_string(i);
      object.propertyClass = "house";
      object.entityValue = 0x1234567800000000ull + static_cast<uint64_t>(i);
    }
    if (i == 2) object.roadPoints = {{1, 2, 3}, {4, 5, 6}};
    land.objects.push_back(object);
  }
  land.nextIdBase = 100 + 39 * 3;
  land.peaks = {{5, 3, 5}, {50, 9, 20}, {80, 6, 70}};
  for (size_t i = 0; i < land.primaryTextureMap.size(); ++i) land.primaryTextureMap[i] = static_cast<uint8_t>(i % 3);
  RoadElement road;
  road.points = {{10, 0, 10}, {20, 0, 10}};
  road.pointBytes = {1, 2};
  road.objectId = land.objects[2].id;
  land.roads[land.LandIndex(1, 1)].push_back(road);
  DeriveCellData(land);
  return land;
}

inline std::string SaveWorld(Landscape& land, int version = kRuntimeWorldVersion) {
  QOStrStream out;
  SerializeBinStream f(&out);
  EXPECT_TRUE(TransferRuntimeWorld(f, land, land.worldName, version)) << f.GetError();
  return out.Str();
}

inline int LoadWorld(const std::string& bytes, Landscape& land) {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  return LoadRuntimeWorld(land, in, "testworld");
}

// What the runtime format keeps of a world (texture attributes are not stored).
inline void ExpectSameWorld(const Landscape& a, const Landscape& b, bool withObjectFields = true) {
  EXPECT_EQ(a.landWidth, b.landWidth);
  EXPECT_EQ(a.terrainWidth, b.terrainWidth);
  EXPECT_EQ(a.cellSize, b.cellSize);
  EXPECT_EQ(a.heights, b.heights);
  EXPECT_EQ(a.minHeight, b.minHeight);
  EXPECT_EQ(a.maxHeight, b.maxHeight);
  EXPECT_EQ(a.textureIndices, b.textureIndices);
  ASSERT_EQ(a.textures.size(), b.textures.size());
  for (size_t i = 0; i < a.textures.size(); ++i) EXPECT_EQ(a.textures[i].name, b.textures[i].name);
  EXPECT_EQ(a.cellFlags, b.cellFlags);
  EXPECT_EQ(a.soundMap, b.soundMap);
  EXPECT_EQ(a.peaks.size(), b.peaks.size());
  for (size_t i = 0; i < std::min(a.peaks.size(), b.peaks.size()); ++i) EXPECT_EQ(a.peaks[i], b.peaks[i]);
  ASSERT_EQ(a.objects.size(), b.objects.size());
  for (size_t i = 0; i < a.objects.size(); ++i) {
    const LandscapeObject &x = a.objects[i], &y = b.objects[i];
    EXPECT_EQ(x.id, y.id) << i;
    EXPECT_EQ(x.modelName, y.modelName) << i;
    EXPECT_EQ(x.transform, y.transform) << i;
    if (!withObjectFields) continue;
    EXPECT_EQ(x.kind, y.kind) << i;
    EXPECT_EQ(x.mapType, y.mapType) << i;
    EXPECT_EQ(x.footprintSize, y.footprintSize) << i;
    EXPECT_EQ(x.coverageWeight, y.coverageWeight) << i;
    EXPECT_EQ(x.marksCell, y.marksCell) << i;
    EXPECT_EQ(x.hasCellProperty, y.hasCellProperty) << i;
    EXPECT_EQ(x.setsKindBit, y.setsKindBit) << i;
    EXPECT_EQ(x.cellFlagByte, y.cellFlagByte) << i;
    EXPECT_EQ(x.recordProperty, y.recordProperty) << i;
    EXPECT_EQ(x.configClass, y.configClass) << i;
    EXPECT_EQ(x.propertyClass, y.propertyClass) << i;
    EXPECT_EQ(x.configClassMissing, y.configClassMissing) << i;
    EXPECT_EQ(x.entityValue, y.entityValue) << i;
    EXPECT_EQ(x.roadPoints.size(), y.roadPoints.size()) << i;
  }
  EXPECT_EQ(a.nextIdBase, b.nextIdBase);
  EXPECT_EQ(a.cellObjects, b.cellObjects);
  if (!withObjectFields) return;
  EXPECT_EQ(a.terrainByteMap, b.terrainByteMap);
  EXPECT_EQ(a.primaryTextureMap, b.primaryTextureMap);
  ASSERT_EQ(a.roads.size(), b.roads.size());
  for (size_t cell = 0; cell < a.roads.size(); ++cell) {
    ASSERT_EQ(a.roads[cell].size(), b.roads[cell].size()) << cell;
    for (size_t k = 0; k < a.roads[cell].size(); ++k) {
      const RoadElement &x = a.roads[cell][k], &y = b.roads[cell][k];
      EXPECT_EQ(x.objectId, y.objectId);
      EXPECT_EQ(x.modelName, y.modelName);
      EXPECT_EQ(x.transform, y.transform);
      EXPECT_EQ(x.pointBytes, y.pointBytes);
      ASSERT_EQ(x.points.size(), y.points.size());
      for (size_t p = 0; p < x.points.size(); ++p) EXPECT_EQ(x.points[p], y.points[p]);
    }
  }
}
