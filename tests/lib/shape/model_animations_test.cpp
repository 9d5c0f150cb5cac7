#include "lib/shape/model_animations.h"

#include <gtest/gtest.h>

#include "el/qstream/qi_file_stream.h"
#include "lib/shape/odol_model.h"
#include "tests/lib/shape/prepare_test_support.h"
#include "tests/support/captured_messages.h"

namespace {

// A door model: a visual LOD with the selection "door", and a memory LOD with the
// hinge's axis; its model.cfg animates the door.
class ModelAnimationsTest : public ::testing::Test {
 protected:
  std::string WriteDoor(const std::string& animations) {
    tree.Write("data/model.cfg", "class CfgModels { class door { class Animations {" + animations + "}; }; };\n");
    mlod::Lod visual = prepare_test::SeparateTriangles(2);
    visual.AddSelectionOf("door", {3, 4, 5}, {1});
    mlod::Lod memory;
    memory.resolution = 1e15f;
    memory.points = {{{1, 0, 0}, 0}, {{1, 2, 0}, 0}};
    memory.AddSelectionOf("hinge_axis", {0, 1}, {});
    return prepare_test::WriteModel(tree, "data/door.p3d", shape_test::ModelOf({visual, memory}));
  }

  TempTree tree;
};

TEST_F(ModelAnimationsTest, RecordsComeFromTheModelConfiguration) {
  LODShape model;
  ASSERT_TRUE(model.Load(WriteDoor("class open { type = \"rotationY\"; source = \"door\"; selection = \"door\";"
                                   " axis = \"hinge_axis\"; minValue = 0; maxValue = 2; angle1 = 1.5;"
                                   " sourceAddress = \"mirror\"; };"
                                   "class off { type = \"disabled\"; };"
                                   "class hidden { type = \"hide\"; selection = \"missing\"; hideValue = 0.5; };")));
  std::optional<RuntimeAnimations> animations = ModelAnimations(model);
  ASSERT_TRUE(animations);
  ASSERT_EQ(animations->animations.size(), 2u);
  const RuntimeAnimation& open = animations->animations[0];
  EXPECT_EQ(open.type, RuntimeAnimationType::RotationY);
  EXPECT_EQ(open.name, "open");
  EXPECT_EQ(open.source, "door");
  EXPECT_EQ(open.minPhase, 0.0f);
  EXPECT_EQ(open.maxPhase, 2.0f);  // phases default to the value range
  EXPECT_EQ(open.value1, 1.5f);
  EXPECT_EQ(open.sourceAddress, 2);
  EXPECT_EQ(animations->animations[1].type, RuntimeAnimationType::Hide);
  EXPECT_EQ(animations->animations[1].value0, 0.5f);

  ASSERT_EQ(animations->perLod.size(), static_cast<size_t>(model.NLods()));
  int visual = 0;
  const RuntimeAnimationLod& moved = animations->perLod[visual][0];
  EXPECT_GE(moved.selection, 0);
  EXPECT_EQ(moved.axisEnd.y - moved.axisBegin.y, 2.0f);
  EXPECT_EQ(animations->perLod[visual][1].selection, -1);
}

TEST_F(ModelAnimationsTest, SavedModelsCarryTheRecords) {
  LODShape model;
  ASSERT_TRUE(model.Load(WriteDoor("class open { type = \"rotation\"; selection = \"door\"; axis = \"hinge_axis\"; };")));
  std::string path = (tree / "out/door.p3d").string();
  std::filesystem::create_directories(tree / "out");
  ASSERT_TRUE(SaveRuntimeModel(model, path));
  LODShape loaded;
  RuntimeModelInfo info;
  ASSERT_TRUE(LoadRuntimeModel(loaded, path, &info));
  ASSERT_TRUE(info.animations);
  EXPECT_EQ(*info.animations, *ModelAnimations(model));
}

TEST_F(ModelAnimationsTest, UnknownTypesAreReportedAndLeftOut) {
  CapturedMessages messages;
  LODShape model;
  ASSERT_TRUE(model.Load(WriteDoor("class odd { type = \"wobble\"; };")));
  std::optional<RuntimeAnimations> animations = ModelAnimations(model);
  ASSERT_TRUE(animations);
  EXPECT_TRUE(animations->animations.empty());
  EXPECT_TRUE(messages.Errored("Unknown animation type wobble"));
}

TEST_F(ModelAnimationsTest, ModelsWithoutAnimationsHaveNoRecords) {
  const mlod::Model box = shape_test::ModelOf({prepare_test::SeparateTriangles(1)});
  LODShape shape;
  ASSERT_TRUE(shape.Load(prepare_test::WriteModel(tree, "plain/box.p3d", box)));
  EXPECT_FALSE(ModelAnimations(shape));
}

}  // namespace
