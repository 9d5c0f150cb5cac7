// Runs of text that are copied in one piece must give the same output as token by token:
// words split at the token length, strings holding comments and joined lines, line feeds
// before directives, and limits reached inside a run.
#include "tests/el/preproc/preproc_test_support.h"

namespace {

TEST(PreprocPlainRuns, RunsGiveWhatTokensGave) {
  // A word of more than 127 characters is several tokens; a piece may name a macro.
  const std::string longWord(127, 'y');
  ExpectExpansions({
      {"macro name after a long word piece", "#define FOO 1\n" + longWord + "FOO FOO\n", "\n" + longWord + "1 1\n"},
      {"no macro inside a longer word", "#define FOO 1\nx" + longWord + "FOO\n", "\nx" + longWord + "FOO\n"},
      {"strings keep comments, joined lines and words", "#define A 1\nA \"A // /* \\\nA\" A\n",
       "\n1 \"A // /* \\\nA\" 1\n"},
      {"outside strings comments and joined lines go", "a // c\nb /* c\n */ d\\\ne\n", "a \nb \n de\n\n"},
      {"line feeds before directives and indented lines", "a\n  \t b\n\t#define X 2\nX ## X\n  #ifdef X\nyes\n#endif\n",
       "a\n  \t b\n\n2 ## 2\n\nyes\n\n"},
      {"body text with a quoted comma and a comment", "#define W w[] = {\"a,b\", \"c\"}; // not a comment\nW\n",
       "\nw[] = {\"a,b\", \"c\"}; \n"},
      {"body text with # and ##", "#define P(a) a x ## y #a \"a\" b  ## c\nP(1)\n", "\n1 x  y \"1\" \"a\" b   c\n"},
  });
}

TEST(PreprocPlainRuns, LimitsInsideARunStopAtTheSameToken) {
  CapturedMessages messages;
  std::string text = "abc def, (g) \"h i\"\n  next line; #x\n";
  PreprocLimits limits;
  limits.workPerSourceByte = 0;
  // Token by token: each word, blank and sign is a step, and words count their length.
  // The start of the file and the token LineStart reads ahead are two more.
  limits.maxWork = 11;  // "abc"=4, " "=1, "def"=4: the ',' is one too many
  EXPECT_EQ(RunLimited(text, limits), std::make_pair(static_cast<int>(kPreprocTooLarge), std::string("abc def")));
  limits.maxWork = 1 << 20;
  limits.maxOutputSize = 10;
  EXPECT_EQ(RunLimited(text, limits), std::make_pair(static_cast<int>(kPreprocTooLarge), std::string("abc def, (")));
  limits.maxOutputSize = 1 << 20;
  EXPECT_EQ(RunLimited(text, limits), std::make_pair(static_cast<int>(kPreprocOk), text));
}

}  // namespace
