#include "tool/exclusion_file.h"

#include <gtest/gtest.h>

#include "tests/support/temp_tree.h"

namespace kln {
namespace {

ExclusionList Read(const std::string& content) {
  TempTree tree;
  tree.Write("exclude.lst", content);
  ExclusionList list;
  ReadExclusionFile(list, (tree / "exclude.lst").c_str());
  return list;
}

TEST(ReadExclusionFile, SkipsCommentsAndEmptyLinesAndLowersCase) {
  EXPECT_EQ(Read(";comment\n\nData\\*.P3D\n"), (ExclusionList{"data\\*.p3d"}));
  EXPECT_EQ(Read("*.WRP\n *space \nlast"), (ExclusionList{"*.wrp", " *space ", "last"}));
}

TEST(ReadExclusionFile, ReadsWindowsLineEnds) {
  EXPECT_EQ(Read("One\r\n;two\r\n\r\nThree\r\n"), (ExclusionList{"one", "three"}));
}

TEST(ReadExclusionFile, LongLinesArriveInPiecesOf1023Bytes) {
  std::string longLine(1023 + 5, 'x');
  ExclusionList list = Read(longLine + "\n");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].size(), 1023u);
  EXPECT_EQ(list[1], "xxxxx");
}

TEST(ReadExclusionFile, MissingFileAddsNothing) {
  ExclusionList list{"kept"};
  ReadExclusionFile(list, "/no/such/exclusion/file.lst");
  EXPECT_EQ(list, (ExclusionList{"kept"}));
}

}  // namespace
}  // namespace kln
