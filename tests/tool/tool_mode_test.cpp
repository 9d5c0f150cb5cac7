#include "tool/tool_mode.h"

#include <gtest/gtest.h>

namespace kln {
namespace {

TEST(IsToolMode, BaseNameCutAtTheFirstDot) {
  EXPECT_TRUE(IsToolMode("\\opt\\bin\\kilnify", "kilnify a b"));
  EXPECT_TRUE(IsToolMode("C:\\tools\\KILNIFY.exe", "x"));
  EXPECT_TRUE(IsToolMode("kilnify.x64.exe", "x"));
  EXPECT_FALSE(IsToolMode("\\opt\\bin\\kilnify2", "kilnify2 a b"));
  EXPECT_FALSE(IsToolMode("\\opt\\kilnify\\game", "game"));
}

TEST(IsToolMode, CommandLineSwitchIsCaseSensitive) {
  EXPECT_TRUE(IsToolMode("\\opt\\game", "game -kilnify a b"));
  EXPECT_TRUE(IsToolMode("\\opt\\game", "game a-kilnifyb"));
  EXPECT_FALSE(IsToolMode("\\opt\\game", "game -KILNIFY a b"));
}

}  // namespace
}  // namespace kln
