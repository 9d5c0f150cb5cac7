// Every error code, the place it names and the final report.
#include <gtest/gtest.h>

#include <string>

#include "el/preproc/file_preprocessor.h"
#include "tests/el/preproc/preproc_test_support.h"

namespace {

struct ErrorCase {
  const char* text;
  int code;
  int line;
};

// Runs `text` as "main.cpp" with the include file "inc.h" available.
void ExpectFailure(const ErrorCase& c) {
  CapturedMessages messages;
  PreprocResult result = RunText(c.text, {{"inc.h", "included\n"}});
  EXPECT_FALSE(result.ok) << c.text;
  std::string report = "Preprocessor failed on file main.cpp - error " + std::to_string(c.code) +
                       " (source main.cpp, line " + std::to_string(c.line) + ").";
  EXPECT_TRUE(messages.Errored(report)) << c.text << "\nlast message: "
                                        << (messages.errorLines.empty() ? "" : messages.errorLines.back());
}

TEST(PreprocErrors, IncludedFileThatCannotBeOpenedIs1) {
  CapturedMessages messages;
  EXPECT_FALSE(RunText("ok\n#include \"nothere.h\"\n").ok);
  EXPECT_TRUE(messages.Logged("Include file nothere.h not found."));
  EXPECT_TRUE(messages.Errored("Cannot include file nothere.h"));
  EXPECT_TRUE(messages.Errored("Preprocessor failed on file main.cpp - error 1 (source main.cpp, line 2)."));
}

TEST(PreprocErrors, IncludeWithoutQuoteOrAngleBracketIs2) {
  ExpectFailure({"x\n#include inc.h\n", 2, 2});
  ExpectFailure({"#include\n", 2, 1});
  ExpectFailure({"#include \"inc.h\n\"\n", 2, 1});  // the name must close on its line
  ExpectFailure({"#include <inc.h", 2, 1});
}

TEST(PreprocErrors, ParameterListWithoutClosingParenthesisIs4) {
  ExpectFailure({"#define F(a,b\nF(1,2)\n", 4, 1});
  ExpectFailure({"#define F(a+b) a\n", 4, 1});
  ExpectFailure({"#define F(", 4, 1});
}

TEST(PreprocErrors, ElseOrEndifWithoutConditionalIs6) {
  ExpectFailure({"a\n#endif\n", 6, 2});
  ExpectFailure({"#else\n", 6, 1});
  // Conditionals do not reach across files.
  CapturedMessages messages;
  EXPECT_FALSE(RunText("#ifndef X\n#include \"inc.h\"\n", {{"inc.h", "\n#endif\n"}}).ok);
  EXPECT_TRUE(messages.Errored("Preprocessor failed on file main.cpp - error 6 (source inc.h, line 2)."));
}

TEST(PreprocErrors, UnknownDirectiveIs7) {
  ExpectFailure({"#pragma once\n", 7, 1});
  ExpectFailure({"x\n#\n", 7, 2});
  ExpectFailure({"# define A\n", 7, 1});
  ExpectFailure({"#line 5 \"x\"\n", 7, 1});
  ExpectFailure({"#ifdef NO\n#if 1\n#endif\n", 7, 2});  // also inside a dropped branch
}

TEST(PreprocErrors, ArgumentListNotClosedIs8) {
  ExpectFailure({"#define F(a) a\nF(1,\n", 8, 3});
  ExpectFailure({"#define F(a) a\nF((1)", 8, 2});
  // In a body the list must close inside the body.
  ExpectFailure({"#define F(a) a\n#define G F(1\nG)\n", 8, 3});
}

TEST(PreprocErrors, MoreArgumentsThanParametersIs9) {
  ExpectFailure({"#define F(a) a\nF(1,2)\n", 9, 2});
  ExpectFailure({"#define F() a\nF(x)\n", 9, 2});
}

TEST(PreprocErrors, MissingParenthesisOrTooFewArgumentsIs10) {
  ExpectFailure({"#define F(a,b) a\nF(1)\n", 10, 2});
  ExpectFailure({"#define F(a) a\nF (1)\n", 10, 2});
  ExpectFailure({"#define F(a) a\nF\nx\n", 10, 2});
  ExpectFailure({"#define F(a) a\n#define G F\nG(1)\n", 10, 3});
}

TEST(PreprocErrors, DirectiveWithoutNameIs11) {
  ExpectFailure({"#ifdef\n#endif\n", 11, 1});
  ExpectFailure({"#ifndef (X)\n#endif\n", 11, 1});
  ExpectFailure({"x\n#undef\n", 11, 2});
  ExpectFailure({"#define \"A\" 1\n", 11, 1});
}

TEST(PreprocErrors, ConditionalWithoutEndifIs12) {
  ExpectFailure({"#ifdef A\nx\n", 12, 3});
  ExpectFailure({"#ifndef A\nx\n#else\ny", 12, 4});
  ExpectFailure({"#ifdef A\n#else\n#else\n#endif\n", 12, 3});
}

TEST(PreprocErrors, ProcessingStopsAtTheFirstError) {
  CapturedMessages messages;
  PreprocResult result = RunText("before\n#bad\n#include \"nothere.h\"\nafter\n");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.text, "before\n");
  EXPECT_TRUE(messages.logLines.empty());
  EXPECT_EQ(messages.errorLines,
            std::vector<std::string>{"Preprocessor failed on file main.cpp - error 7 (source main.cpp, line 2)."});
}

// The limits that keep any input from running away.
TEST(PreprocErrors, SelfReferenceAndDeepNestingAre13) {
  ExpectFailure({"#define A A\nA\n", 13, 2});
  ExpectFailure({"#define A B\n#define B A\nx A\n", 13, 3});
  ExpectFailure({"#define F(a) F(a)\nF(1)\n", 13, 2});
  std::string deepArguments = "#define F(a) a\n";
  for (int i = 0; i < 300; ++i) deepArguments += "F(";
  ExpectFailure({deepArguments.c_str(), 13, 2});
  std::string deepConditionals;
  for (int i = 0; i < 300; ++i) deepConditionals += "#ifndef X\n";
  ExpectFailure({deepConditionals.c_str(), 13, 257});

  CapturedMessages messages;
  EXPECT_FALSE(RunText("#include \"inc.h\"\n", {{"inc.h", "x\n#include \"inc.h\"\n"}}).ok);
  EXPECT_TRUE(messages.Errored("Includes nested deeper than 32 files at inc.h"));
  EXPECT_TRUE(messages.Errored("Preprocessor failed on file main.cpp - error 13 (source inc.h, line 2)."));
}

// Preprocesses `text` as "main.cpp" within `limits`; returns the error code. The files
// "f0.h" to "f29.h" each include the next one twice.
int RunWithLimits(const std::string& text, const PreprocLimits& limits) {
  MemoryFileBank bank;
  bank.Add("main.cpp", text);
  for (int i = 0; i < 30; ++i) {
    std::string next = "#include \"f" + std::to_string(i + 1) + ".h\"\n";
    bank.Add("f" + std::to_string(i) + ".h", next + next);
  }
  bank.Add("f30.h", "");
  QOStrStream out;
  BankPreprocessor preproc(out, bank);
  preproc.SetLimits(limits);
  preproc.Process("main.cpp");
  EXPECT_LE(out.GetBufferSize(), static_cast<size_t>(limits.maxOutputSize));
  return preproc.Error();
}

TEST(PreprocErrors, RunawayExpansionIs14) {
  CapturedMessages messages;
  PreprocLimits limits;
  limits.maxWork = 1 << 20;
  limits.maxOutputSize = 1 << 16;
  // Each macro doubles the one before: 2^40 expansions.
  std::string doubling = "#define X0 x\n";
  for (int i = 1; i <= 40; ++i)
    doubling += "#define X" + std::to_string(i) + " X" + std::to_string(i - 1) + " X" + std::to_string(i - 1) + "\n";
  EXPECT_EQ(RunWithLimits(doubling + "X40\n", limits), kPreprocTooLarge);
  // The same without any output: only the work limit stops it.
  std::string silent = "#define E(a)\n#define Y0\n";
  for (int i = 1; i <= 40; ++i)
    silent += "#define Y" + std::to_string(i) + " E(Y" + std::to_string(i - 1) + ")E(Y" + std::to_string(i - 1) + ")\n";
  EXPECT_EQ(RunWithLimits(silent + "Y40\n", limits), kPreprocTooLarge);
  // 2^30 includes within the include depth.
  EXPECT_EQ(RunWithLimits("#include \"f0.h\"\n", limits), kPreprocTooLarge);
  limits.maxOutputSize = 1 << 30;
  EXPECT_EQ(RunWithLimits("#include \"f0.h\"\n", limits), kPreprocTooLarge);
  limits.maxOutputSize = 1 << 16;
  // Plain text beyond the output limit, and a file beyond the source limit.
  EXPECT_EQ(RunWithLimits(std::string(1 << 17, 'x'), limits), kPreprocTooLarge);
  limits.maxSourceSize = 100;
  EXPECT_EQ(RunWithLimits(std::string(101, '\n'), limits), kPreprocTooLarge);
  EXPECT_EQ(RunWithLimits(std::string(100, '\n'), limits), kPreprocOk);
}

TEST(PreprocErrors, LargeFilesEarnWorkInProportionToTheirSize) {
  PreprocLimits limits;
  limits.maxWork = 1000;
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "#define M x\nclass A { v = M; };\n";
  EXPECT_EQ(RunWithLimits(text, limits), kPreprocOk);
  limits.workPerSourceByte = 0;
  CapturedMessages messages;
  EXPECT_EQ(RunWithLimits(text, limits), kPreprocTooLarge);
  EXPECT_TRUE(messages.Errored("Preprocessing needs more than 1000 steps; a macro or an include repeats without end?"));
}

}  // namespace
