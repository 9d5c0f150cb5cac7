// #ifdef, #ifndef, #else and #endif, and where directives may stand.
#include <sstream>

#include "tests/el/preproc/preproc_test_support.h"

namespace {

using Lines = std::vector<std::string>;

// The non-empty lines of `text`.
Lines NonEmptyLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

TEST(PreprocConditionals, BranchesAndWhereDirectivesStand) {
  ExpectExpansions({
      {"#ifdef of a defined name", "#define A\n#ifdef A\nyes\n#else\nno\n#endif\n", "\n\nyes\n\n\n\n"},
      {"#ifdef of an undefined name", "#ifdef A\nyes\n#else\nno\n#endif\n", "\n\n\nno\n\n"},
      {"#ifdef without #else", "#ifdef A\nyes\n#endif\nafter\n", "\n\n\nafter\n"},
      {"#ifndef of an undefined name", "#ifndef A\nyes\n#else\nno\n#endif\n", "\nyes\n\n\n\n"},
      {"#ifndef of a defined name", "#define A\n#ifndef A\nyes\n#else\nno\n#endif\n", "\n\n\n\nno\n\n"},
      {"a conditional inside a dropped branch does not end it",
       "#ifdef NO\n#ifdef X\n#else\nhidden\n#endif\nhidden2\n#else\nshown\n#endif\nend\n",
       "\n\n\n\n\n\n\nshown\n\nend\n"},
      {"text after #else and #endif on their line is kept", "#ifdef NO\nx\n#else // other\ny\n#endif /* done */ z\n",
       "\n\n \ny\n  z\n"},
      {"indented directives", "  #define A 1\n\t#ifdef A\n   x A\n \t #endif\n", "\n\n   x 1\n\n"},
      {"a directive on the first line", "#define A 1\nA\n", "\n1\n"},
      {"'#' later in a line is no directive", "a #define B\nB ## #\n", "a #define B\nB ## #\n"},
      {"no directives inside quoted text", "\"x\n#define A 1\n\"A\n", "\"x\n#define A 1\n\"A\n"},
  });
}

TEST(PreprocConditionals, NestedConditionalsFollowEveryCombination) {
  const std::string text =
      "#ifdef A\n"
      "a\n"
      "#ifdef B\n"
      "ab\n"
      "#else\n"
      "a!b\n"
      "#endif\n"
      "#else\n"
      "!a\n"
      "#ifndef B\n"
      "!a!b\n"
      "#else\n"
      "!ab\n"
      "#endif\n"
      "#endif\n"
      "end\n";
  const PredefinedMacro none[] = {{nullptr, nullptr}};
  const PredefinedMacro a[] = {{"A", "1"}, {nullptr, nullptr}};
  const PredefinedMacro b[] = {{"B", "1"}, {nullptr, nullptr}};
  const PredefinedMacro ab[] = {{"A", "1"}, {"B", "1"}, {nullptr, nullptr}};
  EXPECT_EQ(NonEmptyLines(Expand(text, none)), (Lines{"!a", "!a!b", "end"}));
  EXPECT_EQ(NonEmptyLines(Expand(text, a)), (Lines{"a", "a!b", "end"}));
  EXPECT_EQ(NonEmptyLines(Expand(text, b)), (Lines{"!a", "!ab", "end"}));
  EXPECT_EQ(NonEmptyLines(Expand(text, ab)), (Lines{"a", "ab", "end"}));
  // Every input line is one output line.
  EXPECT_EQ(CountLines(Expand(text, ab)), CountLines(text));
}

TEST(PreprocConditionals, DirectivesInADroppedBranchAreNotExecuted) {
  CapturedMessages messages;
  const PredefinedMacro defines[] = {{"B", "2"}, {nullptr, nullptr}};
  PreprocResult result = RunText(
      "#ifdef NO\n#define A 1\n#include \"missing.h\"\n#undef B\n#define Q \"\n#else\n#endif\nA B\n", {}, defines);
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(NonEmptyLines(result.text), Lines{"A 2"});
  EXPECT_TRUE(messages.logLines.empty());
}

}  // namespace
