// Seeds of the runtime model fuzz target: source models from our writer, loaded and saved
// in the runtime format, and a model with a skeleton and animation records.
#include <cstdio>
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "engine/material_cache.h"
#include "engine/texture_bank.h"
#include "fuzz/seeds/seed_registry.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_model.h"
#include "lib/shape/packed_normal.h"
#include "lib/shape/testing/mlod_writer.h"

namespace {

void RequireValid(bool valid, const std::string& what) {
  if (valid) return;
  std::fprintf(stderr, "seed does not load back: %s\n", what.c_str());
  std::abort();
}

std::vector<mlod::Model> SourceModels() {
  std::vector<mlod::Model> models;
  mlod::Lod visual = mlod::MakeGridLod(3, 2, 1.0f, "data\\wall_co.paa");
  visual.AddSelectionOf("door", {0, 1, 4}, {0, 2});
  visual.AddProperty("keyframe", "1");
  visual.AddKeyFrame(0.5f, std::vector<Vector3>(visual.points.size(), Vector3{0, 1, 0}));
  mlod::Lod coarse = mlod::MakeGridLod(1, 1, 2.0f, "data\\wall_co.paa", "", true);
  mlod::Lod geometry = mlod::MakeGridLod(1, 1, 1e13f, "");
  geometry.AddMasses({1, 2, 3, 4});
  geometry.AddProperty("class", "house");
  mlod::Lod memory;
  memory.resolution = 1e15f;
  memory.points = {{{0, 1, 0}, 0}};
  memory.AddSelectionOf("pos", {0}, {});
  models.push_back({mlod::Container::MLOD, 0x101, {visual, coarse, geometry, memory}, std::nullopt});
  mlod::Lod big = mlod::MakeGridLod(24, 20, 1.0f, "data\\big_co.paa");  // LZO blocks
  models.push_back({mlod::Container::MLOD, 0x101, {big}, std::nullopt});
  return models;
}

// A small model with a skeleton, weights, a proxy and animation records.
void SkinnedModel(LODShape& model, RuntimeModelInfo& info) {
  auto shape = std::make_shared<Shape>();
  VertexTable& table = shape->Vertices();
  for (int i = 0; i < 3; ++i) {
    table.Add({static_cast<float>(i), 0, 0}, PackNormal({0, 1, 0}), 0, table.UV(0).Pack(0.5f * i, 0));
    shape->PointToVertex().push_back(static_cast<uint16_t>(i));
    shape->VertexToPoint().push_back(static_cast<uint16_t>(i));
    VertexWeights w;
    w.count = 1;
    w.pairs[0][0] = 0;
    w.pairs[0][1] = 255;
    table.Weights().push_back(w);
  }
  uint16_t face[3] = {0, 1, 2};
  shape->Faces().Add(face, 3);
  ShapeSection section;
  section.end = shape->Faces().DataSize();
  section.boneWindowLength = 1;
  shape->Sections().push_back(section);
  shape->SubSkeletonToSkeleton() = {0};
  shape->SkeletonToSubSkeleton() = {{0}, {}};
  NamedSelection bone("bone");
  bone.Faces() = {0};
  bone.Vertices() = {0, 1, 2};
  bone.VertexWeights() = {255, 255, 255};
  shape->Selections().push_back(bone);
  ProxyObject proxy;
  proxy.name = "seat";
  proxy.selection = 0;
  shape->Proxies().push_back(proxy);
  model.AddLod(shape, 1.0f);
  auto skeleton = std::make_shared<Skeleton>("skel");
  skeleton->AddBone("bone", "");
  skeleton->AddBone("tip", "bone");
  model.Config().skeleton = skeleton;
  RuntimeAnimations animations;
  RuntimeAnimation rotation;
  rotation.name = "turn";
  rotation.source = "time";
  animations.animations.push_back(rotation);
  animations.perLod.push_back({{0, {0, 0, 0}, {0, 1, 0}}});
  info.animations = animations;
}

int WriteRuntimeModelSeeds(const std::filesystem::path& folder) {
  SetNoLogs(true);
  int written = 0;
  int index = 0;
  for (const mlod::Model& source : SourceModels()) {
    std::string bytes = mlod::WriteModel(source);
    QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
    LODShape model;
    RequireValid(model.Load(in, "seed.p3d"), "source model " + std::to_string(index));
    QOStrStream out;
    RequireValid(SaveRuntimeModel(model, out) == 0, "save " + std::to_string(index));
    written += WriteSeed(folder, "model_" + std::to_string(index++), out.Str());
  }
  LODShape skinned;
  RuntimeModelInfo info;
  SkinnedModel(skinned, info);
  QOStrStream out;
  RequireValid(SaveRuntimeModel(skinned, out, &info) == 0, "skinned model");
  std::string saved = out.Str();
  QIStrStream in(saved.data(), static_cast<QFileSize>(saved.size()));
  LODShape back;
  RequireValid(LoadRuntimeModel(back, in, "seed.p3d") == 0, "skinned model load");
  written += WriteSeed(folder, "skinned", saved);
  Materials().DeleteAll();
  Textures().Clear();
  SetNoLogs(false);
  return written;
}

SeedRegistration runtimeModelSeeds("shape_runtime_model", WriteRuntimeModelSeeds);

}  // namespace
