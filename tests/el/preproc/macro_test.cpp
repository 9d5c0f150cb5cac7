// Macro definition and expansion, as the output text shows it.
#include <gtest/gtest.h>

#include "tests/el/preproc/preproc_test_support.h"

namespace {

TEST(PreprocMacros, MacroWithoutParametersIsReplacedByItsBody) {
  EXPECT_EQ(Expand("#define A 1\nA A\n"), "\n1 1\n");
  // One blank after the name is skipped; further blanks belong to the body.
  EXPECT_EQ(Expand("#define A  x\n[A]\n"), "\n[ x]\n");
  EXPECT_EQ(Expand("#define EMPTY\n[EMPTY]\n"), "\n[]\n");
  // Names are case-sensitive and only whole words are replaced.
  EXPECT_EQ(Expand("#define A 1\na AA A_ A.A\n"), "\na AA A_ 1.1\n");
}

TEST(PreprocMacros, BodiesAreExpandedAgainWhenUsed) {
  EXPECT_EQ(Expand("#define A 1\n#define B A+A\nB\n"), "\n\n1+1\n");
  // B is looked up when it is used, not when A is defined.
  EXPECT_EQ(Expand("#define A B\n#define B 2\nA\n"), "\n\n2\n");
}

TEST(PreprocMacros, RedefineReplacesAndUndefRemoves) {
  EXPECT_EQ(Expand("#define A 1\nA\n#undef A\nA\n#define A 2\nA\n#undef NEVER\n"), "\n1\n\nA\n\n2\n\n");
}

TEST(PreprocMacros, ParametersAreReplacedByTheirArguments) {
  EXPECT_EQ(Expand("#define F(a,b) [a|b|a]\nF(1,2)\n"), "\n[1|2|1]\n");
  EXPECT_EQ(Expand("#define F( a , b ) a-b\nF( x y , z )\n"), "\nx y-z\n");
  // A parameter hides a macro of the same name inside the body.
  EXPECT_EQ(Expand("#define a 0\n#define F(a) a\nF(5) a\n"), "\n\n5 0\n");
  // Parameters are not replaced inside double quotes.
  EXPECT_EQ(Expand("#define F(a) \"a\" a\nF(1)\n"), "\n\"a\" 1\n");
  // One empty argument for one parameter; none for an empty list.
  EXPECT_EQ(Expand("#define F(a) <a>\n#define G() g\nF() G()\n"), "\n\n<> g\n");
}

TEST(PreprocMacros, CommasInsideNestedParenthesesOrQuotesStayInTheArgument) {
  EXPECT_EQ(Expand("#define F(a) <a>\nF(f(1,2))\n"), "\n<f(1,2)>\n");
  EXPECT_EQ(Expand("#define F(a) <a>\nF(\"x,y\")\n"), "\n<\"x,y\">\n");
  EXPECT_EQ(Expand("#define F(a,b) a;b\nF((1,(2,3)),\"(,\")\n"), "\n(1,(2,3));\"(,\"\n");
}

TEST(PreprocMacros, ArgumentsAreExpandedAsTheyAreRead) {
  EXPECT_EQ(Expand("#define ONE 1\n#define F(a) (a)\nF(ONE)\n"), "\n\n(1)\n");
  EXPECT_EQ(Expand("#define F(a) f(a)\n#define G(a) F(a)F(a)\nG(x)\n"), "\n\nf(x)f(x)\n");
  EXPECT_EQ(Expand("#define F(a) [a]\nF(F(F(1)))\n"), "\n[[[1]]]\n");
  // Macro names inside quoted argument text stay as they are.
  EXPECT_EQ(Expand("#define A 1\n#define F(a) a\nF(\"A\" A)\n"), "\n\n\"A\" 1\n");
}

TEST(PreprocMacros, HashBeforeAParameterQuotesTheArgument) {
  EXPECT_EQ(Expand("#define S(a) #a\nS(abc)\n"), "\n\"abc\"\n");
  EXPECT_EQ(Expand("#define S(a) #a\nS( two words )\n"), "\n\"two words\"\n");
  // Through another macro, the parameter is the outer argument.
  EXPECT_EQ(Expand("#define Q(x) #x\n#define W(x) Q(x)\nW(abc)\n"), "\n\n\"abc\"\n");
  // Before anything else than a parameter, `#` is copied.
  EXPECT_EQ(Expand("#define S(a) #b #1\nS(x)\n"), "\n#b #1\n");
}

TEST(PreprocMacros, DoubleHashJoinsItsNeighbours) {
  EXPECT_EQ(Expand("#define P(a,b) a##b\nP(x,y)\n"), "\nxy\n");
  EXPECT_EQ(Expand("#define P(a,b) a ## b\nP(x,y)\n"), "\nxy\n");
  EXPECT_EQ(Expand("#define C(n) class n##_base {};\nC(car)\n"), "\nclass car_base {};\n");
  EXPECT_EQ(Expand("#define AB a ## b\nAB\n"), "\nab\n");
  // The words on either side are joined as written, not expanded.
  EXPECT_EQ(Expand("#define x 0\n#define y 9\n#define P(a) x##a##y\nP(1)\n"), "\n\n\nx1y\n");
}

TEST(PreprocMacros, FileAndLineNameTheCurrentPlace) {
  EXPECT_EQ(Expand("x\n__LINE__ __FILE__\n"), "x\n2 \"main.cpp\"\n");
  EXPECT_EQ(Expand("#define HERE __FILE__:__LINE__\n\nHERE\n"), "\n\n\"main.cpp\":3\n");
}

TEST(PreprocMacros, MacroNamesInsideQuotedTextAreNotExpanded) {
  EXPECT_EQ(Expand("#define A 1\n\"A\" A \"say \"\"A\"\"\"\n"), "\n\"A\" 1 \"say \"\"A\"\"\"\n");
}

TEST(PreprocMacros, BodyDropsCommentsButNotQuotedText) {
  EXPECT_EQ(Expand("#define U \"http://x\" // note\nU\n"), "\n\"http://x\" \n");
  EXPECT_EQ(Expand("#define B 1/* c */2\nB\n"), "\n12\n");
  EXPECT_EQ(Expand("#define B \"/*\" 1\nB\n"), "\n\"/*\" 1\n");
}

TEST(PreprocMacros, BackslashContinuesTheBodyOnTheNextLine) {
  EXPECT_EQ(Expand("#define L 1 \\\n 2\nL\n"), "\n\n1  2\n");
  EXPECT_EQ(Expand("#define F(a) a \\\n+a\nF(x)\n"), "\n\nx +x\n");
}

TEST(PreprocMacros, ArgumentsMaySpanLines) {
  EXPECT_EQ(Expand("#define F(a,b) a+b\nF(1, // one\n2 /* two */)\nz\n"), "\n1+2\n\nz\n");
}

TEST(PreprocMacros, PredefinedMacrosAreDefinedFirst) {
  const PredefinedMacro defines[] = {{"DEBUG", "1"}, {"EMPTY", nullptr}, {nullptr, nullptr}};
  EXPECT_EQ(Expand("DEBUG[EMPTY]\n#ifdef EMPTY\nyes\n#endif\n", defines), "1[]\n\nyes\n\n");
  // The list ends at the first empty name.
  const PredefinedMacro cut[] = {{"A", "1"}, {"", "x"}, {"B", "2"}, {nullptr, nullptr}};
  EXPECT_EQ(Expand("A B\n", cut), "1 B\n");
  // The file may redefine them.
  EXPECT_EQ(Expand("#define DEBUG 0\nDEBUG\n", defines), "\n0\n");
}

TEST(PreprocMacros, DirectiveWordsAreNotExpandedAsText) {
  EXPECT_EQ(Expand("#define define x\ninclude define else\n"), "\ninclude define else\n");
}

}  // namespace
