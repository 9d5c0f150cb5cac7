#include "tool/file_paths.h"

#include <gtest/gtest.h>

#include "platform/engine_path.h"
#include "tests/support/temp_tree.h"

namespace kln {
namespace {

TEST(GetExtension, TakesTheLastDotOfTheFileName) {
  EXPECT_EQ(GetExtension("src\\model.p3d"), ".p3d");
  EXPECT_EQ(GetExtension("src\\island.old.wrp"), ".wrp");
  EXPECT_EQ(GetExtension("src.d\\readme"), "");
  EXPECT_EQ(GetExtension("C:name"), "");
  EXPECT_EQ(GetExtension("C:a.lst"), ".lst");
  EXPECT_EQ(GetExtension("name."), ".");
  EXPECT_EQ(GetExtension(""), "");
}

TEST(CreateDestinationFolders, CreatesEveryParentFolder) {
  TempTree tree;
  std::string root = ToEnginePath(tree.Root().string());
  CreateDestinationFolders(root + "\\out\\models\\car.p3d");
  EXPECT_TRUE(tree.Exists("out/models"));
  EXPECT_FALSE(tree.Exists("out/models/car.p3d"));
  // Existing folders are no error.
  CreateDestinationFolders(root + "\\out\\models\\deeper\\car.p3d");
  EXPECT_TRUE(tree.Exists("out/models/deeper"));
  // A ':' that is no drive colon is part of a folder name.
  CreateDestinationFolders(root + "\\out2\\a:b\\car.p3d");
  EXPECT_TRUE(tree.Exists("out2/a:b"));
}

TEST(IsUpToDate, ComparesWithTheDestinationTimeStamp) {
  TempTree tree;
  tree.Write("dst.p3d");
  tree.SetWriteTime("dst.p3d", 2000);
  std::string dst = ToEnginePath((tree / "dst.p3d").string());
  EXPECT_TRUE(IsUpToDate(1999, dst));
  EXPECT_TRUE(IsUpToDate(2000, dst));
  EXPECT_FALSE(IsUpToDate(2001, dst));
  // A missing destination has the stamp 0: only sources from before 1970 are up to date.
  std::string missing = ToEnginePath((tree / "missing.p3d").string());
  EXPECT_FALSE(IsUpToDate(1, missing));
  EXPECT_TRUE(IsUpToDate(-5, missing));
}

}  // namespace
}  // namespace kln
