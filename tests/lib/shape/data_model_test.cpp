// The invariants of the model data model: the LOD limit and special indices of LODShape,
// the texture and material lists of a Shape, skeleton bone names, materials' textures.
#include <gtest/gtest.h>

#include "engine/texture_bank.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/skeleton.h"
#include "lib/shape/tex_material.h"
#include "tests/support/captured_messages.h"

namespace {

TEST(LODShapeList, HoldsAtMostThirtyTwoLods) {
  LODShape model;
  for (int i = 0; i < LODShape::kMaxLods; ++i) EXPECT_TRUE(model.AddLod(std::make_shared<Shape>(), i + 1.0f));
  EXPECT_FALSE(model.AddLod(std::make_shared<Shape>(), 100.0f));
  EXPECT_EQ(model.NLods(), 32);
}

TEST(LODShapeList, SpecialIndicesFollowChanges) {
  LODShape model;
  model.AddLod(std::make_shared<Shape>(), 1.0f);
  model.AddLod(std::make_shared<Shape>(), 1e13f);
  model.AddLod(std::make_shared<Shape>(), 2.0f);  // after a special LOD: not visual
  EXPECT_EQ(model.Special().visualLodCount, 1);
  EXPECT_EQ(model.Special().geometry, 1);
  model.RemoveLod(0);
  EXPECT_EQ(model.Special().geometry, 0);
  EXPECT_EQ(model.Special().visualLodCount, 0);
  model.SetResolution(0, 5e15f);
  EXPECT_EQ(model.Special().geometry, -1);
  EXPECT_EQ(model.Special().hitpoints, 0);
  EXPECT_EQ(model.FindLod(5e15f), 0);
  EXPECT_EQ(model.GeometryLod(), nullptr);
  model.Reset();
  EXPECT_EQ(model.NLods(), 0);
  EXPECT_EQ(model.Special().hitpoints, -1);
  EXPECT_EQ(model.Bounds().invMass, 1e10f);
  EXPECT_EQ(model.PropertyValues().mapType, 22);
}

TEST(ShapeLists, TexturesAndMaterialsOnceEach) {
  Shape shape;
  auto a = std::make_shared<Texture>("a.paa");
  auto b = std::make_shared<Texture>("b.paa");
  EXPECT_EQ(shape.AddTexture(a), 0);
  EXPECT_EQ(shape.AddTexture(b), 1);
  EXPECT_EQ(shape.AddTexture(a), 0);
  EXPECT_EQ(shape.AddTexture(nullptr), -1);
  EXPECT_EQ(shape.Textures().size(), 2u);
  auto m = std::make_shared<TexMaterial>("m");
  EXPECT_EQ(shape.AddMaterial(m), 0);
  EXPECT_EQ(shape.AddMaterial(m), 0);
}

TEST(SkeletonBones, NamesAreLowerCase) {
  CapturedMessages messages;
  Skeleton skeleton("man");
  EXPECT_EQ(skeleton.AddBone("pelvis", ""), 0);
  EXPECT_EQ(skeleton.AddBone("Spine", "pelvis"), 1);
  EXPECT_EQ(messages.lines, (std::vector<std::string>{"error: Bone Spine is not lowercase"}));
  EXPECT_EQ(skeleton.Bone(1).name, "spine");
  EXPECT_EQ(skeleton.FindBone("SPINE"), 1);
  EXPECT_EQ(skeleton.FindBone("head"), -1);
}

TEST(TexMaterialTextures, StagesInUseAndStageTI) {
  TexMaterial m("m");
  m.stages[0].texture = "a.paa";
  m.stages[2].texture = "c.paa";
  m.stages[14].texGen = 3;
  m.stageTI.texture = "ti.paa";
  m.hasStageTI = true;
  m.DeriveCounts();
  EXPECT_EQ(m.StageCount(), 3);
  EXPECT_EQ(m.TexGenCount(), 3);
  EXPECT_EQ(m.TextureNames(), (AutoArray<RString>{"a.paa", "c.paa", "ti.paa"}));
  m.Reset();
  EXPECT_EQ(m.StageCount(), 0);
  EXPECT_TRUE(m.TextureNames().empty());
  EXPECT_EQ(m.Name(), "m");
}

}  // namespace
