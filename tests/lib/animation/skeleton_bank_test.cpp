// The shared skeletons: one per name, the global fallback, pivots from a pivots model.
#include "lib/shape/skeleton_bank.h"

#include <gtest/gtest.h>

#include "el/paramfile/param_file.h"
#include "engine/global_config.h"
#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/captured_messages.h"
#include "tests/support/environment_variable.h"
#include "tests/support/temp_tree.h"

namespace {

class SkeletonBankTest : public ::testing::Test {
 protected:
  void TearDown() override { Skeletons().Clear(); }

  ParamFile& Config(const std::string& text) {
    tree.Write("model.cfg", text);
    EXPECT_EQ(file.Parse((tree / "model.cfg").string()), 0);
    return file;
  }

  TempTree tree;
  ParamFile file;
  CapturedMessages messages;
};

TEST_F(SkeletonBankTest, OneSkeletonPerNameWhateverTheCase) {
  ParamFile& config =
      Config("class CfgSkeletons { class Man { skeletonBones[] = {\"pelvis\", \"\", \"head\", \"pelvis\"}; }; };");
  SkeletonRef first = Skeletons().Get("Man", &config);
  ASSERT_EQ(first->NBones(), 2);
  EXPECT_EQ(Skeletons().Get("MAN", nullptr), first);
  EXPECT_EQ(Skeletons().Find("man"), first);
  EXPECT_EQ(Skeletons().Count(), 1);
  EXPECT_TRUE(first->Pivots().empty());
  EXPECT_EQ(first->ExcludedBone(), -1);
  EXPECT_TRUE(messages.errorLines.empty()) << messages.Text();
  Skeletons().Clear();
  EXPECT_NE(Skeletons().Get("man", &config), first);
}

TEST_F(SkeletonBankTest, ASkeletonOnlyInTheGlobalConfigurationIsObsoleteButUsed) {
  ParamFile& config = Config("class CfgSkeletons {};");
  ParamClass* global = GlobalConfig().AddClass("CfgSkeletons");
  ParamArray* bones = global->AddClass("Old")->AddArray("skeletonBones");
  bones->AddValue(IParamArrayValue::String("root"));
  bones->AddValue(IParamArrayValue::String(""));
  SkeletonRef skeleton = Skeletons().Get("old", &config);
  GlobalConfig().Delete("CfgSkeletons");
  EXPECT_TRUE(messages.Errored("Obsolete CfgSkeletons for old, move to model.cfg")) << messages.Text();
  EXPECT_EQ(skeleton->NBones(), 1);
}

TEST_F(SkeletonBankTest, PivotsComeFromTheMemoryLevelThenFromTheParent) {
  mlod::Lod visual = mlod::MakeGridLod(1, 1, 1.0f, "");
  mlod::Lod memory;
  memory.resolution = 1e15f;
  memory.points = {{{1, 2, 3}, 0}, {{1, 5, 3}, 0}};
  memory.AddSelectionOf("pelvis", {0}, {});
  memory.AddSelectionOf("head", {1}, {});
  mlod::Model model;
  model.lods = {visual, memory};
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "pivots.p3d"));
  mlod::Model noMemory;
  noMemory.lods = {visual};
  ASSERT_TRUE(mlod::WriteModelFile(noMemory, tree / "flat.p3d"));
  // Pivots models are named by the configuration: engine paths, found below the work drive.
  ScopedEnvironment workDrive("KILNIFY_WORK_DRIVE", tree.Root().string());
  ParamFile& config = Config("class CfgSkeletons { class Piv { pivotsModel = \"\\pivots.p3d"
                             "\"; skeletonBones[] = {\"pelvis\", \"\", \"spine\", \"pelvis\", \"head\", \"spine\", "
                             "\"arm\", \"\"}; };\n class Flat : Piv { pivotsModel = \"flat.p3d\"; }; };");
  SkeletonRef skeleton = Skeletons().Get("piv", &config);
  const AutoArray<Vector3>& pivots = skeleton->Pivots();
  ASSERT_EQ(pivots.size(), 4u);
  // The model may be moved as a whole when it is loaded: compare the pivots among themselves.
  EXPECT_EQ(pivots[1], pivots[0]);  // spine has no point: its parent's
  EXPECT_FLOAT_EQ(pivots[2].y - pivots[0].y, 3.0f);
  EXPECT_FLOAT_EQ(pivots[2].x, pivots[0].x);
  EXPECT_EQ(pivots[3], Vector3{});  // a top-level bone without a point: the origin

  SkeletonRef flat = Skeletons().Get("flat", &config);
  EXPECT_TRUE(flat->Pivots().empty());
  EXPECT_TRUE(messages.Errored("Missing Memory level in skeleton pivots file flat.p3d."))
      << messages.Text();
}

}  // namespace
