// Macro definition and expansion, as the output text shows it.
#include "tests/el/preproc/preproc_test_support.h"

namespace {

TEST(PreprocMacros, MacrosWithoutParameters) {
  ExpectExpansions({
      {"replaced by the body", "#define A 1\nA A\n", "\n1 1\n"},
      {"one blank after the name is skipped, more belong to the body", "#define A  x\n[A]\n", "\n[ x]\n"},
      {"empty body", "#define EMPTY\n[EMPTY]\n", "\n[]\n"},
      {"case-sensitive, whole words only", "#define A 1\na AA A_ A.A\n", "\na AA A_ 1.1\n"},
      {"bodies are expanded again", "#define A 1\n#define B A+A\nB\n", "\n\n1+1\n"},
      {"looked up when used, not when defined", "#define A B\n#define B 2\nA\n", "\n\n2\n"},
      {"redefine replaces, undef removes", "#define A 1\nA\n#undef A\nA\n#define A 2\nA\n#undef NEVER\n",
       "\n1\n\nA\n\n2\n\n"},
      {"not inside quoted text", "#define A 1\n\"A\" A \"say \"\"A\"\"\"\n", "\n\"A\" 1 \"say \"\"A\"\"\"\n"},
      {"body drops a line comment", "#define U \"http://x\" // note\nU\n", "\n\"http://x\" \n"},
      {"body drops a block comment", "#define B 1/* c */2\nB\n", "\n12\n"},
      {"body keeps quoted comment starts", "#define B \"/*\" 1\nB\n", "\n\"/*\" 1\n"},
      {"backslash continues the body", "#define L 1 \\\n 2\nL\n", "\n\n1  2\n"},
      {"continued body with a parameter", "#define F(a) a \\\n+a\nF(x)\n", "\n\nx +x\n"},
      {"directive words are not expanded as text", "#define define x\ninclude define else\n",
       "\ninclude define else\n"},
      {"__LINE__ and __FILE__", "x\n__LINE__ __FILE__\n", "x\n2 \"main.cpp\"\n"},
      {"__FILE__ and __LINE__ in a body name the place of use", "#define HERE __FILE__:__LINE__\n\nHERE\n",
       "\n\n\"main.cpp\":3\n"},
  });
}

TEST(PreprocMacros, ParametersAndArguments) {
  ExpectExpansions({
      {"parameters are replaced", "#define F(a,b) [a|b|a]\nF(1,2)\n", "\n[1|2|1]\n"},
      {"blanks around parameters and arguments", "#define F( a , b ) a-b\nF( x y , z )\n", "\nx y-z\n"},
      {"a parameter hides a macro of its name", "#define a 0\n#define F(a) a\nF(5) a\n", "\n\n5 0\n"},
      {"not replaced inside quotes", "#define F(a) \"a\" a\nF(1)\n", "\n\"a\" 1\n"},
      {"one empty argument; none for an empty list", "#define F(a) <a>\n#define G() g\nF() G()\n", "\n\n<> g\n"},
      {"commas in nested parentheses", "#define F(a) <a>\nF(f(1,2))\n", "\n<f(1,2)>\n"},
      {"commas in quotes", "#define F(a) <a>\nF(\"x,y\")\n", "\n<\"x,y\">\n"},
      {"both at once", "#define F(a,b) a;b\nF((1,(2,3)),\"(,\")\n", "\n(1,(2,3));\"(,\"\n"},
      {"arguments are expanded", "#define ONE 1\n#define F(a) (a)\nF(ONE)\n", "\n\n(1)\n"},
      {"through another macro", "#define F(a) f(a)\n#define G(a) F(a)F(a)\nG(x)\n", "\n\nf(x)f(x)\n"},
      {"nested uses", "#define F(a) [a]\nF(F(F(1)))\n", "\n[[[1]]]\n"},
      {"quoted argument text is kept", "#define A 1\n#define F(a) a\nF(\"A\" A)\n", "\n\n\"A\" 1\n"},
      {"arguments may span lines", "#define F(a,b) a+b\nF(1, // one\n2 /* two */)\nz\n", "\n1+2\n\nz\n"},
  });
}

TEST(PreprocMacros, HashQuotesAndDoubleHashJoins) {
  ExpectExpansions({
      {"# quotes the argument", "#define S(a) #a\nS(abc)\n", "\n\"abc\"\n"},
      {"# drops outer blanks", "#define S(a) #a\nS( two words )\n", "\n\"two words\"\n"},
      {"# through another macro quotes the outer argument", "#define Q(x) #x\n#define W(x) Q(x)\nW(abc)\n",
       "\n\n\"abc\"\n"},
      {"# before anything but a parameter is copied", "#define S(a) #b #1\nS(x)\n", "\n#b #1\n"},
      {"## joins", "#define P(a,b) a##b\nP(x,y)\n", "\nxy\n"},
      {"blanks beside ## are tokens and stay", "#define P(a,b) a ## b\nP(x,y)\n", "\nx  y\n"},
      {"## inside a word", "#define C(n) class n##_base {};\nC(car)\n", "\nclass car_base {};\n"},
      {"## without parameters", "#define AB a##b\nAB\n", "\nab\n"},
      {"words beside ## are expanded too", "#define x 0\n#define y 9\n#define P(a) x##a##y\nP(1)\n", "\n\n\n019\n"},
      {"a prefix macro joined to arguments", "#define PREFIX abc\n#define G(v) PREFIX##_##v\n#define R(v) v##PREFIX\nG(x) R(y)\n",
       "\n\n\nabc_x yabc\n"},
  });
}

TEST(PreprocMacros, BlanksBesideDoubleHashAreKept) {
  ExpectExpansions({
      {"blank before ##", "#define C(w) class ##w;\nC(Gun)\n", "\nclass Gun;\n"},
      {"blank after ##", "#define C(w) w## _x\nC(Gun)\n", "\nGun _x\n"},
      {"blanks on both sides", "#define C(w) a ## w ## b\nC(Gun)\n", "\na  Gun  b\n"},
      {"tabs are blanks too", "#define C(w) class\t##w\nC(Gun)\n", "\nclass\tGun\n"},
      {"a proxy class as addons write it",
       "#define PROXY(weapon) class ##weapon; class my_##weapon: ##weapon { reload = 0.5; }\nPROXY(HMG_Static);\n",
       "\nclass HMG_Static; class my_HMG_Static: HMG_Static { reload = 0.5; };\n"},
      {"inside nested macros",
       "#define BASE(w) class ##w {};\n#define PAIR(a, b) BASE(a) class my_##b: ##a {};\nPAIR(Gun, Cannon)\n",
       "\n\nclass Gun {}; class my_Cannon: Gun {};\n"},
      {"a macro beside ## and a blank is expanded", "#define KIND vehicle\n#define C(w) KIND ##w\nC(_car)\n",
       "\n\nvehicle _car\n"},
      {"## at the ends of a body", "#define E(w) ##w##\n[E(x)]\n", "\n[x]\n"},
  });
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

}  // namespace
