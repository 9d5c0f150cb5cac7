// Resolving names from data through the mounts and the work drive, and finding prefix files.
#include "platform/engine_resolver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/prefix_files.h"
#include "tests/support/environment_variable.h"
#include "tests/support/temp_tree.h"

namespace {

// A work drive and two addon folders outside it, with the mount table emptied around each
// test.
class EngineResolver : public ::testing::Test {
 protected:
  void SetUp() override { Mounts().Clear(); }
  void TearDown() override { Mounts().Clear(); }

  void Mount(const std::string& workPath, const std::string& relativeFolder) {
    std::string error;
    ASSERT_TRUE(Mounts().Add(workPath, (tree / relativeFolder).string(), "test", &error)) << error;
  }
  EngineResolution Resolve(const std::string& name) { return ResolveEnginePath(EnginePath(name)); }

  TempTree tree;
  ScopedEnvironment drive{"KILNIFY_WORK_DRIVE", (tree / "drive").string()};
};

TEST_F(EngineResolver, TheLongestMountWinsByWholeFolderNames) {
  tree.Write("repo/main/data/a.paa", "main");
  tree.Write("repo/main_ext/data/a.paa", "ext");
  tree.Write("repo/inner/data/a.paa", "inner");
  Mount("\\x\\mod\\addons\\main", "repo/main");
  Mount("x\\mod\\addons\\main_ext", "repo/main_ext");
  Mount("/x/mod/addons/main/inner", "repo/inner");
  EXPECT_EQ(Resolve("\\x\\mod\\addons\\main\\data\\a.paa").hostPath, (tree / "repo/main/data/a.paa").string());
  // "main" is not a prefix of "main_ext": folder names are compared whole.
  EXPECT_EQ(Resolve("\\x\\mod\\addons\\main_ext\\data\\a.paa").hostPath, (tree / "repo/main_ext/data/a.paa").string());
  // A path below two mounts is taken below the longer one.
  EXPECT_EQ(Resolve("\\x\\mod\\addons\\main\\inner\\data\\a.paa").hostPath, (tree / "repo/inner/data/a.paa").string());
}

TEST_F(EngineResolver, LetterCaseAndSeparatorsAreIgnored) {
  tree.Write("repo/main/Data/Crate_CO.paa", "crate");
  Mount("\\X\\Mod\\Addons\\Main", "repo/main");
  const std::string file = (tree / "repo/main/Data/Crate_CO.paa").string();
  for (const std::string name :
       {"\\x\\mod\\addons\\main\\data\\crate_co.paa", "x\\MOD\\addons\\MAIN\\DATA\\CRATE_CO.PAA",
        "/x/mod/addons/main/data/crate_co.paa", "\\x\\\\mod\\.\\addons\\main\\data\\crate_co.paa"}) {
    EngineResolution found = Resolve(name);
    EXPECT_TRUE(found.found) << name;
    EXPECT_EQ(found.hostPath, file) << name;
  }
}

TEST_F(EngineResolver, PathsOutsideEveryMountAreTakenBelowTheWorkDrive) {
  tree.Write("drive/other/thing.hpp", "x");
  tree.Write("repo/main/thing.hpp", "x");
  Mount("\\x\\mod\\addons\\main", "repo/main");
  EngineResolution found = Resolve("\\Other\\THING.hpp");
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.hostPath, (tree / "drive/other/thing.hpp").string());
  EXPECT_EQ(found.tried, "work drive " + (tree / "drive").string());
  // A file missing below the mount that matched is not looked for elsewhere.
  tree.Write("drive/x/mod/addons/main/only_on_drive.hpp", "x");
  EngineResolution missing = Resolve("\\x\\mod\\addons\\main\\only_on_drive.hpp");
  EXPECT_FALSE(missing.found);
  EXPECT_EQ(missing.tried, "mount \\x\\mod\\addons\\main (" + (tree / "repo/main").string() + ")");
}

TEST_F(EngineResolver, HostFilesAreNeverReadThroughARootedName) {
  ASSERT_TRUE(std::filesystem::exists("/etc/hostname") || std::filesystem::exists("/etc/passwd"));
  const std::string outside = (tree / "outside.paa").string();
  tree.Write("outside.paa", "secret");
  for (const std::string& name : {std::string("\\etc\\hostname"), std::string("\\etc\\passwd"), outside}) {
    EngineResolution found = Resolve(name);
    EXPECT_FALSE(found.found) << name;
    EXPECT_EQ(found.hostPath.rfind((tree / "drive").string(), 0), 0u) << found.hostPath;
  }
}

TEST_F(EngineResolver, NamesThatClimbAboveTheRootAreRefused) {
  tree.Write("drive/a/b.hpp", "x");
  tree.Write("repo/main/b.hpp", "x");
  Mount("\\x\\main", "repo/main");
  EXPECT_TRUE(Resolve("\\..\\drive\\a\\b.hpp").climbs);
  EXPECT_TRUE(Resolve("a\\..\\..\\outside.paa").climbs);
  // Climbing inside the work path is fine, even out of a mount into the work drive.
  EXPECT_TRUE(Resolve("\\x\\main\\..\\..\\a\\b.hpp").found);
  EXPECT_FALSE(Resolve("\\x\\main\\..\\..\\a\\b.hpp").climbs);
}

TEST_F(EngineResolver, TwoFoldersClaimingOneWorkPathAreAnError) {
  tree.MakeFolder("one");
  tree.MakeFolder("two");
  Mount("\\x\\mod", "one");
  std::string error;
  EXPECT_TRUE(Mounts().Add("\\X\\MOD\\", (tree / "one").string(), "again", &error));
  EXPECT_FALSE(Mounts().Add("/x/Mod", (tree / "two").string(), "second", &error));
  EXPECT_NE(error.find((tree / "one").string()), std::string::npos) << error;
  EXPECT_NE(error.find((tree / "two").string()), std::string::npos) << error;
  // A work path must name a folder below the root.
  EXPECT_FALSE(Mounts().Add("\\", (tree / "two").string(), "root", &error));
  EXPECT_FALSE(Mounts().Add("\\x\\..\\..\\y", (tree / "two").string(), "climb", &error));
  EXPECT_NE(error.find("climb"), std::string::npos) << error;
  EXPECT_FALSE(Mounts().AddList("\\a=" + (tree / "one").string() + ";novalue", "env", &error));
  EXPECT_NE(error.find("novalue"), std::string::npos) << error;
}

TEST_F(EngineResolver, HostFilesBelowAMountHaveAnEnginePath) {
  tree.Write("repo/main/data/m.p3d", "x");
  tree.Write("drive/y/n.p3d", "x");
  Mount("\\x\\main", "repo/main");
  EXPECT_EQ(EnginePathOfHostFile((tree / "repo/main/data/m.p3d").string()), "\\x\\main\\data\\m.p3d");
  EXPECT_EQ(EnginePathOfHostFile((tree / "drive/y/n.p3d").string()), "\\y\\n.p3d");
  EXPECT_EQ(EnginePathOfHostFile((tree / "elsewhere.p3d").string()), std::nullopt);
}

TEST(PrefixFiles, TheFirstNonBlankLineIsTheWorkPath) {
  EXPECT_EQ(WorkPathOfPrefixText("\n  \r\n\t\\x\\mod\\addons\\main \r\nsecond\r\n"), "\\x\\mod\\addons\\main");
  EXPECT_EQ(WorkPathOfPrefixText("x\\mod"), "x\\mod");
  EXPECT_EQ(WorkPathOfPrefixText(" \r\n\n"), "");
}

TEST(PrefixFiles, NestedFoldersAreFoundAndAMountedFolderIsNotEntered) {
  TempTree tree;
  tree.Write("repo/addons/main/Addon.Prefix", "\\x\\mod\\addons\\main\r\n");
  tree.Write("repo/addons/main/sub/addon.prefix", "\\x\\inner\n");
  tree.Write("repo/addons/tools/deep/er/ADDON.PREFIX", "\n\nx\\mod\\addons\\tools\n");
  tree.Write("repo/addons/blank/addon.prefix", "\n  \n");
  std::vector<std::string> problems;
  std::vector<PrefixFile> found = FindPrefixFiles((tree / "repo").string(), "addon.prefix", problems);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].folder, (tree / "repo/addons/main").string());
  EXPECT_EQ(found[0].workPath, "\\x\\mod\\addons\\main");
  EXPECT_EQ(found[1].folder, (tree / "repo/addons/tools/deep/er").string());
  EXPECT_EQ(found[1].workPath, "x\\mod\\addons\\tools");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("blank"), std::string::npos) << problems[0];
}

TEST(PrefixFiles, LinksLeadingOutOfTheSearchedFolderAreNotFollowed) {
  TempTree tree;
  tree.Write("outside/addon.prefix", "\\x\\stolen\n");
  tree.Write("outside/nested/addon.prefix", "\\x\\nested\n");
  tree.MakeFolder("repo/addons/linked");
  std::filesystem::create_symlink(tree / "outside/addon.prefix", tree / "repo/addons/linked/addon.prefix");
  std::filesystem::create_directory_symlink(tree / "outside/nested", tree / "repo/addons/folderlink");
  std::vector<std::string> problems;
  std::vector<PrefixFile> found = FindPrefixFiles((tree / "repo").string(), "addon.prefix", problems);
  EXPECT_TRUE(found.empty());
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("link"), std::string::npos) << problems[0];
}

}  // namespace
