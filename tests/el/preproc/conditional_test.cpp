// #ifdef, #ifndef, #if, #elif, #else and #endif, #pragma, and where directives may stand.
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

// The branch that `#if condition` keeps, as "yes" or "no".
std::string Truth(const std::string& condition, const std::string& before = "") {
  Lines lines = NonEmptyLines(Expand(before + "#if " + condition + "\nyes\n#else\nno\n#endif\n"));
  return lines.size() == 1 ? lines[0] : "?";
}

TEST(PreprocConditionals, IfExpressionsFollowTheRulesOfC) {
  const std::pair<const char*, const char*> cases[] = {
      {"1", "yes"}, {"0", "no"}, {"0x10 == 16", "yes"}, {"0XfF == 255", "yes"}, {"010 == 8", "yes"},
      {"10u == 10UL", "yes"}, {"-1 < 0", "yes"}, {"~0 == -1", "yes"}, {"!5", "no"}, {"!!5", "yes"}, {"+3 == 3", "yes"},
      {"2 + 3 * 4 == 14", "yes"}, {"(2 + 3) * 4 == 20", "yes"}, {"7 / 2 == 3 && 7 % 2 == 1", "yes"},
      {"-7 / 2 == -3 && -7 % 2 == -1", "yes"}, {"1 << 4 == 16", "yes"}, {"-16 >> 2 == -4", "yes"},
      {"1 << 64", "no"}, {"3 <= 3 && 3 >= 3 && 2 < 3 && 3 > 2", "yes"}, {"1 != 1", "no"}, {"6 & 3", "yes"},
      {"6 & 1", "no"}, {"(6 ^ 6) | 0", "no"}, {"4 | 1 == 1", "yes"}, {"0 || 0", "no"}, {"0 || 2", "yes"},
      {"1 && 0", "no"}, {"1 ? 2 : 0", "yes"}, {"0 ? 1 : 0", "no"}, {"0 ? 1 : 1 ? 0 : 1", "no"},
      {"1 ? 0 ? 0 : 1 : 0", "yes"}, {"unknownName", "no"}, {"unknownName == 0", "yes"},
      {"9223372036854775807 + 1 < 0", "yes"}, {"(-9223372036854775807 - 1) / -1 < 0", "yes"},
      // Only the parts of && || ?: that are taken can divide by zero.
      {"0 && 1 / 0", "no"}, {"1 || 1 % 0", "yes"}, {"1 ? 1 : 1 / 0", "yes"}, {"0 ? 1 / 0 : 0", "no"},
      {"1 /* a comment */ + 0 // and another", "yes"},
  };
  for (const auto& [condition, expected] : cases) EXPECT_EQ(Truth(condition), expected) << condition;
  // Nesting up to the limit is followed.
  EXPECT_EQ(Truth(std::string(100, '(') + "-1" + std::string(100, ')') + " < " + std::string(100, '~') + "0"), "yes");
}

TEST(PreprocConditionals, IfExpandsMacrosAndTakesDefinedFirst) {
  const std::string macros =
      "#define ONE 1\n#define ZERO 0\n#define EMPTY\n#define TWICE(x) ((x) * 2)\n#define VERSION 0x0105\n";
  const std::pair<const char*, const char*> cases[] = {
      {"ONE", "yes"}, {"ZERO", "no"}, {"TWICE(ONE) == 2", "yes"}, {"VERSION >= 0x0100 && VERSION < 0x0200", "yes"},
      {"defined ONE", "yes"}, {"defined(ZERO)", "yes"}, {"defined ( EMPTY )", "yes"}, {"defined NOTHING", "no"},
      {"!defined(NOTHING) && ONE", "yes"}, {"defined ONE && ZERO", "no"}, {"defined(TWICE)", "yes"},
      {"defined one", "no"},  // macro names keep their letter case
  };
  for (const auto& [condition, expected] : cases) EXPECT_EQ(Truth(condition, macros), expected) << condition;
  // The same with the condition continued on a second line: the output keeps its lines.
  const std::string joined = macros + "#if ONE && \\\n  defined ZERO\nyes\n#endif\nend\n";
  EXPECT_EQ(CountLines(Expand(joined)), CountLines(joined));
  EXPECT_EQ(NonEmptyLines(Expand(joined)), (Lines{"yes", "end"}));
}

TEST(PreprocConditionals, ElifChainsTakeTheFirstBranchThatHolds) {
  const std::string text =
      "#if V == 1\none\n"
      "#elif V == 2\ntwo\n"
      "#elif V >= 3\nmany\n"
      "#else\nnone\n"
      "#endif\nend\n";
  auto run = [&](const char* value) {
    const PredefinedMacro defines[] = {{"V", value}, {nullptr, nullptr}};
    std::string out = Expand(text, defines);
    EXPECT_EQ(CountLines(out), CountLines(text));
    return NonEmptyLines(out);
  };
  EXPECT_EQ(run("1"), (Lines{"one", "end"}));
  EXPECT_EQ(run("2"), (Lines{"two", "end"}));
  EXPECT_EQ(run("7"), (Lines{"many", "end"}));
  EXPECT_EQ(run("0"), (Lines{"none", "end"}));
  // A later #elif is not evaluated once a branch was taken: its division by zero is never met.
  EXPECT_EQ(NonEmptyLines(Expand("#if 1\na\n#elif 1 / 0\nb\n#endif\n")), Lines{"a"});
  // #elif after #ifdef and #ifndef.
  EXPECT_EQ(NonEmptyLines(Expand("#ifdef NO\na\n#elif 1\nb\n#endif\n")), Lines{"b"});
  EXPECT_EQ(NonEmptyLines(Expand("#define A\n#ifndef A\na\n#elif defined A\nb\n#else\nc\n#endif\n")), Lines{"b"});
}

TEST(PreprocConditionals, IfNestsFreelyWithIfdefAndDroppedBranchesRunNothing) {
  const std::string text =
      "#ifdef A\n"
      "#if B\nab\n#elif defined C\nac\n#else\na\n#endif\n"
      "#else\n"
      "#ifndef C\n#if B > 1\nbig\n#endif\n#endif\n"
      "#endif\n";
  auto run = [&](std::initializer_list<PredefinedMacro> list) {
    std::vector<PredefinedMacro> defines(list);
    defines.push_back({nullptr, nullptr});
    return NonEmptyLines(Expand(text, defines.data()));
  };
  EXPECT_EQ(run({{"A", ""}, {"B", "1"}}), Lines{"ab"});
  EXPECT_EQ(run({{"A", ""}, {"B", "0"}, {"C", ""}}), Lines{"ac"});
  EXPECT_EQ(run({{"A", ""}}), Lines{"a"});
  EXPECT_EQ(run({{"B", "2"}}), Lines{"big"});
  EXPECT_EQ(run({{"B", "2"}, {"C", ""}}), Lines{});
  // Inside a dropped branch nothing is evaluated or executed: no bad expression, define,
  // include or pragma counts there.
  CapturedMessages messages;
  PreprocResult result = RunText(
      "#if 0\n#if 1 / 0 +\n#elif (\n#else\n#define X 1\n#include \"missing.h\"\n#endif\n#pragma anything\n#endif\n"
      "#ifdef NO\n#elif 0\n#elif 1\nshown\n#endif\nX\n");
  EXPECT_TRUE(result.ok) << messages.All();
  EXPECT_EQ(NonEmptyLines(result.text), (Lines{"shown", "X"}));
  EXPECT_TRUE(messages.logLines.empty());
}

TEST(PreprocConditionals, PragmaLinesAreDropped) {
  ExpectExpansions({
      {"a pragma", "a\n#pragma once\nb\n", "a\n\nb\n"},
      {"indented, with a comment", "  #pragma warning(disable: 42) /* x\n y */\nb\n", "\n\nb\n"},
      {"continued on further lines", "#pragma region a \\\n  still the pragma \\\n  and this\nb\n", "\n\n\nb\n"},
      {"macros in a pragma are not expanded or defined", "#pragma define X 1\nX\n", "\nX\n"},
      {"in a kept and in a dropped branch", "#ifdef NO\n#pragma no\n#else\n#pragma yes\nkept\n#endif\n",
       "\n\n\n\nkept\n\n"},
      {"the word pragma elsewhere is text", "pragma if elif\n", "pragma if elif\n"},
  });
}

}  // namespace

