#include "tool/startup.h"

#include <gtest/gtest.h>

#include "el/paramfile/param_file.h"
#include "engine/engine_state.h"
#include "engine/global_config.h"
#include "engine/memory_budget.h"
#include "platform/engine_path.h"
#include "platform/engine_resolver.h"
#include "tests/support/captured_messages.h"
#include "tests/support/environment_variable.h"
#include "tests/support/temp_tree.h"

namespace kln {
namespace {

class Startup : public ::testing::Test {
 protected:
  ~Startup() override { ShutdownEngine(); }
  RString Path(const std::string& relative) const { return ToEnginePath((tree / relative).string()); }
  int IntValue(const char* cls, const char* name) {
    const ParamClass* found = GlobalConfig().GetClass(cls);
    return found ? (*found >> name).GetInt() : -1;
  }
  bool HasClass(const char* cls) const { return GlobalConfig().FindOwn(cls) != nullptr; }

  TempTree tree;
  RunSettings settings;
};

TEST_F(Startup, TextConfigWinsOverBinaryInTheSameFolder) {
  tree.Write("src/data/config.cpp", "class FromText { value = 1; };\n");
  // A binary configuration made from a text one.
  tree.Write("made/config.cpp", "class FromBinary { value = 2; };\n");
  ParamFile binary;
  ASSERT_EQ(binary.Parse(Path("made/config.cpp")), 0);
  ASSERT_TRUE(binary.SaveBin(Path("src/data/config.bin")));
  tree.MakeFolder("src/only");
  ASSERT_TRUE(binary.SaveBin(Path("src/only/CONFIG.BIN")));
  binary.ReleaseLinks();

  ASSERT_TRUE(LoadFolderConfigs(settings, Path("src")));
  EXPECT_EQ(IntValue("FromText", "value"), 1);
  // Only the folder without a text configuration contributes the binary one.
  EXPECT_EQ(IntValue("FromBinary", "value"), 2);
  tree.Write("src/only/config.cpp", "class OnlyText {};\n");
  ShutdownEngine();
  ASSERT_TRUE(LoadFolderConfigs(settings, Path("src")));
  EXPECT_FALSE(HasClass("FromBinary"));
  EXPECT_TRUE(HasClass("OnlyText"));
}

TEST_F(Startup, WithoutAnAddonTheWorkDriveThenEveryMountIsLoadedInWorkPathOrder) {
  tree.Write("drive/config.cpp", "class Order { drive = 1; last = 0; };\n");
  tree.Write("drive/inside/config.cpp", "class InDrive { value = 1; };\n");
  tree.Write("repo/b/config.cpp", "class Order { last = 2; };\n");
  tree.Write("repo/a/config.cpp", "class Order { last = 1; fromA = 1; };\n");
  ScopedEnvironment drive("KILNIFY_WORK_DRIVE", (tree / "drive").string());
  Mounts().Clear();
  std::string error;
  ASSERT_TRUE(Mounts().Add("\\x\\b", (tree / "repo/b").string(), "test", &error));
  ASSERT_TRUE(Mounts().Add("\\X\\A", (tree / "repo/a").string(), "test", &error));
  ASSERT_TRUE(Mounts().Add("\\x\\inside", (tree / "drive/inside").string(), "test", &error));
  ASSERT_TRUE(LoadStartupConfigs(settings));
  EXPECT_EQ(IntValue("Order", "drive"), 1);
  EXPECT_EQ(IntValue("Order", "fromA"), 1);
  EXPECT_EQ(IntValue("Order", "last"), 2);
  EXPECT_EQ(IntValue("InDrive", "value"), 1);
  // With an addon folder, only that folder is loaded.
  ShutdownEngine();
  settings.addonFolder = Path("repo/a");
  ASSERT_TRUE(LoadStartupConfigs(settings));
  EXPECT_EQ(IntValue("Order", "last"), 1);
  EXPECT_NE(IntValue("Order", "drive"), 1);
  Mounts().Clear();
}

TEST_F(Startup, BrokenTextConfigStopsTheLoad) {
  tree.Write("src/a/config.cpp", "class Broken { value = 1; \n");
  tree.Write("src/b/config.cpp", "class Later {};\n");
  settings.silent = true;
  CapturedMessages messages;
  EXPECT_FALSE(LoadFolderConfigs(settings, Path("src")));
  EXPECT_FALSE(HasClass("Later"));
  ASSERT_FALSE(messages.lines.empty());
  EXPECT_EQ(messages.lines.back(), "error: Error 3 while parsing config \"" + Path("src") + "\\a\\config.cpp\"");
}

TEST_F(Startup, MissingFolderLoadsNothingAndSucceeds) {
  EXPECT_TRUE(LoadFolderConfigs(settings, Path("missing")));
}

TEST_F(Startup, EmptyAddonFolderMeansTheWorkDrive) {
  tree.Write("drive/x/mod/config.cpp", "class FromDrive { value = 1; };\nclass Shared { value = 1; };\n");
  tree.Write("src/config.cpp", "class Shared { value = 2; };\n");
  ScopedEnvironment drive("KILNIFY_WORK_DRIVE", (tree / "drive").string());
  ASSERT_TRUE(LoadFolderConfigs(settings, ""));
  ASSERT_TRUE(LoadFolderConfigs(settings, Path("src")));
  EXPECT_EQ(IntValue("FromDrive", "value"), 1);
  // Configurations loaded later update those loaded earlier.
  EXPECT_EQ(IntValue("Shared", "value"), 2);
}

TEST_F(Startup, MainConfigComesFromTheBinFolderOnce) {
  tree.Write("game/bin/config.cpp", "class CfgWorlds { class DefaultWorld {}; };\n");
  Engine().mainConfigPending = true;
  LoadMainConfig(Path("game") + "\\");
  EXPECT_TRUE(HasClass("CfgWorlds"));
  EXPECT_EQ(Engine().language, "English");
  EXPECT_FALSE(Engine().mainConfigPending);
  ShutdownEngine();
  LoadMainConfig(Path("game") + "\\");
  EXPECT_FALSE(HasClass("CfgWorlds"));
  Engine().mainConfigPending = true;
}

TEST(ToolMemoryBudget, LeavesRoomAndHasAFloor) {
  EXPECT_EQ(ToolMemoryBudget(8ull << 30), (8ull << 30) - (448ull << 20));
  EXPECT_EQ(ToolMemoryBudget(512ull << 20), 64ull << 20);
  EXPECT_EQ(ToolMemoryBudget(0), 64ull << 20);
}

}  // namespace
}  // namespace kln
