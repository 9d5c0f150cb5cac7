// The output keeps the input's line count, so that the parser can quote source lines.
#include "tests/el/preproc/preproc_test_support.h"

namespace {

TEST(PreprocLineCount, EveryConstructKeepsTheLineCount) {
  // Joined lines write their line feeds at the next line feed; text after a block comment
  // stays on its line.
  const ExpandCase cases[] = {
      {"block comment", "a /* 1\n2\n3 */ b\nc\n", "a \n\n b\nc\n"},
      {"joined lines", "a \\\nb\nc\n", "a b\n\nc\n"},
      {"joined line comment", "// one \\\n two\nthree\n", "\n\nthree\n"},
      {"joined body", "#define A 1 \\\n 2 \\\n 3\nA\n", "\n\n\n1  2  3\n"},
      {"joined body and __LINE__", "#define A 1 \\\n 2 \\\n 3\nA __LINE__\n", "\n\n\n1  2  3 4\n"},
      {"comment in a body", "#define A 1 /* long\n comment */ 2\nA\n", "\n\n1  2\n"},
      {"arguments over lines", "#define F(a,b) a b\nF(1,\n\n2)\nF(\n3,\n4)x\n", "\n1 2\n\n\n3 4x\n\n\n"},
      {"dropped branch", "#ifdef NO\n\"open\nquote\"\n/* c\n*/\n#define X \\\n\n#else\nyes\n#endif\n",
       "\n\n\n\n\n\n\n\nyes\n\n"},
      {"joined line in a string in a dropped branch", "#ifdef NO\n\"a \\\nb\"\n#endif\n", "\n\n\n\n"},
      {"nested dropped branch", "#ifndef NO\n  #ifdef NO\n  x\n  #endif\n#endif\n", "\n\n\n\n\n"},
      {"quoted line feed and joined end", "\"line\none\" \\\nend", "\"line\none\" end\n"},
      {"joined empty body at the end", "#define A \\\n", "\n"},
      {"no line feed at the end", "no line feed at the end", "no line feed at the end"},
  };
  for (const ExpandCase& c : cases) {
    std::string output = Expand(c.text);
    EXPECT_EQ(output, c.expected) << c.name;
    EXPECT_EQ(CountLines(output), CountLines(c.text)) << c.name;
  }
}

TEST(PreprocLineCount, MarkersAfterAnIncludeRestoreTheIncludingLine) {
  const std::string text = "one\n#include \"inc.h\" // why\nthree\n";
  PreprocResult result = RunText(text, {{"inc.h", "a\nb\n"}});
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.text, "one\n#line 1 \"inc.h\"\na\nb\n#line 2 \"main.cpp\"\n \nthree\n");
  result = RunText(text, {{"inc.h", "a\nb\n"}}, nullptr, false);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.text, "one\na\nb\n \nthree\n");
}

TEST(PreprocLineCount, IncludeNamesFollowTheFolderOfTheIncludingFileInABank) {
  PreprocResult result =
      RunText("#include \"a\\b.h\"\n",
              {{"a\\b.h", "#include \"c.h\"\n#include \"\\root.h\""}, {"a\\c.h", "c"}, {"\\root.h", "r"}});
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.text,
            "#line 1 \"a\\b.h\"\n#line 1 \"a\\c.h\"\nc\n#line 1 \"a\\b.h\"\n\n#line 1 \"\\root.h\"\nr\n"
            "#line 2 \"a\\b.h\"\n#line 1 \"main.cpp\"\n\n");
}

}  // namespace
