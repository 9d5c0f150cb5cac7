#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheQuotingRules) {
  EXPECT_EQ(SplitCommandLine(R"(prog a  b	c)"), (Args{"prog", "a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine(R"(prog "a b" c)"), (Args{"prog", "a b", "c"}));
  EXPECT_EQ(SplitCommandLine(R"(prog a\\b a\b)"), (Args{"prog", R"(a\\b)", R"(a\b)"}));
  // 2n backslashes before a quote: n backslashes, the quote groups.
  EXPECT_EQ(SplitCommandLine(R"(prog "a\\" b)"), (Args{"prog", R"(a\)", "b"}));
  // 2n+1 backslashes before a quote: n backslashes and a literal quote.
  EXPECT_EQ(SplitCommandLine(R"(prog a\"b)"), (Args{"prog", R"(a"b)"}));
  EXPECT_EQ(SplitCommandLine(R"(prog a\\\"b)"), (Args{"prog", R"(a\"b)"}));
  // "" inside quotes is one literal quote.
  EXPECT_EQ(SplitCommandLine(R"(prog "a""b")"), (Args{"prog", R"(a"b)"}));
  EXPECT_EQ(SplitCommandLine(R"(prog "")"), (Args{"prog", ""}));
  // The program name keeps its backslashes and loses its quotes.
  EXPECT_EQ(SplitCommandLine(R"("C:\my tools\kilnify.exe" x)"), (Args{R"(C:\my tools\kilnify.exe)", "x"}));
  EXPECT_EQ(SplitCommandLine(""), (Args{""}));
  EXPECT_EQ(SplitCommandLine("prog   "), (Args{"prog"}));
}

TEST(JoinCommandLine, SplitGivesTheArgumentsBack) {
  const Args cases[] = {
      {"kilnify", "-always", "src", "dst"},
      {"kilnify", "with space", "tab\there", ""},
      {"kilnify", R"(ends\)", R"(ends with space\)", R"(quote"inside)", R"(back\"slash)"},
      {R"(\bin\kilnify)", R"(\\server\share\)", "\"\"", "a\\\\\"b c"},
  };
  for (const Args& args : cases) EXPECT_EQ(SplitCommandLine(JoinCommandLine(args)), args);
}

TEST(JoinCommandLine, PlainArgumentsStayUnquoted) {
  EXPECT_EQ(JoinCommandLine({"kilnify", "-always", R"(src\x)", "dst"}), R"(kilnify -always src\x dst)");
  EXPECT_EQ(JoinCommandLine({"kilnify", "a b"}), R"(kilnify "a b")");
}

}  // namespace
