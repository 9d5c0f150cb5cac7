#include "tool/match_pattern.h"

#include <gtest/gtest.h>

namespace kln {
namespace {

TEST(MatchPattern, StarAndExactNames) {
  EXPECT_TRUE(MatchPattern("*", "anything"));
  EXPECT_TRUE(MatchPattern("sub", "SUB"));
  EXPECT_FALSE(MatchPattern("sub", "subfolder"));
  EXPECT_FALSE(MatchPattern("sub", "src\\sub"));
}

TEST(MatchPattern, LeadingStarIsASuffix) {
  EXPECT_TRUE(MatchPattern("*.wrp", "Island.WRP"));
  EXPECT_TRUE(MatchPattern("*.wrp", "src\\maps\\island.wrp"));
  EXPECT_FALSE(MatchPattern("*.wrp", "island.wrp.bak"));
  EXPECT_FALSE(MatchPattern("*longer-than-text", "text"));
}

TEST(MatchPattern, StarsOnBothEndsSearchInside) {
  EXPECT_TRUE(MatchPattern("*data*", "my\\DATA\\file"));
  EXPECT_TRUE(MatchPattern("*\\sub\\*", "src\\sub\\a.p3d"));
  EXPECT_FALSE(MatchPattern("*\\sub\\*", "src\\sub"));
  EXPECT_TRUE(MatchPattern("**", ""));
  // Only the first 2047 characters of the text are searched.
  std::string text(2047, 'a');
  EXPECT_FALSE(MatchPattern("*zz*", text + "zz"));
  EXPECT_TRUE(MatchPattern("*zz*", text.substr(2) + "zz"));
}

TEST(MatchPattern, TrailingStarIsAPrefix) {
  EXPECT_TRUE(MatchPattern("src\\temp*", "SRC\\TEMP\\a.p3d"));
  EXPECT_FALSE(MatchPattern("src\\temp*", "other\\src\\temp"));
  // Only the part before the first star counts.
  EXPECT_TRUE(MatchPattern("ab*cd*", "abXYZ"));
}

TEST(MatchPattern, InnerStarsMatchNothing) {
  EXPECT_FALSE(MatchPattern("a*b", "axb"));
  EXPECT_TRUE(MatchPattern("a*b", "A*B"));  // equal text still matches
}

TEST(IsExcluded, TriesNameAndPath) {
  RunSettings settings;
  EXPECT_FALSE(IsExcluded(settings, "a.p3d", "src\\a.p3d"));
  settings.exclusionList = {"*.wrp", "sub", "*\\temp\\*"};
  EXPECT_TRUE(IsExcluded(settings, "island.wrp", "src\\island.wrp"));
  EXPECT_TRUE(IsExcluded(settings, "sub", "src\\sub"));
  EXPECT_TRUE(IsExcluded(settings, "a.p3d", "src\\temp\\a.p3d"));
  EXPECT_FALSE(IsExcluded(settings, "a.p3d", "src\\sub2\\a.p3d"));
}

}  // namespace
}  // namespace kln
