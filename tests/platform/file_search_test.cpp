#include "platform/file_search.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "platform/engine_path.h"
#include "platform/file_time.h"
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

namespace {

std::vector<std::pair<std::string, bool>> NamesAndFolders(const std::string& pattern, FileSearch::Details details) {
  FileSearch search;
  std::vector<std::pair<std::string, bool>> found;
  if (!search.Start(pattern, details)) return found;
  FileSearchEntry entry;
  while (search.Next(entry)) found.push_back({entry.name, (entry.attrib & FileSearchEntry::kFolder) != 0});
  return found;
}

TEST(FileSearch, FolderOnlyTellsTheSameKindsWithoutTimes) {
  TempTree tree;
  tree.Write("file.paa");
  tree.SetWriteTime("file.paa", 1000000000);
  tree.MakeFolder("Sub");
  std::filesystem::create_directory_symlink(tree / "Sub", tree / "linkToSub");
  std::filesystem::create_symlink(tree / "file.paa", tree / "linkToFile.paa");
  std::filesystem::create_symlink(tree / "nowhere", tree / "dangling.paa");
  const std::string pattern = ToEnginePath(tree.Root().string()) + "\\*";

  // A link is what it leads to; a link that leads nowhere is left out, with either detail.
  const std::vector<std::pair<std::string, bool>> expected = {
      {"file.paa", false}, {"linkToFile.paa", false}, {"linkToSub", true}, {"Sub", true}};
  EXPECT_EQ(NamesAndFolders(pattern, FileSearch::kFolderAndTime), expected);
  EXPECT_EQ(NamesAndFolders(pattern, FileSearch::kFolderOnly), expected);

  FileSearch search;
  ASSERT_TRUE(search.Start(pattern, FileSearch::kFolderOnly));
  FileSearchEntry entry;
  ASSERT_TRUE(search.Next(entry));
  EXPECT_EQ(entry.name, "file.paa");
  EXPECT_EQ(entry.writeTime, 0);
}

TEST(FileSearch, SortsLikeTheCaseBlindCompareBeyondTheFirstBytes) {
  TempTree tree;
  // Names that agree in their first eight bytes ignoring case, and shorter ones.
  for (const char* name : {"texture_B.paa", "TEXTURE_a.paa", "texture_", "Texture", "texture_a.PAA", "tex"})
    tree.Write(name);
  std::vector<std::string> expected = {"tex", "Texture", "texture_", "TEXTURE_a.paa", "texture_a.PAA", "texture_B.paa"};
  EXPECT_EQ(Names(ToEnginePath(tree.Root().string()) + "\\*"), expected);
}

TEST(FileSearch, KeepsTheFolderOpenWhenAsked) {
  TempTree tree;
  tree.Write("a.txt", "abc");
  tree.MakeFolder("empty");
  const std::string root = ToEnginePath(tree.Root().string());
  FileSearch search;
  ASSERT_TRUE(search.Start(root + "\\*"));
  EXPECT_EQ(search.FolderFd(), -1);
  ASSERT_TRUE(search.Start(root + "\\*", FileSearch::kFolderOnly, FileSearch::kKeepFolderOpen));
  ASSERT_GE(search.FolderFd(), 0);
  const int fd = ::openat(search.FolderFd(), "a.txt", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  char bytes[3];
  EXPECT_EQ(::read(fd, bytes, 3), 3);
  ::close(fd);
  // A search that finds nothing keeps nothing open.
  EXPECT_FALSE(search.Start(root + "\\empty\\*", FileSearch::kFolderOnly, FileSearch::kKeepFolderOpen));
  EXPECT_EQ(search.FolderFd(), -1);
}

TEST(FolderWriteTimes, AgreesWithTheWholePath) {
  TempTree tree;
  tree.Write("dst/model.p3d");
  tree.SetWriteTime("dst/model.p3d", 2000);
  tree.MakeFolder("dst/sub");
  std::filesystem::create_symlink(tree / "dst/model.p3d", tree / "dst/link.p3d");
  // A name with a '\' means a path below the folder, as it does in the whole path.
  tree.Write("dst/a/b.p3d");
  tree.SetWriteTime("dst/a/b.p3d", 3000);
  tree.Write("dst/a\\b.p3d");
  tree.SetWriteTime("dst/a\\b.p3d", 4000);
  const std::string folder = ToEnginePath((tree / "dst").string()) + "\\";

  const FolderWriteTimes times(folder);
  for (const char* name : {"model.p3d", "link.p3d", "sub", "missing.p3d", "a\\b.p3d"})
    EXPECT_EQ(times.Of(name), FileWriteTime(folder + name)) << name;
  EXPECT_EQ(times.Of("model.p3d"), std::optional<int64_t>(2000));
  EXPECT_EQ(times.Of("a\\b.p3d"), std::optional<int64_t>(3000));
  EXPECT_EQ(times.Of("missing.p3d"), std::nullopt);
}

TEST(FolderWriteTimes, FindsEntriesThatDifferOnlyInCase) {
  TempTree tree;
  tree.Write("dst/Model.P3D");
  tree.SetWriteTime("dst/Model.P3D", 2000);
  tree.MakeFolder("dst/Sub");
  tree.Write("dst/a.p3d");
  tree.Write("dst/A.P3D");
  const FolderWriteTimes times(ToEnginePath((tree / "dst").string()) + "\\");
  const FolderWriteTimes::Entry model = times.Find("model.p3d");
  EXPECT_EQ(model.name, "Model.P3D");
  EXPECT_EQ(model.time, std::optional<int64_t>(2000));
  EXPECT_EQ(times.Find("SUB").name, "Sub");
  // The exact spelling wins; otherwise the first name in byte order.
  EXPECT_EQ(times.Find("a.p3d").name, "a.p3d");
  EXPECT_EQ(times.Find("A.p3d").name, "A.P3D");
  const FolderWriteTimes::Entry missing = times.Find("Missing.p3d");
  EXPECT_EQ(missing.name, "Missing.p3d");
  EXPECT_EQ(missing.time, std::nullopt);
}

TEST(FolderWriteTimes, AFolderMadeLaterIsSeen) {
  TempTree tree;
  const std::string folder = ToEnginePath((tree / "later").string()) + "\\";
  const FolderWriteTimes times(folder);
  EXPECT_EQ(times.Of("model.p3d"), std::nullopt);
  tree.Write("later/model.p3d");
  tree.SetWriteTime("later/model.p3d", 5000);
  EXPECT_EQ(times.Of("model.p3d"), std::optional<int64_t>(5000));
}

}  // namespace
