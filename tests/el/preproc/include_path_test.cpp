#include "el/preproc/include_path.h"

#include <gtest/gtest.h>

namespace {

TEST(PreprocIncludePath, FolderIsEverythingUpToTheLastSeparator) {
  EXPECT_EQ(FolderOf("\\addon\\sub\\config.cpp"), "\\addon\\sub\\");
  EXPECT_EQ(FolderOf("addon/sub/config.cpp"), "addon/sub/");
  // A backslash wins over a later slash.
  EXPECT_EQ(FolderOf("a\\b/c.h"), "a\\");
  EXPECT_EQ(FolderOf("config.cpp"), "");
}

TEST(PreprocIncludePath, NamesAreRelativeToTheIncludingFileUnlessRooted) {
  EXPECT_EQ(IncludePath("\\addon\\config.cpp", "sub\\a.h"), "\\addon\\sub\\a.h");
  EXPECT_EQ(IncludePath("\\addon\\config.cpp", "sub/a.h"), "\\addon\\sub\\a.h");
  EXPECT_EQ(IncludePath("\\addon\\x\\config.cpp", "..\\..\\a.h"), "\\a.h");
  EXPECT_EQ(IncludePath("\\addon\\config.cpp", "\\common\\a.h"), "\\common\\a.h");
  EXPECT_EQ(IncludePath("config.cpp", "a.h"), "a.h");
  EXPECT_EQ(IncludePath("config.cpp", "..\\a.h"), "..\\a.h");
}

TEST(PreprocIncludePath, NormalizingDropsDotStepsAndCancelsParentSteps) {
  EXPECT_EQ(NormalizeEnginePath("a\\.\\b\\..\\c.h"), "a\\c.h");
  EXPECT_EQ(NormalizeEnginePath("\\a\\\\b.h"), "\\a\\b.h");
  EXPECT_EQ(NormalizeEnginePath("..\\..\\a\\..\\b.h"), "..\\..\\b.h");
  EXPECT_EQ(NormalizeEnginePath("\\..\\b.h"), "\\..\\b.h");
}

}  // namespace
