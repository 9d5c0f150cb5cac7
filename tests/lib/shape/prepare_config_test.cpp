// The model configuration: file set, merging, the class name rule, skeletons.
#include <gtest/gtest.h>

#include "el/paramfile/param_file.h"
#include "engine/global_config.h"
#include "lib/shape/bone_skeleton_config.h"
#include "lib/shape/model_config.h"
#include "tests/lib/shape/prepare_test_support.h"

namespace {

using shape_test::HasLine;

class PrepareConfigTest : public shape_test::ShapeTest {
 protected:
  TempTree tree;
};

// The skeleton class `name` of a "CfgSkeletons" given as configuration text.
SkeletonRef SkeletonOf(TempTree& tree, const std::string& text, const std::string& name) {
  tree.Write("skeletons.cfg", "class CfgSkeletons {\n" + text + "\n};\n");
  ParamFile file;
  EXPECT_EQ(file.Parse((tree / "skeletons.cfg").string()), 0);
  return SkeletonFromClass(file.GetClass("CfgSkeletons"), name);
}

AutoArray<RString> BoneNames(const Skeleton& skeleton) {
  AutoArray<RString> names;
  for (const SkeletonBone& bone : skeleton.Bones()) names.push_back(bone.name);
  return names;
}

TEST(ModelConfigName, ReplacesSpacesDashesSlashesAndParentheses) {
  EXPECT_EQ(ModelConfigClassName("data\\vehicles\\my tank(2).p3d"), "my_tank_2_");
  EXPECT_EQ(ModelConfigClassName("a/b/car-x.p3d"), "car_x");
  EXPECT_EQ(ModelConfigClassName("box"), "box");
  EXPECT_EQ(ModelConfigClassName("a.b\\house.v2.p3d"), "house.v2");
}

TEST(ModelConfigName, FilesRunFromTheOutermostFolderToTheModelsOwnFile) {
  EXPECT_EQ(ModelConfigFiles("a\\b\\tank.p3d"),
            (AutoArray<RString>{"model.cfg", "a\\model.cfg", "a\\b\\model.cfg", "a\\b\\tank.cfg"}));
  EXPECT_EQ(ModelConfigFiles("/x/tank.p3d"), (AutoArray<RString>{"/model.cfg", "/x/model.cfg", "/x/tank.cfg"}));
}

TEST_F(PrepareConfigTest, InnerFoldersAndTheOwnFileOverrideOuterOnes) {
  tree.Write("a/model.cfg", "class CfgModels { class my_tank_2_ { htMin = 1; htMax = 5; tBody = 7; }; };\n");
  tree.Write("a/b/model.cfg", "class CfgModels { class my_tank_2_ { htMin = 2; }; };\n");
  tree.Write("a/b/my tank(2).cfg", "class CfgModels { class my_tank_2_ { afMax = 3; tBody = 8; }; };\n");
  tree.Write("a/b/c/model.cfg", "class CfgModels { class my_tank_2_ { htMin = 99; }; };\n");  // not a parent
  std::string path = prepare_test::WriteModel(tree, "a/b/my tank(2).p3d", shape_test::ModelOf({shape_test::TriangleLod()}));

  LODShape model;
  ASSERT_TRUE(model.Load(path));
  const ModelConfigValues& config = model.Config();
  ASSERT_NE(config.modelClass, nullptr);
  EXPECT_FLOAT_EQ(config.htMin, 2.0f);
  EXPECT_FLOAT_EQ(config.htMax, 5.0f);
  EXPECT_FLOAT_EQ(config.afMax, 3.0f);
  EXPECT_FLOAT_EQ(config.tBody, 8.0f);
  EXPECT_FLOAT_EQ(config.mfMax, 0.0f);
}

TEST_F(PrepareConfigTest, SkeletonNameBindsTheSkeletonOfTheModelConfiguration) {
  tree.Write("m/model.cfg",
             "class CfgSkeletons { class Body { skeletonBones[] = {\"Spine\", \"\", \"arm\", \"spine\"}; }; };\n"
             "class CfgModels { class Default {}; class man : Default { skeletonName = \"body\"; "
             "removeSelections[] = {\"gone\"}; }; };\n");
  mlod::Lod lod = shape_test::TriangleLod();
  lod.AddSelectionOf("spine", {0, 1, 2}, {0});
  lod.AddSelectionOf("gone", {0}, {});
  std::string path = prepare_test::WriteModel(tree, "m/man.p3d", shape_test::ModelOf({lod}));

  LODShape model;
  ASSERT_TRUE(model.Load(path));
  ASSERT_TRUE(model.Config().skeleton);
  EXPECT_EQ(BoneNames(*model.Config().skeleton), (AutoArray<RString>{"spine", "arm"}));
  EXPECT_EQ(model.AnimationType(), ModelAnimationType::Skeletal);
  const Shape& shape = *model.Lod(0);
  EXPECT_EQ(shape.SubSkeletonToSkeleton(), AutoArray<int>{0});
  EXPECT_EQ(shape.Vertices().Weights().size(), 3u);
  EXPECT_EQ(model.Config().removedSelections, AutoArray<RString>{"gone"});
  EXPECT_LT(shape.FindSelection("gone"), 0);
  EXPECT_GE(shape.FindSelection("spine"), 0);
  EXPECT_FALSE(HasLine(messages, "Obsolete CfgSkeletons"));
}

TEST_F(PrepareConfigTest, SkeletonMissingFromTheModelConfigurationComesFromTheGlobalOne) {
  ParamClass* global = GlobalConfig().AddClass("CfgSkeletons");
  ASSERT_NE(global, nullptr);
  ParamClass* old = global->AddClass("OldOne");
  ParamArray* bones = old->AddArray("skeletonBones");
  bones->AddValue(IParamArrayValue::String("root"));
  bones->AddValue(IParamArrayValue::String(""));
  SkeletonRef skeleton = ModelSkeleton(nullptr, "oldone");
  GlobalConfig().Delete("CfgSkeletons");
  EXPECT_TRUE(HasLine(messages, "Obsolete CfgSkeletons for oldone, move to model.cfg"));
  EXPECT_EQ(BoneNames(*skeleton), AutoArray<RString>{"root"});
}

TEST_F(PrepareConfigTest, InheritedBonesComeFirstAndBonesAreOrderedDepthFirst) {
  SkeletonRef derived = SkeletonOf(tree,
                                   "class Base { skeletonBones[] = {\"a\", \"\", \"b\", \"a\"}; isDiscrete = 1; };\n"
                                   "class Derived { skeletonInherit = \"Base\"; skeletonBones[] = {\"c\", \"\"}; };",
                                   "derived");
  EXPECT_EQ(BoneNames(*derived), (AutoArray<RString>{"a", "b", "c"}));
  EXPECT_TRUE(derived->IsDiscrete());
  EXPECT_EQ(derived->ParentIndex(1), 0);
  SkeletonRef ordered =
      SkeletonOf(tree, "class S { skeletonBones[] = {\"a\", \"\", \"b\", \"a\", \"c\", \"a\", \"d\", \"b\"}; };", "s");
  EXPECT_EQ(BoneNames(*ordered), (AutoArray<RString>{"a", "b", "d", "c"}));
  EXPECT_EQ(ordered->Hierarchy(), (AutoArray<uint8_t>{1, 2, 1, 0, 0}));
  EXPECT_EQ(ordered->ParentIndex(2), 1);
  EXPECT_EQ(ordered->ParentIndex(3), 0);
}

TEST_F(PrepareConfigTest, KeysAndClassesInOtherLetterCasesAreFound) {
  SkeletonRef derived =
      SkeletonOf(tree,
                 "class BASE { SKELETONBONES[] = {\"A\", \"\", \"b\", \"a\"}; IsDiscrete = 1; };\n"
                 "class Derived { SkeletonInherit = \"base\"; skeletonbones[] = {\"C\", \"\"}; "
                 "boneGroups[] = {{\"a\", \"C\"}, {\"B\"}}; PIVOTSMODEL = \"pivots\"; };",
                 "DERIVED");
  EXPECT_EQ(BoneNames(*derived), (AutoArray<RString>{"a", "b", "c"}));
  EXPECT_TRUE(derived->IsDiscrete());
  EXPECT_EQ(derived->BoneGroups().size(), 2u);

  tree.Write("m/model.cfg",
             "class cfgSKELETONS { class body { SkeletonBones[] = {\"spine\", \"\"}; }; };\n"
             "class cfgmodels { class DEFAULT { HTMIN = 2; }; class MAN: default { SKELETONNAME = \"Body\"; "
             "htmax = 5; TBody = 7; RemoveSelections[] = {\"GONE\"}; }; };\n");
  mlod::Lod lod = shape_test::TriangleLod();
  lod.AddSelectionOf("spine", {0, 1, 2}, {0});
  lod.AddSelectionOf("gone", {0}, {});
  std::string path = prepare_test::WriteModel(tree, "m/Man.p3d", shape_test::ModelOf({lod}));
  LODShape model;
  ASSERT_TRUE(model.Load(path));
  const ModelConfigValues& config = model.Config();
  ASSERT_NE(config.modelClass, nullptr);
  EXPECT_FLOAT_EQ(config.htMin, 2.0f);
  EXPECT_FLOAT_EQ(config.htMax, 5.0f);
  EXPECT_FLOAT_EQ(config.tBody, 7.0f);
  ASSERT_TRUE(config.skeleton);
  EXPECT_EQ(BoneNames(*config.skeleton), AutoArray<RString>{"spine"});
  EXPECT_LT(model.Lod(0)->FindSelection("gone"), 0);
  EXPECT_FALSE(HasLine(messages, "Obsolete CfgSkeletons"));
}

TEST_F(PrepareConfigTest, BadSkeletonEntriesAreReportedAndLeftOut) {
  SkeletonRef skeleton = SkeletonOf(tree,
                                    "class Self { skeletonInherit = \"self\"; skeletonBones[] = {\"x\", \"\"}; };\n"
                                    "class S { skeletonBones[] = {\"a\", \"\", \"a\", \"\", \"b\", \"b\", "
                                    "\"c\", \"nobody\", \"p\", \"q\", \"q\", \"p\", \"odd\"}; };",
                                    "s");
  EXPECT_TRUE(HasLine(messages, "Error: Bad entry count in S skeleton"));
  EXPECT_TRUE(HasLine(messages, "Warning: bone a already listed in S skeleton"));
  EXPECT_TRUE(HasLine(messages, "Error: bone b is parent of itself"));
  EXPECT_TRUE(HasLine(messages, "s: Invalid parent bone 'nobody' for 'c'"));
  EXPECT_TRUE(HasLine(messages, "Skeleton s contains bones unaccessible by hierarchy chain (cycles?)"));
  EXPECT_EQ(BoneNames(*skeleton), (AutoArray<RString>{"a", "c"}));

  SkeletonRef self = SkeletonOf(tree, "class Self { skeletonInherit = \"self\"; skeletonBones[] = {\"x\", \"\"}; };", "self");
  EXPECT_TRUE(HasLine(messages, "Error: Infinite inheritance recursion in Self"));
  EXPECT_EQ(self->NBones(), 0);

  // Bone groups keep only known bones.
  SkeletonRef grouped = SkeletonOf(tree,
                                   "class S { skeletonBones[] = {\"a\", \"\", \"b\", \"\"}; "
                                   "BoneGroups[] = {{\"a\", \"ghost\", \"B\"}, {\"ghost\"}}; };",
                                   "s");
  ASSERT_EQ(grouped->BoneGroups().size(), 1u);
  EXPECT_EQ(grouped->BoneGroups()[0], (AutoArray<int>{0, 1}));
}

}  // namespace
