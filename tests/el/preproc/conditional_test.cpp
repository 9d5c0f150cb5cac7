// #ifdef, #ifndef, #else and #endif, and where directives may stand.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/el/preproc/preproc_test_support.h"

namespace {

// The non-empty lines of `text`.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

using Lines_t = std::vector<std::string>;

TEST(PreprocConditionals, IfdefKeepsTheFirstBranchOfADefinedName) {
  EXPECT_EQ(Expand("#define A\n#ifdef A\nyes\n#else\nno\n#endif\n"), "\n\nyes\n\n\n\n");
  EXPECT_EQ(Expand("#ifdef A\nyes\n#else\nno\n#endif\n"), "\n\n\nno\n\n");
  EXPECT_EQ(Expand("#ifdef A\nyes\n#endif\nafter\n"), "\n\n\nafter\n");
}

TEST(PreprocConditionals, IfndefKeepsTheFirstBranchOfAnUndefinedName) {
  EXPECT_EQ(Lines(Expand("#ifndef A\nyes\n#else\nno\n#endif\n")), Lines_t{"yes"});
  EXPECT_EQ(Lines(Expand("#define A\n#ifndef A\nyes\n#else\nno\n#endif\n")), Lines_t{"no"});
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
  EXPECT_EQ(Lines(Expand(text, none)), (Lines_t{"!a", "!a!b", "end"}));
  EXPECT_EQ(Lines(Expand(text, a)), (Lines_t{"a", "a!b", "end"}));
  EXPECT_EQ(Lines(Expand(text, b)), (Lines_t{"!a", "!ab", "end"}));
  EXPECT_EQ(Lines(Expand(text, ab)), (Lines_t{"a", "ab", "end"}));
  // Every input line is one output line.
  EXPECT_EQ(CountLines(Expand(text, ab)), CountLines(text));
}

TEST(PreprocConditionals, ConditionalInsideADroppedBranchDoesNotEndIt) {
  EXPECT_EQ(Lines(Expand("#ifdef NO\n#ifdef X\n#else\nhidden\n#endif\nhidden2\n#else\nshown\n#endif\nend\n")),
            (Lines_t{"shown", "end"}));
}

TEST(PreprocConditionals, DirectivesInADroppedBranchAreNotExecuted) {
  CapturedMessages messages;
  const PredefinedMacro defines[] = {{"B", "2"}, {nullptr, nullptr}};
  PreprocResult result = RunText(
      "#ifdef NO\n#define A 1\n#include \"missing.h\"\n#undef B\n#define Q \"\n#else\n#endif\nA B\n", {}, defines);
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(Lines(result.text), Lines_t{"A 2"});
  EXPECT_TRUE(messages.logLines.empty());
}

TEST(PreprocConditionals, TextAfterElseAndEndifOnTheirLineIsKept) {
  EXPECT_EQ(Expand("#ifdef NO\nx\n#else // other\ny\n#endif /* done */ z\n"), "\n\n \ny\n  z\n");
}

TEST(PreprocConditionals, DirectivesMayBeIndentedAndStandOnTheFirstLine) {
  EXPECT_EQ(Expand("  #define A 1\n\t#ifdef A\n   x A\n \t #endif\n"), "\n\n   x 1\n\n");
  EXPECT_EQ(Expand("#define A 1\nA\n"), "\n1\n");
}

TEST(PreprocConditionals, HashLaterInALineIsNoDirective) {
  EXPECT_EQ(Expand("a #define B\nB ## #\n"), "a #define B\nB ## #\n");
}

TEST(PreprocConditionals, DirectivesInsideQuotedTextAreNotRecognised) {
  EXPECT_EQ(Expand("\"x\n#define A 1\n\"A\n"), "\"x\n#define A 1\n\"A\n");
}

}  // namespace
