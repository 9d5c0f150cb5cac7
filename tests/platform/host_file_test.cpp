#include "platform/host_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/engine_path.h"
#include "tests/support/temp_tree.h"

namespace {

class WorkDrive {
 public:
  explicit WorkDrive(const std::string& folder) { ::setenv("KILNIFY_WORK_DRIVE", folder.c_str(), 1); }
  ~WorkDrive() { ::unsetenv("KILNIFY_WORK_DRIVE"); }
};

TEST(HostPathOf, ExactPathsMapSeparatorsOnly) {
  TempTree tree;
  auto file = tree.Write("Data/Model.p3d", "x");
  EXPECT_EQ(HostPathOf(ToEnginePath(file.string())), file.string());
}

TEST(HostPathOf, FindsNamesThatDifferInLetterCase) {
  TempTree tree;
  auto file = tree.Write("Data/Sub/Model.P3D", "x");
  std::string wrongCase = ToEnginePath(tree.Root().string()) + "\\data\\SUB\\model.p3d";
  EXPECT_EQ(HostPathOf(wrongCase), file.string());
  EXPECT_TRUE(EngineFileExists(wrongCase));
  EXPECT_FALSE(EngineFileExists(ToEnginePath(tree.Root().string()) + "\\data\\missing.p3d"));
}

TEST(HostPathOf, RootedEnginePathsLiveBelowTheWorkDrive) {
  TempTree tree;
  auto file = tree.Write("x/mymod/addons/main/script_macros.hpp", "x");
  WorkDrive drive(tree.Root().string());
  EXPECT_EQ(WorkDriveRoot(), tree.Root().string());
  EXPECT_EQ(HostPathOf("\\x\\mymod\\addons\\main\\script_macros.hpp"), file.string());
  EXPECT_EQ(HostPathOf("\\X\\MyMod\\Addons\\Main\\Script_Macros.hpp"), file.string());
  // A missing file keeps the spelling it was given, for the message that follows.
  EXPECT_EQ(HostPathOf("\\x\\missing.hpp"), "/x/missing.hpp");
}

TEST(HostPathForWrite, RootedPathsWhoseTopFolderIsMissingGoBelowTheWorkDrive) {
  TempTree tree;
  WorkDrive drive(tree.Root().string());
  EXPECT_EQ(HostPathForWrite("\\kln_no_such_top\\out\\a.p3d"), tree.Root().string() + "/kln_no_such_top/out/a.p3d");
  EXPECT_EQ(HostPathForWrite("\\tmp\\kln_new\\a.p3d"), "/tmp/kln_new/a.p3d");
  EXPECT_EQ(HostPathForWrite("out\\Sub\\a.p3d"), "out/Sub/a.p3d");
}

TEST(WorkDriveRoot, DefaultsToTheCurrentFolder) {
  ::unsetenv("KILNIFY_WORK_DRIVE");
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(WorkDriveRoot(), std::string(cwd));
}

}  // namespace
