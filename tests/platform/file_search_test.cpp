#include "platform/file_search.h"

#include <gtest/gtest.h>

#include "platform/engine_path.h"
#include "tests/support/temp_tree.h"

namespace {

std::vector<std::string> Names(const std::string& pattern) {
  FileSearch search;
  std::vector<std::string> names;
  if (!search.Start(pattern)) return names;
  FileSearchEntry entry;
  while (search.Next(entry)) names.push_back(entry.name);
  return names;
}

TEST(WildcardMatch, StarsAndQuestionMarksIgnoringCase) {
  EXPECT_TRUE(WildcardMatch("**", "anything.p3d"));
  EXPECT_TRUE(WildcardMatch("*.p3d", "CAR.P3D"));
  EXPECT_FALSE(WildcardMatch("*.p3d", "car.p3d.bak"));
  EXPECT_TRUE(WildcardMatch("c?r.*", "car.p3d"));
  EXPECT_FALSE(WildcardMatch("c?r.*", "cr.p3d"));
  EXPECT_TRUE(WildcardMatch("*a*b*", "xxaYYbzz"));
  EXPECT_FALSE(WildcardMatch("*a*b*", "xxbYYazz"));
  EXPECT_TRUE(WildcardMatch("*", ""));
  EXPECT_FALSE(WildcardMatch("", "a"));
}

TEST(FileSearch, EntriesSortedIgnoringCaseWithoutDotEntries) {
  TempTree tree;
  tree.Write("b.txt");
  tree.Write("A.txt");
  tree.Write("c.p3d");
  tree.MakeFolder("Beta");
  const std::string root = ToEnginePath(tree.Root().string());
  EXPECT_EQ(Names(root + "\\**"), (std::vector<std::string>{"A.txt", "b.txt", "Beta", "c.p3d"}));
  EXPECT_EQ(Names(root + "\\*.P3D"), (std::vector<std::string>{"c.p3d"}));
}

TEST(FileSearch, ReportsFoldersAndWriteTimes) {
  TempTree tree;
  tree.Write("file.txt");
  tree.SetWriteTime("file.txt", 1000000000);
  tree.MakeFolder("sub");
  FileSearch search;
  ASSERT_TRUE(search.Start(ToEnginePath(tree.Root().string()) + "\\**"));
  FileSearchEntry entry;
  ASSERT_TRUE(search.Next(entry));
  EXPECT_EQ(entry.name, "file.txt");
  EXPECT_EQ(entry.attrib & FileSearchEntry::kFolder, 0u);
  EXPECT_EQ(entry.writeTime, 1000000000);
  ASSERT_TRUE(search.Next(entry));
  EXPECT_EQ(entry.name, "sub");
  EXPECT_NE(entry.attrib & FileSearchEntry::kFolder, 0u);
  EXPECT_FALSE(search.Next(entry));
}

TEST(FileSearch, FailsOnEmptyMissingOrUnmatchedFolders) {
  TempTree tree;
  tree.MakeFolder("empty");
  tree.Write("full/a.txt");
  const std::string root = ToEnginePath(tree.Root().string());
  FileSearch search;
  EXPECT_FALSE(search.Start(root + "\\empty\\**"));
  EXPECT_FALSE(search.Start(root + "\\missing\\**"));
  EXPECT_FALSE(search.Start(root + "\\full\\*.p3d"));
  EXPECT_TRUE(search.Start(root + "\\full\\**"));
}

}  // namespace
