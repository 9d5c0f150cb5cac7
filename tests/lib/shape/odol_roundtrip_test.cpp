// Runtime models saved and loaded back through the same transfer routine.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "el/qstream/qi_stream.h"
#include "lib/shape/odol_model.h"
#include "tests/lib/shape/odol_test_support.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace odol_test;
using shape_test::ShapeTest;

class RuntimeModelRoundTrip : public ShapeTest {};

// A visual LOD with everything a block can hold, a second visual LOD, a geometry LOD
// and a memory LOD, and model values away from their defaults.
void FillModel(LODShape& model) {
  model.SetName("filled.p3d");
  TexMaterialRef paint = FilledMaterial("data\\paint.rvmat");
  TexMaterialRef glass = FilledMaterial("data\\glass.rvmat");
  glass->diffuse = {0, 0, 1, 0.5f};
  ShapeRef visual = TriangleShape(4, paint);
  Shape& v = *visual;
  // Two sections: faces 0-1 painted, 2-3 glass and alpha-sorted.
  ShapeSection second = v.Sections()[0];
  v.Sections()[0].end = v.Faces().Next(v.Faces().Next(0));
  second.beg = v.Sections()[0].end;
  second.materialIndex = v.AddMaterial(glass);
  second.textureIndex = v.AddTexture(Textures().Load("data\\glass_ca.paa"));
  second.special = 0x20000;
  second.boneWindowStart = 1;
  second.boneWindowLength = 2;
  second.areaOverTex[0] = 1.5f;
  second.areaOverTex[1] = 2.5f;
  v.Sections().push_back(second);
  v.Sections()[0].boneWindowLength = 2;
  VertexTable& table = v.Vertices();
  table.SetSecondUVSet(true);
  table.UV(1).SetRange(-1, -2, 3, 4);
  for (int i = 0; i < table.NVertices(); ++i) table.UV(1).Packed().Elements().push_back(0x10000u * i + i);
  table.ClipFlagArray().Elements()[3] = 0x00200100;
  for (int i = 0; i < table.NVertices(); ++i) {
    table.Tangents().push_back({PackNormal({1, 0, 0}), PackNormal({0, 0, static_cast<float>(i % 2)})});
    VertexWeights w;
    w.count = 2;
    w.pairs[0][0] = static_cast<uint8_t>(i % 3);
    w.pairs[0][1] = 200;
    w.pairs[1][0] = 2;
    w.pairs[1][1] = 55;
    table.Weights().push_back(w);
  }
  for (int i = 0; i < table.NVertices(); ++i) {
    VertexNeighborInfo record;
    record.next = {static_cast<uint16_t>((i + 1) % table.NVertices()), 0, table.Weights()[0]};
    record.previous = {static_cast<uint16_t>(i), 0, table.Weights()[static_cast<size_t>(i)]};
    table.Neighbors().push_back(record);
  }
  v.SubSkeletonToSkeleton() = {0, 1, 2};
  v.SkeletonToSubSkeleton() = {{0}, {1}, {2}, {}};
  NamedSelection door("door");
  door.Faces() = {0, 2};
  door.Sections() = {0, 1};
  door.Vertices() = {0, 1, 2, 6};
  door.VertexWeights() = {255, 255, 128, 1};
  v.Selections().push_back(door);
  NamedSelection faceWeighted("proxy:data\\seat.01");
  faceWeighted.Faces() = {3};
  faceWeighted.FaceWeights() = {77};
  faceWeighted.Vertices() = {9, 10, 11};
  v.Selections().push_back(faceWeighted);
  v.Properties().Set("keyframe", "1");
  v.Properties().Set("lodnoshadow", "0");
  v.KeyFrames().push_back({0.5f, AutoArray<Vector3>(v.Points().size(), Vector3{1, 2, 3})});
  v.KeyFrames().push_back({1.0f, AutoArray<Vector3>(v.Points().size(), Vector3{4, 5, 6})});
  ProxyObject proxy;
  proxy.name = "data\\seat";
  proxy.transform.position = {1, 2, 3};
  proxy.transform.axisX = {0, 0, 1};
  proxy.id = 1;
  proxy.selection = 1;
  proxy.boneIndex = 2;
  proxy.sectionIndex = 1;
  v.Proxies().push_back(proxy);
  v.SetArea(12.5f);
  v.SetColor(0x80402010u);
  v.SetColorTop(0x11223344u);
  v.SetSpecial(0x20000);
  v.SetLodByte(7);
  model.AddLod(visual, 1.0f);

  ShapeRef second_lod = TriangleShape(2, nullptr, "");
  second_lod->Properties().Set("autocenter", "0");
  // Without a "keyframe" property the key frames are not stored.
  model.AddLod(second_lod, 2.0f);
  ShapeRef geometry = TriangleShape(1, nullptr, "");
  geometry->Properties().Set("class", "house");
  model.AddLod(geometry, 1e13f);
  auto memory = std::make_shared<Shape>();
  model.AddLod(memory, 1e15f);

  auto skeleton = std::make_shared<Skeleton>("carskeleton");
  skeleton->AddBone("body", "");
  skeleton->AddBone("wheel", "body");
  skeleton->AddBone("door", "body");
  skeleton->AddBone("glass", "door");
  skeleton->SetDiscrete(true);
  skeleton->SetPivotsModel("data\\pivots.p3d");
  model.Config().skeleton = skeleton;
  model.Config().htMin = 1;
  model.Config().htMax = 2;
  model.Config().afMax = 3;
  model.Config().mfMax = 4;
  model.Config().mFact = 5;
  model.Config().tBody = 6;
  model.Config().removedSelections = {"damage", "zbytek"};
  model.SetAnimationType(ModelAnimationType::Skeletal);
  LODShapeBounds& b = model.Bounds();
  b.min = {-1, -2, -3};
  b.max = {1, 2, 3};
  b.visualMin = {-0.5f, -1, -1.5f};
  b.visualMax = {0.5f, 1, 1.5f};
  b.center = {0.25f, 0, -0.25f};
  b.radius = 3.7f;
  b.radius2 = 1.2f;
  b.pointA = {1, 1, 1};
  b.pointB = {2, 2, 2};
  b.centerOfMass = {0, -0.5f, 0};
  b.inertia[0] = 2;
  b.inertia[4] = 4;
  b.inertia[8] = 8;
  b.mass = 6;
  b.invMass = 1.0f / 6;
  b.armor = 50;
  b.invArmor = 0.02f;
  model.Masses() = {1, 2, 3};
  LODShapePropertyValues& p = model.PropertyValues();
  p.mapType = 4;
  p.autoCenter = false;
  p.lockAutoCenter = true;
  p.canOcclude = true;
  p.canBeOccluded = true;
  p.generateOffMeshConnections = false;
  p.forceNotAlpha = true;
  p.sbSource = 2;
  p.preferShadowVolume = false;
  p.drawImportance = 3.5f;
  p.className = "house";
  p.damage = "building";
  p.frequent = true;
  p.shadowOffset = 0.25f;
  model.SetModelSpecial(0x2);
  model.SetClipFlags(0x100, 0x200100);
  model.SetColors(0x80FF0000u, 0xFF00FF00u);
  model.SetShaderMarker(1);
  model.Special().shadowLodLimit = 1;
}

void ExpectSameModel(const LODShape& a, const LODShape& b) {
  ASSERT_EQ(a.NLods(), b.NLods());
  for (int i = 0; i < a.NLods(); ++i) {
    EXPECT_EQ(a.Resolution(i), b.Resolution(i));
    SCOPED_TRACE("lod " + std::to_string(i));
    Shape expected = *a.Lod(i);
    if (!expected.Properties().Find("keyframe")) expected.KeyFrames().clear();
    ExpectSameShape(expected, *b.Lod(i));
    EXPECT_EQ(expected.KeyFrames().size(), b.Lod(i)->KeyFrames().size());
    for (size_t k = 0; k < expected.KeyFrames().size() && k < b.Lod(i)->KeyFrames().size(); ++k) {
      EXPECT_EQ(expected.KeyFrames()[k].time, b.Lod(i)->KeyFrames()[k].time);
      EXPECT_EQ(expected.KeyFrames()[k].points, b.Lod(i)->KeyFrames()[k].points);
    }
  }
  const LODShapeBounds& x = a.Bounds();
  const LODShapeBounds& y = b.Bounds();
  EXPECT_EQ(x.min, y.min);
  EXPECT_EQ(x.max, y.max);
  EXPECT_EQ(x.visualMin, y.visualMin);
  EXPECT_EQ(x.visualMax, y.visualMax);
  EXPECT_EQ(x.center, y.center);
  EXPECT_EQ(x.radius, y.radius);
  EXPECT_EQ(x.radius2, y.radius2);
  EXPECT_EQ(x.pointA, y.pointA);
  EXPECT_EQ(x.pointB, y.pointB);
  EXPECT_EQ(x.centerOfMass, y.centerOfMass);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(x.inertia[i], y.inertia[i]);
  EXPECT_EQ(x.mass, y.mass);
  EXPECT_EQ(x.invMass, y.invMass);
  EXPECT_EQ(x.armor, y.armor);
  EXPECT_EQ(x.invArmor, y.invArmor);
  EXPECT_EQ(a.Masses(), b.Masses());
  const LODShapePropertyValues& p = a.PropertyValues();
  const LODShapePropertyValues& q = b.PropertyValues();
  EXPECT_EQ(p.mapType, q.mapType);
  EXPECT_EQ(p.autoCenter, q.autoCenter);
  EXPECT_EQ(p.lockAutoCenter, q.lockAutoCenter);
  EXPECT_EQ(p.canOcclude, q.canOcclude);
  EXPECT_EQ(p.canBeOccluded, q.canBeOccluded);
  EXPECT_EQ(p.generateOffMeshConnections, q.generateOffMeshConnections);
  EXPECT_EQ(p.forceNotAlpha, q.forceNotAlpha);
  EXPECT_EQ(p.sbSource, q.sbSource);
  EXPECT_EQ(p.preferShadowVolume, q.preferShadowVolume);
  EXPECT_EQ(p.drawImportance, q.drawImportance);
  EXPECT_EQ(p.className, q.className);
  EXPECT_EQ(p.damage, q.damage);
  EXPECT_EQ(p.frequent, q.frequent);
  EXPECT_EQ(p.shadowOffset, q.shadowOffset);
  const ModelConfigValues& c = a.Config();
  const ModelConfigValues& d = b.Config();
  EXPECT_EQ(c.htMin, d.htMin);
  EXPECT_EQ(c.htMax, d.htMax);
  EXPECT_EQ(c.afMax, d.afMax);
  EXPECT_EQ(c.mfMax, d.mfMax);
  EXPECT_EQ(c.mFact, d.mFact);
  EXPECT_EQ(c.tBody, d.tBody);
  EXPECT_EQ(c.removedSelections, d.removedSelections);
  ASSERT_EQ(!c.skeleton, !d.skeleton);
  if (c.skeleton) {
    EXPECT_EQ(c.skeleton->Name(), d.skeleton->Name());
    EXPECT_EQ(c.skeleton->IsDiscrete(), d.skeleton->IsDiscrete());
    EXPECT_EQ(c.skeleton->PivotsModel(), d.skeleton->PivotsModel());
    ASSERT_EQ(c.skeleton->NBones(), d.skeleton->NBones());
    for (int i = 0; i < c.skeleton->NBones(); ++i) {
      EXPECT_EQ(c.skeleton->Bone(i).name, d.skeleton->Bone(i).name);
      EXPECT_EQ(c.skeleton->Bone(i).parent, d.skeleton->Bone(i).parent);
    }
  }
  EXPECT_EQ(a.AnimationType(), b.AnimationType());
  EXPECT_EQ(a.ModelSpecial(), b.ModelSpecial());
  EXPECT_EQ(a.ClipFlagsAnd(), b.ClipFlagsAnd());
  EXPECT_EQ(a.ClipFlagsOr(), b.ClipFlagsOr());
  EXPECT_EQ(a.Color(), b.Color());
  EXPECT_EQ(a.ColorTop(), b.ColorTop());
  EXPECT_EQ(a.ShaderMarker(), b.ShaderMarker());
  EXPECT_EQ(a.Special().geometry, b.Special().geometry);
  EXPECT_EQ(a.Special().memory, b.Special().memory);
  EXPECT_EQ(a.Special().visualLodCount, b.Special().visualLodCount);
}

TEST_F(RuntimeModelRoundTrip, FilledModelLoadsBackEqual) {
  LODShape model;
  FillModel(model);
  std::string bytes = Save(model);
  EXPECT_TRUE(shape_test::HasLine(messages, "DIAG-SERIALIZED BoundingCenter of filled.p3d: 0.25,-0.25"))
      << messages.Text();
  LODShape loaded;
  ASSERT_EQ(Load(bytes, loaded), 0) << messages.Text();
  ExpectSameModel(model, loaded);
  EXPECT_EQ(loaded.Special().shadowLodLimit, 1);
  // A load keeps what a second save needs: the same bytes come out.
  EXPECT_EQ(Save(loaded), bytes);
  // alpha 0x80: 4 ln(1 - 1.5 * 128/255)
  EXPECT_FLOAT_EQ(loaded.ViewDensity(), 4.0f * std::log(1.0f - 1.5f * 128.0f / 255.0f));
}

TEST_F(RuntimeModelRoundTrip, OpaqueColourAndHugeDrawImportanceLoadClamped) {
  LODShape model;
  FillModel(model);
  model.SetColors(0xFF000000u, 0);
  model.PropertyValues().drawImportance = 1e6f;
  LODShape loaded;
  ASSERT_EQ(Load(Save(model), loaded), 0);
  EXPECT_EQ(loaded.ViewDensity(), -100.0f);
  EXPECT_EQ(loaded.PropertyValues().drawImportance, 10000.0f);
}

TEST_F(RuntimeModelRoundTrip, AnimationRecords) {
  LODShape model;
  FillModel(model);
  RuntimeModelInfo info;
  RuntimeAnimations animations;
  RuntimeAnimation rotation;
  rotation.type = RuntimeAnimationType::RotationX;
  rotation.name = "wheel";
  rotation.source = "wheel";
  rotation.minPhase = -1;
  rotation.maxPhase = 2;
  rotation.maxValue = 3;
  rotation.sourceAddress = 1;
  rotation.value0 = 0;
  rotation.value1 = 6.28f;
  rotation.axis = {"wheel_axis", "", ""};
  RuntimeAnimation direct;
  direct.type = RuntimeAnimationType::Direct;
  direct.name = "arm";
  direct.directPoints[0] = {1, 2, 3};
  direct.directPoints[1] = {4, 5, 6};
  direct.directValues[0] = 7;
  direct.directValues[1] = 8;
  RuntimeAnimation hide;
  hide.type = RuntimeAnimationType::Hide;
  hide.name = "glass";
  hide.value0 = 0.5f;
  animations.animations = {rotation, direct, hide};
  for (int lod = 0; lod < model.NLods(); ++lod) {
    AutoArray<RuntimeAnimationLod> records(3);
    if (lod == 0) records[0] = {0, {0, 0, 0}, {1, 0, 0}};
    if (lod == 0) records[2] = {1, {}, {}};
    animations.perLod.push_back(records);
  }
  info.animations = animations;
  std::string bytes = Save(model, &info);
  LODShape loaded;
  RuntimeModelInfo back;
  ASSERT_EQ(Load(bytes, loaded, &back), 0);
  ASSERT_TRUE(back.animations.has_value());
  EXPECT_EQ(*back.animations, animations);
  ExpectSameModel(model, loaded);
}

TEST_F(RuntimeModelRoundTrip, SourceModelsFromTheWriter) {
  std::vector<mlod::Model> sources;
  {
    mlod::Lod visual = mlod::MakeGridLod(6, 5, 1.0f, "data\\wall_co.paa");
    visual.AddSelectionOf("door", {0, 1, 4}, {0, 2});
    visual.AddProperty("keyframe", "1");
    visual.AddKeyFrame(0.5f, std::vector<Vector3>(visual.points.size(), Vector3{0, 1, 0}));
    mlod::Lod coarse = mlod::MakeGridLod(2, 2, 2.0f, "data\\wall_co.paa", "", true);
    mlod::Lod geometry = mlod::MakeGridLod(1, 1, 1e13f, "");
    geometry.AddMasses({1, 2, 3, 4});
    geometry.AddProperty("map", "house");
    mlod::Lod memory;
    memory.resolution = 1e15f;
    memory.points = {{{0, 1, 0}, 0}};
    memory.AddSelectionOf("pos", {0}, {});
    sources.push_back(shape_test::ModelOf({visual, coarse, geometry, memory}));
  }
  {
    mlod::Lod big = mlod::MakeGridLod(40, 30, 0.5f, "data\\big_co.paa");  // arrays beyond 1024 bytes
    mlod::Lod shadow = mlod::MakeGridLod(1, 1, 10000.0f, "");
    sources.push_back(shape_test::ModelOf({big, shadow}));
  }
  sources.push_back(shape_test::ModelOf({shape_test::TriangleLod()}));
  for (size_t i = 0; i < sources.size(); ++i) {
    SCOPED_TRACE("model " + std::to_string(i));
    std::string source = mlod::WriteModel(sources[i]);
    QIStrStream in(source.data(), static_cast<QFileSize>(source.size()));
    LODShape model;
    ASSERT_TRUE(model.Load(in, "source.p3d")) << messages.Text();
    int shadowLodLimit = model.Special().shadowLodLimit;
    std::string bytes = Save(model);
    LODShape loaded;
    ASSERT_EQ(Load(bytes, loaded), 0) << messages.Text();
    ExpectSameModel(model, loaded);
    EXPECT_EQ(loaded.Special().shadowLodLimit, shadowLodLimit);
    loaded.Special().shadowLodLimit = shadowLodLimit;
    EXPECT_EQ(Save(loaded), bytes);
  }
}

TEST_F(RuntimeModelRoundTrip, SavedToAFileThroughATemporaryFile) {
  TempTree tree;
  LODShape model;
  FillModel(model);
  std::string path = (tree / "out/model.p3d").string();
  std::filesystem::create_directories(tree / "out");
  ASSERT_TRUE(SaveRuntimeModel(model, path));
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(tree / "out")) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);  // no temporary file left behind
  LODShape loaded;
  RuntimeModelInfo info;
  ASSERT_TRUE(LoadRuntimeModel(loaded, path, &info)) << messages.Text();
  EXPECT_EQ(loaded.Name(), path);
  ExpectSameModel(model, loaded);
}

}  // namespace
