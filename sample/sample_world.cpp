#include "sample/sample_world.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "lib/landscape/testing/source_world_writer.h"
#include "lib/shape/testing/mlod_writer.h"

namespace {

constexpr int kLandWidth = 256;
constexpr int kTerrainWidth = 512;
constexpr float kCellSize = 20.0f;  // a 5120 m square island
constexpr float kSpacing = kLandWidth * kCellSize / kTerrainWidth;
constexpr float kGeometry = 1e13f;
constexpr float kMemory = 1e15f;
constexpr float kRoadPieceLength = 20.0f;

const char kModels[] = "kilnify_sample\\models\\world\\";

// Textures of the land cells, by index.
enum Ground : uint16_t { kGrass, kSand, kRock, kForestFloor };

// A small deterministic generator: the sample is the same on every machine.
class Random {
 public:
  float Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<float>(state_ >> 40) / static_cast<float>(1 << 24);
  }
  float Range(float low, float high) { return low + (high - low) * Next(); }

 private:
  uint64_t state_ = 0x5eed;
};

struct Hill {
  float x, z, height, radius;
};
// Two hills and a range; a lake (a hollow below sea level) in the south-east.
const Hill kHills[] = {
    {1500, 3600, 180, 700},
    {3700, 3300, 120, 500},
    {2600, 4400, 90, 900},
    {3600, 1400, -40, 450},
};

float HeightAt(float x, float z) {
  float h = 12.0f;
  for (const Hill& hill : kHills) {
    const float dx = x - hill.x, dz = z - hill.z;
    h += hill.height * std::exp(-(dx * dx + dz * dz) / (hill.radius * hill.radius));
  }
  h += 3.0f * std::sin(x * 0.004f) * std::cos(z * 0.005f);
  return h;
}

// A visual and a geometry level from a grid of `sizeX` x `sizeZ` metres, with the
// geometry's named properties.
mlod::Model PropModel(int sizeX, int sizeZ, const std::string& texture,
                      const std::vector<std::pair<std::string, std::string>>& properties) {
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(sizeX, sizeZ, 1.0f, texture));
  mlod::Lod geometry = mlod::MakeGridLod(sizeX, sizeZ, kGeometry, "");
  geometry.AddMasses(std::vector<float>(geometry.points.size(), 50.0f));
  for (const auto& [name, value] : properties) geometry.AddProperty(name, value);
  model.lods.push_back(geometry);
  return model;
}

// A straight road piece along z with its two connection points in the memory level.
mlod::Model RoadPiece() {
  mlod::Model model = PropModel(6, static_cast<int>(kRoadPieceLength), "kilnify_sample\\data\\crate_co.paa",
                                {{"map", "road"}, {"autocenter", "0"}});
  mlod::Lod memory;
  memory.resolution = kMemory;
  memory.points.push_back({{3.0f, 0.0f, 0.0f}, 0});
  memory.points.push_back({{3.0f, 0.0f, kRoadPieceLength}, 0});
  memory.AddSelectionOf("connect1", {0}, {});
  memory.AddSelectionOf("connect2", {1}, {});
  model.lods.push_back(memory);
  return model;
}

Matrix4 Standing(float x, float z, float angle, float y) { return wrp::PlacedAt(x, y, z, angle); }

void PlaceObjects(wrp::World& world) {
  Random random;
  int32_t id = 0;
  auto place = [&](const std::string& model, float x, float z, float angle) {
    world.objects.push_back({++id, model, Standing(x, z, angle, HeightAt(x, z)), 0, 0, 0, 0});
  };
  // A road from the west coast to the east, pieces end to end along x (turned a quarter).
  const float roadZ = 2400.0f;
  for (float x = 400.0f; x < 4600.0f; x += kRoadPieceLength)
    place(std::string(kModels) + "road.p3d", x, roadZ, std::numbers::pi_v<float> / 2);
  // A village of houses along the road.
  for (int i = 0; i < 24; ++i) {
    const float x = 1800.0f + 40.0f * static_cast<float>(i / 2);
    place(std::string(kModels) + "house.p3d", x, roadZ + (i % 2 ? 25.0f : -25.0f), random.Range(0.0f, 0.3f));
  }
  // Woods on the hills: trees scattered around the summits, rocks on the highest one.
  for (int i = 0; i < 320; ++i) {
    const Hill& hill = kHills[i % 3];
    const float r = hill.radius * 0.8f * std::sqrt(random.Next()), a = random.Range(0.0f, 6.2831f);
    place(std::string(kModels) + "tree.p3d", hill.x + r * std::cos(a), hill.z + r * std::sin(a), a);
  }
  for (int i = 0; i < 30; ++i) {
    const float a = random.Range(0.0f, 6.2831f), r = random.Range(50.0f, 300.0f);
    place(std::string(kModels) + "rock.p3d", kHills[0].x + r * std::cos(a), kHills[0].z + r * std::sin(a), a);
  }
  // Crates of the sample addon in the village square.
  for (int i = 0; i < 6; ++i)
    place("kilnify_sample\\models\\crate.p3d", 2000.0f + 3.0f * static_cast<float>(i), roadZ + 8.0f, 0.0f);
}

wrp::World SampleIsland() {
  wrp::World world = wrp::MakeFlatWorld(8, kLandWidth, kTerrainWidth, kCellSize);
  world.textures = {{"kilnify_sample\\data\\grass_co.paa", 0},
                    {"kilnify_sample\\data\\sand_co.paa", 1},
                    {"kilnify_sample\\data\\rock_co.paa", 2},
                    {"kilnify_sample\\data\\forest_co.paa", 3}};
  for (int z = 0; z < kTerrainWidth; ++z)
    for (int x = 0; x < kTerrainWidth; ++x)
      world.heights[static_cast<size_t>(z) * kTerrainWidth + x] =
          HeightAt(static_cast<float>(x) * kSpacing, static_cast<float>(z) * kSpacing);
  for (int z = 0; z < kLandWidth; ++z) {
    for (int x = 0; x < kLandWidth; ++x) {
      const float h = HeightAt((static_cast<float>(x) + 0.5f) * kCellSize, (static_cast<float>(z) + 0.5f) * kCellSize);
      world.textureIndices[static_cast<size_t>(z) * kLandWidth + x] = h < 2.0f     ? kSand
                                                                      : h > 120.0f ? kRock
                                                                      : h > 60.0f  ? kForestFloor
                                                                                   : kGrass;
    }
  }
  PlaceObjects(world);
  return world;
}

}  // namespace

bool WriteSampleWorld(const std::filesystem::path& addon) {
  const std::filesystem::path models = addon / "models" / "world";
  return mlod::WriteModelFile(PropModel(2, 2, "kilnify_sample\\data\\barrel_co.paa", {{"map", "tree"}}),
                              models / "tree.p3d") &&
         mlod::WriteModelFile(PropModel(8, 6, "kilnify_sample\\data\\crate_co.paa",
                                        {{"map", "house"}, {"class", "house"}, {"configclass", "SampleHouse"}}),
                              models / "house.p3d") &&
         mlod::WriteModelFile(PropModel(3, 3, "kilnify_sample\\data\\crate_co.paa", {{"map", "rock"}}),
                              models / "rock.p3d") &&
         mlod::WriteModelFile(RoadPiece(), models / "road.p3d") &&
         wrp::WriteWorldFile(SampleIsland(), addon / "world" / "sample_island.wrp");
}
