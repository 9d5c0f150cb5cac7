#include "sample/sample_models.h"

#include <cmath>
#include <fstream>
#include <string>

#include "lib/animation/testing/rtm_writer.h"
#include "lib/shape/testing/mlod_writer.h"
#include "sample/sample_texts.h"
#include "sample/sample_world.h"
#include "sample/tga_writer.h"

namespace {

constexpr float kGeometry = 1e13f;
constexpr float kMemory = 1e15f;
constexpr float kShadowVolume = 10000.0f;
constexpr float kShadowVolumeViewCargo = 1.8e16f;  // kept as a shadow volume, not set aside

const char kTexturePath[] = "kilnify_sample\\data\\";

bool WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

std::vector<int> AllIndices(size_t count) {
  std::vector<int> indices(count);
  for (size_t i = 0; i < count; ++i) indices[i] = static_cast<int>(i);
  return indices;
}

// A geometry LOD with the model's masses and a class property.
mlod::Lod GeometryLod(const std::string& objectClass) {
  mlod::Lod geometry = mlod::MakeGridLod(1, 1, kGeometry, "");
  geometry.AddMasses(std::vector<float>(geometry.points.size(), 25.0f));
  geometry.AddProperty("class", objectClass);
  geometry.AddSelectionOf("component01", AllIndices(geometry.points.size()), AllIndices(geometry.faces.size()));
  return geometry;
}

// A memory LOD holding one named point.
mlod::Lod MemoryLod(const std::string& pointName) {
  mlod::Lod memory;
  memory.resolution = kMemory;
  memory.points.push_back({{0.0f, 1.0f, 0.0f}, 0});
  memory.AddSelectionOf(pointName, {0}, {});
  return memory;
}

mlod::Model Crate() {
  const std::string texture = std::string(kTexturePath) + "crate_co.paa";
  const std::string material = std::string(kTexturePath) + "crate.rvmat";
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(8, 8, 1.0f, texture, material));
  model.lods.push_back(mlod::MakeGridLod(4, 4, 2.0f, texture, material));
  model.lods.push_back(mlod::MakeGridLod(2, 2, 4.0f, texture, "#sample_metal"));
  model.lods.push_back(mlod::MakeGridLod(2, 2, kShadowVolume, ""));
  model.lods.push_back(GeometryLod("house"));
  model.lods.push_back(MemoryLod("light_pos"));
  return model;
}

// A barrel with a proxy: a small triangle whose selection names the model it stands for.
mlod::Model Barrel() {
  const std::string texture = std::string(kTexturePath) + "barrel_co.paa";
  mlod::Model model;
  mlod::Lod visual = mlod::MakeGridLod(6, 3, 1.0f, texture, std::string(kTexturePath) + "crate.rvmat", true);
  size_t first = visual.points.size();
  visual.points.push_back({{0.0f, 0.0f, 0.0f}, 0});
  visual.points.push_back({{0.0f, 0.0f, 1.0f}, 0});
  visual.points.push_back({{0.0f, 2.0f, 0.0f}, 0});
  mlod::Face proxy;
  proxy.n = 3;
  for (uint32_t i = 0; i < 3; ++i) proxy.corners[i] = {static_cast<uint32_t>(first + i), 0, 0.0f, 0.0f};
  visual.faces.push_back(proxy);
  visual.AddSelectionOf("proxy:\\kilnify_sample\\models\\crate.001",
                        {static_cast<int>(first), static_cast<int>(first + 1), static_cast<int>(first + 2)},
                        {static_cast<int>(visual.faces.size() - 1)});
  model.lods.push_back(visual);
  model.lods.push_back(mlod::MakeGridLod(3, 2, 3.0f, texture));
  model.lods.push_back(GeometryLod("thing"));
  return model;
}

// A grid of 2d x 3d cells standing up along z, skinned to three bones by height.
mlod::Lod SkinnedGrid(int detail, float resolution, const std::string& texture) {
  mlod::Lod lod = mlod::MakeGridLod(2 * detail, 3 * detail, resolution, texture);
  size_t count = lod.points.size();
  std::vector<uint8_t> pelvis(count), spine(count), head(count);
  for (size_t i = 0; i < count; ++i) {
    float height = lod.points[i].position.z / (3.0f * static_cast<float>(detail));  // 0 at the feet, 1 at the top
    pelvis[i] = height < 0.34f ? 255 : 0;
    spine[i] = height >= 0.34f && height < 0.67f ? 255 : (height < 0.34f ? 0 : 64);
    head[i] = height >= 0.67f ? 191 : 0;
  }
  std::vector<uint8_t> noFaces(lod.faces.size(), 0);
  lod.AddSelection("pelvis", pelvis, noFaces);
  lod.AddSelection("spine", spine, noFaces);
  lod.AddSelection("head", head, noFaces);
  return lod;
}

// A figure skinned to three bones, with an animation in its model.cfg and a shadow volume
// that follows the skeleton.
mlod::Model Figure() {
  const std::string texture = std::string(kTexturePath) + "figure_co.paa";
  mlod::Model model;
  for (int detail : {2, 1}) {
    mlod::Lod lod = SkinnedGrid(detail, 3.0f - static_cast<float>(detail), texture);
    lod.AddSelectionOf("camo", {}, AllIndices(lod.faces.size()));
    model.lods.push_back(lod);
  }
  model.lods.push_back(SkinnedGrid(1, kShadowVolume, ""));
  model.lods.push_back(SkinnedGrid(1, kShadowVolumeViewCargo, ""));
  mlod::Lod memory;
  memory.resolution = kMemory;
  memory.points.push_back({{2.0f, 0.0f, 4.0f}, 0});
  memory.points.push_back({{2.0f, 1.0f, 4.0f}, 0});
  memory.AddSelectionOf("head_axis", {0, 1}, {});
  model.lods.push_back(memory);
  model.lods.push_back(GeometryLod("man"));
  return model;
}

// A walk of the figure's skeleton: the pelvis bobs and moves forward along y, the spine
// sways and the head looks from side to side; 12 phases cover one step of 0.8.
rtm::Animation FigureWalk() {
  constexpr int kPhases = 12;
  constexpr float kTurn = 6.2831853f;
  rtm::Animation walk;
  walk.step = {0.0f, 0.8f, 0.0f};
  walk.boneNames = {"pelvis", "spine", "head"};
  for (int p = 0; p < kPhases; ++p) {
    float t = static_cast<float>(p) / kPhases;
    float bob = 0.05f * std::cos(2 * kTurn * t);
    rtm::Phase phase;
    phase.time = t;
    phase.bones.push_back({"pelvis", rtm::Transform(0.0f, 0.8f * t, bob)});
    phase.bones.push_back({"spine", rtm::Transform(0.0f, 0.8f * t, 1.0f + bob, 0.1f * std::sin(kTurn * t))});
    phase.bones.push_back({"head", rtm::Transform(0.0f, 0.8f * t, 2.0f + bob, 0.4f * std::sin(kTurn * t))});
    walk.phases.push_back(std::move(phase));
  }
  return walk;
}

}  // namespace

bool WriteSampleAddon(const std::filesystem::path& root) {
  const std::filesystem::path addon = root / "kilnify_sample";
  return WriteText(addon / "config.cpp", kSampleConfig) && WriteText(addon / "models" / "model.cfg", kSampleModelCfg) &&
         WriteText(addon / "data" / "crate.rvmat", kSampleMaterial) &&
         WriteText(addon / "readme.txt", "Sample addon generated by kilnify-sample.\n") &&
         WriteText(addon / "textures.lst",
                   "kilnify_sample\\data\\crate_co.tga\nkilnify_sample\\data\\barrel_co.tga\n"
                   "kilnify_sample\\data\\figure_co.tga\nkilnify_sample\\data\\extra_co.tga\n"
                   "kilnify_sample\\data\\grass_co.tga\nkilnify_sample\\data\\sand_co.tga\n"
                   "kilnify_sample\\data\\rock_co.tga\nkilnify_sample\\data\\forest_co.tga\n") &&
         mlod::WriteModelFile(Crate(), addon / "models" / "crate.p3d") &&
         mlod::WriteModelFile(Barrel(), addon / "models" / "props" / "barrel.p3d") &&
         mlod::WriteModelFile(Figure(), addon / "models" / "figure.p3d") &&
         rtm::WriteAnimationFile(FigureWalk(), addon / "models" / "anims" / "figure_walk.rtm") &&
         WriteSampleTga(addon / "data" / "crate_co.tga", 64, 64, false) &&
         WriteSampleTga(addon / "data" / "barrel_co.tga", 32, 64, false) &&
         WriteSampleTga(addon / "data" / "figure_co.tga", 64, 32, true) &&
         WriteSampleTga(addon / "data" / "extra_co.tga", 16, 16, true) &&
         WriteSampleTga(addon / "data" / "grass_co.tga", 32, 32, false) &&
         WriteSampleTga(addon / "data" / "sand_co.tga", 32, 32, false) &&
         WriteSampleTga(addon / "data" / "rock_co.tga", 32, 32, false) &&
         WriteSampleTga(addon / "data" / "forest_co.tga", 32, 32, false) && WriteSampleWorld(addon);
}
