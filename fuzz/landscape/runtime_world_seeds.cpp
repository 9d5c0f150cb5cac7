// Seeds of the runtime world fuzz target: small worlds of every object kind, saved by our
// writer at version 28, at older versions the loader reads, and at version 3.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "fuzz/seeds/seed_registry.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_derive.h"
#include "lib/landscape/runtime_world.h"

namespace {

Landscape SeedWorld(int landWidth, int ratio, int objectCount) {
  Landscape land;
  land.worldName = "seed";
  land.Resize(landWidth, landWidth * ratio, 20.0f);
  for (int z = 0; z < land.terrainWidth; ++z)
    for (int x = 0; x < land.terrainWidth; ++x)
      land.heights[land.TerrainIndex(x, z)] = static_cast<float>((x * 5 + z * 3) % 13) - 4.0f;
  land.textures = {{"data\\grass.paa", 1}, {"", -1}, {"data\\rock.paa", 2}};
  for (size_t i = 0; i < land.textureIndices.size(); ++i)
    land.textureIndices[i] = static_cast<uint16_t>(i % 3 == 1 ? 2 : 0);
  const ObjectKind kinds[] = {ObjectKind::kPrimary, ObjectKind::kNetwork, ObjectKind::kBuilding, ObjectKind::kTemporary,
                              ObjectKind::kVehicle};
  const float size = static_cast<float>(landWidth) * land.cellSize;
  for (int i = 0; i < objectCount; ++i) {
    LandscapeObject object;
    object.id = i + 1;
    object.modelName = "data\\m" + std::to_string(i % 3) + ".p3d";
    object.transform.position = {std::fmod(static_cast<float>(i) * 29.0f, size), 1.0f,
                                 std::fmod(static_cast<float>(i) * 47.0f, size)};
    object.kind = kinds[i % 5];
    object.mapType = static_cast<MapType>(i % 14);
    object.footprintSize = static_cast<float>(i % 4);
    object.coverageWeight = static_cast<CoverageWeight>(i % 3);
    object.cellFlagByte = static_cast<uint8_t>(i % 2 ? 3 : 19);
    if (i % 4 == 0) {
      object.configClass = "Land_Seed";
      object.propertyClass = "house";
      object.entityValue = static_cast<uint64_t>(i);
    }
    if (i == 1) object.roadPoints = {{1, 0, 1}, {2, 0, 2}};
    land.objects.push_back(object);
  }
  land.peaks = {{10, 8, 10}};
  if (objectCount > 1) {
    RoadElement road;
    road.points = {{5, 0, 5}, {15, 0, 5}};
    road.pointBytes = {0, 1};
    road.objectId = 2;
    land.roads[0].push_back(road);
  }
  DeriveCellData(land);
  return land;
}

std::string Save(Landscape& land, int version) {
  QOStrStream out;
  SerializeBinStream f(&out);
  if (!TransferRuntimeWorld(f, land, land.worldName, version)) {
    std::fprintf(stderr, "seed world does not save at version %d\n", version);
    std::abort();
  }
  const std::string bytes = out.Str();
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  Landscape back;
  back.cellSize = land.cellSize;
  if (LoadRuntimeWorld(back, in, "seed") != 0) {
    std::fprintf(stderr, "seed world does not load back at version %d\n", version);
    std::abort();
  }
  return bytes;
}

int WriteRuntimeWorldSeeds(const std::filesystem::path& folder) {
  SetNoLogs(true);
  int written = 0;
  Landscape empty = SeedWorld(4, 1, 0);
  written += WriteSeed(folder, "empty_28", Save(empty, kRuntimeWorldVersion));
  Landscape small = SeedWorld(4, 2, 12);
  for (int version : {28, 25, 22, 18, 15, 3})
    written += WriteSeed(folder, "small_" + std::to_string(version), Save(small, version));
  Landscape padded = SeedWorld(8, 1, 20);  // a width that is no power of 4
  written += WriteSeed(folder, "padded_28", Save(padded, kRuntimeWorldVersion));
  Landscape large = SeedWorld(16, 2, 40);  // blocks of 1024 bytes and more: LZO and LZSS
  written += WriteSeed(folder, "large_28", Save(large, kRuntimeWorldVersion));
  written += WriteSeed(folder, "large_3", Save(large, kOldRuntimeWorldVersion));
  SetNoLogs(false);
  return written;
}

SeedRegistration runtimeWorldSeeds("landscape_runtime_world", WriteRuntimeWorldSeeds);

}  // namespace
