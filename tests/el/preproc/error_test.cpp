// Every error code, the place it names and the final report.
#include "tests/el/preproc/preproc_test_support.h"

namespace {

// `text` as "main.cpp", with the include file "inc.h" available, fails with error `code`
// reported at `line` of main.cpp.
struct ErrorCase {
  int code;
  int line;
  std::string text;
};

TEST(PreprocErrors, EveryCodeNamesItsLine) {
  std::string deepArguments = "#define F(a) a\n";
  for (int i = 0; i < 300; ++i) deepArguments += "F(";
  std::string deepConditionals;
  for (int i = 0; i < 300; ++i) deepConditionals += "#ifndef X\n";
  // Expressions nested beyond what is followed down the stack.
  const std::string deepParentheses = "#if " + std::string(300, '(') + "1" + std::string(300, ')') + "\n#endif\n";
  const std::string deepNots = "#if " + std::string(300, '!') + "1\n#endif\n";
  const ErrorCase cases[] = {
      // 2: #include without '"' or '<', or a name not closed on its line.
      {2, 2, "x\n#include inc.h\n"},
      {2, 1, "#include\n"},
      {2, 1, "#include \"inc.h\n\"\n"},
      {2, 1, "#include <inc.h"},
      // 4: a parameter list without its ')'.
      {4, 1, "#define F(a,b\nF(1,2)\n"},
      {4, 1, "#define F(a+b) a\n"},
      {4, 1, "#define F("},
      // 6: #else or #endif without a conditional.
      {6, 2, "a\n#endif\n"},
      {6, 1, "#else\n"},
      {6, 2, "x\n#elif 1\n#endif\n"},
      // 7: unknown directives, also inside a dropped branch.
      {7, 1, "#pragmas once\n"},
      {7, 1, "#If 1\n#endif\n"},
      {7, 2, "x\n#\n"},
      {7, 1, "# define A\n"},
      {7, 1, "#line 5 \"x\"\n"},
      {7, 2, "#ifdef NO\n#elseif 1\n#endif\n"},
      {7, 3, "#if 0\n#pragma x\n#warning x\n#endif\n"},
      // 8: an argument list not closed; in a body it must close inside the body.
      {8, 3, "#define F(a) a\nF(1,\n"},
      {8, 2, "#define F(a) a\nF((1)"},
      {8, 3, "#define F(a) a\n#define G F(1\nG)\n"},
      // 9: more arguments than parameters.
      {9, 2, "#define F(a) a\nF(1,2)\n"},
      {9, 2, "#define F() a\nF(x)\n"},
      // 10: no '(' after the name, or too few arguments.
      {10, 2, "#define F(a,b) a\nF(1)\n"},
      {10, 2, "#define F(a) a\nF (1)\n"},
      {10, 2, "#define F(a) a\nF\nx\n"},
      {10, 3, "#define F(a) a\n#define G F\nG(1)\n"},
      // 11: a directive without its name.
      {11, 1, "#ifdef\n#endif\n"},
      {11, 1, "#ifndef (X)\n#endif\n"},
      {11, 2, "x\n#undef\n"},
      {11, 1, "#define \"A\" 1\n"},
      // 12: a conditional without #endif.
      {12, 3, "#ifdef A\nx\n"},
      {12, 4, "#ifndef A\nx\n#else\ny"},
      {12, 3, "#ifdef A\n#else\n#else\n#endif\n"},
      {12, 3, "#if 1\nx\n"},
      {12, 3, "#if 0\n#else\n#elif 1\n#endif\n"},
      {12, 3, "#if 0\n#elif 1\n"},
      // 13: self reference and nesting beyond the limits.
      {13, 2, "#define A A\nA\n"},
      {13, 3, "#define A B\n#define B A\nx A\n"},
      {13, 2, "#define F(a) F(a)\nF(1)\n"},
      {13, 2, deepArguments},
      {13, 257, deepConditionals},
      // 15: a malformed #if or #elif expression, or one that divides by zero.
      {15, 1, "#if\n#endif\n"},
      {15, 2, "x\n#if 1 +\n#endif\n"},
      {15, 1, "#if 1/0\n#endif\n"},
      {15, 1, "#if 5 % (2 - 2)\n#endif\n"},
      {15, 2, "#if 0\n#elif (1\n#endif\n"},
      {15, 1, "#if defined\n#endif\n"},
      {15, 1, "#if defined(A\n#endif\n"},
      {15, 1, "#if __has_include(inc.h)\n#endif\n"},
      {15, 1, "#if __has_include(\"inc.h\"\n#endif\n"},
      {15, 1, "#if \"text\"\n#endif\n"},
      {15, 1, "#if 08\n#endif\n"},
      {15, 1, "#if 1 = 1\n#endif\n"},
      {15, 2, "#define ZERO 0\n#if 1 / ZERO\n#endif\n"},
      {15, 1, deepParentheses},
      {15, 1, deepNots},
      {15, 1, "#if 99999999999999999999\n#endif\n"},
  };
  for (const ErrorCase& c : cases) {
    CapturedMessages messages;
    EXPECT_FALSE(RunText(c.text, {{"inc.h", "included\n"}}).ok) << c.text;
    std::string report = "Preprocessor failed on file main.cpp - error " + std::to_string(c.code) +
                         " (source main.cpp, line " + std::to_string(c.line) + ").";
    EXPECT_TRUE(messages.Errored(report)) << c.text << "\nmessages:\n" << messages.All();
  }
}

// Errors that name an included file as their source, or report more than the final line.
TEST(PreprocErrors, MessagesOfIncludes) {
  CapturedMessages messages;
  EXPECT_FALSE(RunText("ok\n#include \"nothere.h\"\n").ok);
  EXPECT_TRUE(messages.Logged("Include file nothere.h not found."));
  EXPECT_TRUE(messages.Errored("Cannot include file nothere.h"));
  EXPECT_TRUE(messages.Errored("Preprocessor failed on file main.cpp - error 1 (source main.cpp, line 2)."));
  // Conditionals do not reach across files.
  EXPECT_FALSE(RunText("#ifndef X\n#include \"inc.h\"\n", {{"inc.h", "\n#endif\n"}}).ok);
  EXPECT_TRUE(messages.Errored("Preprocessor failed on file main.cpp - error 6 (source inc.h, line 2)."));
  EXPECT_FALSE(RunText("#include \"inc.h\"\n", {{"inc.h", "x\n#include \"inc.h\"\n"}}).ok);
  EXPECT_TRUE(messages.Errored("Includes nested deeper than 32 files at inc.h"));
  EXPECT_TRUE(messages.Errored("Preprocessor failed on file main.cpp - error 13 (source inc.h, line 2)."));
}

TEST(PreprocErrors, ExpressionMessagesNameTheFileLineAndExpression) {
  CapturedMessages messages;
  EXPECT_FALSE(RunText("x\n#if 4 / (2 - 2) // why\n#endif\n").ok);
  EXPECT_TRUE(messages.Errored("File main.cpp, line 2: #if 4 / (2 - 2): division by zero")) << messages.All();
  EXPECT_TRUE(messages.Errored("Preprocessor failed on file main.cpp - error 15 (source main.cpp, line 2)."));
  // The expression after expansion is shown as well.
  EXPECT_FALSE(RunText("#define N 0\n#if 0\n#elif 7 % N\n#endif\n").ok);
  EXPECT_TRUE(messages.Errored("File main.cpp, line 3: #elif 7 % N (expanded: 7 % 0): division by zero"))
      << messages.All();
  EXPECT_FALSE(RunText("#if (1 +\n#endif\n", {{"inc.h", ""}}).ok);
  EXPECT_TRUE(messages.Errored("File main.cpp, line 1: #if (1 +: a value expected at the end")) << messages.All();
  // In an included file, that file is named.
  EXPECT_FALSE(RunText("#include \"inc.h\"\n", {{"inc.h", "\n\n#if 1 2\n#endif\n"}}).ok);
  EXPECT_TRUE(messages.Errored("File inc.h, line 3: #if 1 2: unexpected '2'")) << messages.All();
  EXPECT_TRUE(messages.Errored("Preprocessor failed on file main.cpp - error 15 (source inc.h, line 3)."));
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

// The error code of `text` within `limits`, where "f0.h" to "f29.h" each include the next
// one twice; the output never passes its limit.
int RunWithLimits(const std::string& text, const PreprocLimits& limits) {
  Files files{{"f30.h", ""}};
  for (int i = 0; i < 30; ++i) {
    std::string next = "#include \"f" + std::to_string(i + 1) + ".h\"\n";
    files.emplace_back("f" + std::to_string(i) + ".h", next + next);
  }
  auto [error, output] = RunLimited(text, limits, files);
  EXPECT_LE(output.size(), static_cast<size_t>(limits.maxOutputSize));
  return error;
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
