#include "tool/folder_walk.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/process_flags.h"
#include "engine/shape_bank.h"
#include "platform/engine_path.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"
#include "lib/shape/testing/mlod_writer.h"

namespace kln {
namespace {

class FolderWalk : public ::testing::Test {
 protected:
  // Walks src into dst and returns the source paths of the converted files, in order,
  // relative to the tree root.
  std::vector<std::string> Walk() {
    CapturedMessages captured;
    WalkFolder(settings, Src(), Dst());
    messages = captured.lines;
    std::vector<std::string> converted;
    const std::string prefix = "log: Convert ";
    for (const std::string& line : messages) {
      if (line.rfind(prefix, 0) != 0) continue;
      std::string rest = line.substr(line.find(' ', prefix.size()) + 1);
      rest = rest.substr(0, rest.find(" -> "));
      converted.push_back(rest.substr(Root().size() + 1));
    }
    return converted;
  }
  // Writes a file of the tree with the write time `time`.
  void WriteAt(const std::string& path, int64_t time) {
    tree.Write(path);
    tree.SetWriteTime(path, time);
  }
  std::string Root() const { return ToEnginePath(tree.Root().string()); }
  RString Src() const { return Root() + "\\src"; }
  RString Dst() const { return Root() + "\\dst"; }

  TempTree tree;
  RunSettings settings;
  std::vector<std::string> messages;
};

using Paths = std::vector<std::string>;

TEST_F(FolderWalk, SubfoldersFirstThenFilesInNameOrder) {
  tree.Write("src/b.p3d");
  tree.Write("src/A.p3d");
  tree.Write("src/readme.txt");
  tree.Write("src/sub/c.p3d");
  tree.Write("src/sub/deeper/d.wrp");
  tree.Write("src/zz/e.p3d");
  EXPECT_EQ(Walk(), (Paths{"src\\sub\\deeper\\d.wrp", "src\\sub\\c.p3d", "src\\zz\\e.p3d", "src\\A.p3d", "src\\b.p3d"}));
  // The destination keeps the source names' case.
  EXPECT_NE(std::find(messages.begin(), messages.end(),
                      "log: Convert model " + Src() + "\\A.p3d -> " + Dst() + "\\A.p3d"),
            messages.end());
}

TEST_F(FolderWalk, NoRecursionAndWildcardKeepOutOfSubfolders) {
  tree.Write("src/a.p3d");
  tree.Write("src/sub/b.p3d");
  tree.Write("src/dir.p3d/c.p3d");
  settings.noRecursion = true;
  EXPECT_EQ(Walk(), (Paths{"src\\a.p3d"}));

  settings.noRecursion = false;
  settings.wildcard = ".p3d";
  // A folder whose name fits the pattern is entered; sub does not fit.
  EXPECT_EQ(Walk(), (Paths{"src\\dir.p3d\\c.p3d", "src\\a.p3d"}));
  settings.wildcard = "*";
  EXPECT_EQ(Walk(), (Paths{"src\\dir.p3d\\c.p3d", "src\\sub\\b.p3d", "src\\a.p3d"}));
}

TEST_F(FolderWalk, ExclusionPatterns) {
  tree.Write("src/a.p3d");
  tree.Write("src/island.wrp");
  tree.Write("src/sub/b.p3d");
  tree.Write("src/other/sub/c.p3d");
  tree.Write("src/other/d.p3d");
  // Every walk converts again: a broken world is still written, and would be up to date.
  settings.always = true;
  settings.exclusionList = {"*.wrp"};
  EXPECT_EQ(Walk(), (Paths{"src\\other\\sub\\c.p3d", "src\\other\\d.p3d", "src\\sub\\b.p3d", "src\\a.p3d"}));
  settings.exclusionList = {"sub"};
  EXPECT_EQ(Walk(), (Paths{"src\\other\\d.p3d", "src\\a.p3d", "src\\island.wrp"}));
  settings.exclusionList = {"*\\sub\\*"};
  EXPECT_EQ(Walk(), (Paths{"src\\other\\d.p3d", "src\\a.p3d", "src\\island.wrp"}));
  // Folder names are tested in lower case.
  tree.Write("src/Temp/e.p3d");
  settings.exclusionList = {"temp"};
  EXPECT_EQ(Walk(), (Paths{"src\\other\\sub\\c.p3d", "src\\other\\d.p3d", "src\\sub\\b.p3d", "src\\a.p3d",
                           "src\\island.wrp"}));
}

TEST_F(FolderWalk, UpToDateDestinationsAreSkippedUnlessAlways) {
  WriteAt("src/old.p3d", 1000);
  WriteAt("dst/old.p3d", 2000);
  WriteAt("src/new.p3d", 3000);
  WriteAt("dst/new.p3d", 2000);
  WriteAt("src/same.p3d", 2000);
  WriteAt("dst/same.p3d", 2000);
  EXPECT_EQ(Walk(), (Paths{"src\\new.p3d"}));
  settings.always = true;
  EXPECT_EQ(Walk(), (Paths{"src\\new.p3d", "src\\old.p3d", "src\\same.p3d"}));
}

TEST_F(FolderWalk, DestinationsAreMetWhateverTheirLetterCase) {
  WriteAt("src/Sub/old.p3d", 1000);
  WriteAt("dst/sub/OLD.P3D", 2000);
  WriteAt("src/New.p3d", 3000);
  WriteAt("dst/new.P3D", 2000);
  EXPECT_EQ(Walk(), (Paths{"src\\New.p3d"}));
  // The newer source replaces the destination under the name it already has.
  EXPECT_NE(std::find(messages.begin(), messages.end(),
                      "log: Convert model " + Src() + "\\New.p3d -> " + Dst() + "\\new.P3D"),
            messages.end());
}

TEST_F(FolderWalk, DestinationStampsFollowLinksAndWrapAt32Bits) {
  WriteAt("src/linked.p3d", 1000);
  WriteAt("store/linked.p3d", 2000);
  tree.MakeFolder("dst");
  std::filesystem::create_symlink(tree / "store/linked.p3d", tree / "dst/linked.p3d");
  // A destination folder reached through a link.
  WriteAt("src/sub/inner.p3d", 1000);
  WriteAt("store/sub/inner.p3d", 2000);
  std::filesystem::create_directory_symlink(tree / "store/sub", tree / "dst/sub");
  // The stamp is the time as an unsigned 32-bit value: a later time wraps below its source.
  const int64_t far = (int64_t{1} << 32) + 100;
  WriteAt("src/far.p3d", far);
  WriteAt("dst/far.p3d", far);
  // A name that holds a '\' is looked up as the path it makes.
  WriteAt("src/a\\b.p3d", 1000);
  WriteAt("dst/a/b.p3d", 2000);
  EXPECT_EQ(Walk(), (Paths{"src\\far.p3d"}));
}

TEST_F(FolderWalk, ShrinkModelsQueuesOnlyModels) {
  tree.Write("src/a.P3D");
  tree.Write("src/island.wrp");
  tree.Write("src/textures.lst");
  settings.copyTextures = true;
  SetShrinkModels(true);
  Paths converted = Walk();
  SetShrinkModels(false);
  EXPECT_EQ(converted, (Paths{"src\\a.P3D"}));
  EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                          [](const std::string& line) { return line.find("Found") != std::string::npos; }),
            0);
}

TEST_F(FolderWalk, TextureListOnlyAtTheTopOfAFolderWithCopyTextures) {
  tree.Write("src/TEXTURES.LST");
  tree.Write("src/other.lst");
  tree.Write("src/sub/textures.lst");
  Walk();
  EXPECT_TRUE(messages.empty() || messages[0].find("Found") == std::string::npos);
  settings.copyTextures = true;
  Walk();
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "error: Found " + Src() + "\\sub\\textures.lst, inserting textures not linked by .p3d-s...",
                          "error: Found " + Src() + "\\TEXTURES.LST, inserting textures not linked by .p3d-s..."}));
}

TEST_F(FolderWalk, EmptyOrMissingFoldersReportTheirPattern) {
  tree.MakeFolder("src/empty");
  tree.Write("src/a.txt");
  Walk();
  EXPECT_EQ(messages, (std::vector<std::string>{"error: DirIterator: wrong filespec: " + Src() + "\\empty\\**"}));
  settings.wildcard = ".wrp";
  Walk();
  EXPECT_EQ(messages, (std::vector<std::string>{"error: DirIterator: wrong filespec: " + Src() + "\\*.wrp"}));
}

TEST_F(FolderWalk, ModelThatFailsToLoadIsBracketedAndWritesNothing) {
  tree.Write("src/models/car.p3d", "not a model");
  Walk();
  std::string src = Src() + "\\models\\car.p3d";
  ASSERT_GE(messages.size(), 4u);
  EXPECT_EQ(messages[0], "log: Convert model " + src + " -> " + Dst() + "\\models\\car.p3d");
  EXPECT_EQ(messages[1], "log: <model = \"" + src + "\">");
  EXPECT_EQ(messages[messages.size() - 2], "error: Loading of model " + src + " failed");
  EXPECT_EQ(messages.back(), "log: </model>");
  // The destination folder is made only for a model that loaded.
  EXPECT_FALSE(tree.Exists("dst"));
}

TEST_F(FolderWalk, ModelIsConvertedIntoTheMirroredFolder) {
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f));
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "src/models/crate.p3d"));
  Walk();
  EXPECT_EQ(messages.back(), "log: </model>");
  ASSERT_TRUE(tree.Exists("dst/models/crate.p3d"));
  EXPECT_EQ(tree.Read("dst/models/crate.p3d").substr(0, 4), "ODOL");
}

TEST_F(FolderWalk, ShapeBankIsEmptiedAfterEveryFile) {
  tree.Write("src/a.p3d");
  Shapes().Add("leftover", nullptr);
  Walk();
  EXPECT_EQ(Shapes().Size(), 0u);
}

}  // namespace
}  // namespace kln
