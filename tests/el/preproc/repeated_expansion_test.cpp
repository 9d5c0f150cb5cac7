// Macros used again and again: the results of earlier expansions and argument lists read
// straight from the text must give what expanding each use afresh gives, in text, in
// lines and in the work counted against the limits.
#include "tests/el/preproc/preproc_test_support.h"

namespace {

// The error and the output of `text` within a work limit.
std::pair<int, std::string> RunWithWork(const std::string& text, long long maxWork) {
  PreprocLimits limits;
  limits.workPerSourceByte = 0;
  limits.maxWork = maxWork;
  return RunLimited(text, limits);
}

// The least work limit within which `text` is preprocessed.
long long WorkNeeded(const std::string& text) {
  CapturedMessages messages;
  long long low = 0;
  long long high = 1 << 20;
  while (low < high) {
    long long middle = (low + high) / 2;
    if (RunWithWork(text, middle).first == kPreprocOk)
      high = middle;
    else
      low = middle + 1;
  }
  return low;
}

TEST(PreprocRepeatedExpansions, UsesFollowRedefinitionsAndTheirPlace) {
  EXPECT_EQ(Expand("#define A(x) [x __LINE__]\nA(1)\nA(1)\n#define A(x) <x>\nA(1)\nA(1)\n#undef A\nA(1)\n"),
            "\n[1 2]\n[1 3]\n\n<1>\n<1>\n\nA(1)\n");
  EXPECT_EQ(Expand("#define B inner\n#define A(x) x B\nA(1) A(1)\n#define B other\nA(1)\n"),
            "\n\n1 inner 1 inner\n\n1 other\n");
  EXPECT_EQ(Expand("#define F(a) a\n#define G F(__LINE__)\nG\nG\n"), "\n\n3\n4\n");
}

TEST(PreprocRepeatedExpansions, ArgumentListsReadEitherWayAgree) {
  std::string uses =
      "F(1, 2) F(1, 2) F( x y , z ) F((1), 2) F(\"a,b\", 2) F(1 /*c*/, 2) F(1\n, 2) F(#, ##) F(include, G) F(G, 1) "
      "F(1, 2)\n";
  EXPECT_EQ(Expand("#define G g\n#define F(a, b) (a|b)\n" + uses),
            "\n\n(1|2) (1|2) (x y|z) ((1)|2) (\"a,b\"|2) (1|2) (1|2) (#|##) (include|g) (g|1) (1|2)\n\n");
  // Wrong argument counts fail the same on every use.
  CapturedMessages messages;
  EXPECT_EQ(RunWithWork("#define F(a, b) a\nF(1, 2)\nF(1, 2, 3)\n", 1 << 20),
            std::make_pair(static_cast<int>(kPreprocTooManyArguments), std::string("\n1\n")));
  EXPECT_EQ(RunWithWork("#define F(a, b) a\nF(1, 2)\nF(1)\n", 1 << 20),
            std::make_pair(static_cast<int>(kPreprocMissingArguments), std::string("\n1\n")));
}

TEST(PreprocRepeatedExpansions, EveryUseCountsTheSameWork) {
  std::string definitions = "#define F(a) [a a] F2(a)\n#define F2(b) <b>\n#define W w[] = {1, 2};\n";
  long long base = WorkNeeded(definitions);
  long long one = WorkNeeded(definitions + "F(x) W\n") - base;
  ASSERT_GT(one, 0);
  for (int uses = 2; uses <= 5; ++uses) {
    std::string text = definitions;
    for (int i = 0; i < uses; ++i) text += "F(x) W\n";
    EXPECT_EQ(WorkNeeded(text) - base, uses * one) << uses;
  }
  // One step short, the text is all out and reading the end of the input is too much.
  CapturedMessages messages;
  std::string text = definitions + "F(x) W\nF(x) W\nF(x) W\n";
  std::pair<int, std::string> stopped = RunWithWork(text, base + 3 * one - 1);
  EXPECT_EQ(stopped.first, kPreprocTooLarge);
  EXPECT_EQ(stopped.second, "\n\n\n[x x] <x> w[] = {1, 2};\n[x x] <x> w[] = {1, 2};\n[x x] <x> w[] = {1, 2};\n");
  // Far enough back, the third use is cut in its middle, as token by token it always was.
  stopped = RunWithWork(text, base + 2 * one + one / 2);
  EXPECT_EQ(stopped.first, kPreprocTooLarge);
  EXPECT_EQ(stopped.second.rfind("\n\n\n[x x] <x> w[] = {1, 2};\n[x x] <x> w[] = {1, 2};\n", 0), 0u);
  EXPECT_LT(stopped.second.size(), 3 * std::string("[x x] <x> w[] = {1, 2};\n").size() + 3);
}

}  // namespace
