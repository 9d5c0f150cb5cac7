// The output keeps the input's line count, so that the parser can quote source lines.
#include <gtest/gtest.h>

#include <string>

#include "tests/el/preproc/preproc_test_support.h"

namespace {

TEST(PreprocLineCount, EveryConstructKeepsTheLineCount) {
  const char* const texts[] = {
      "a /* 1\n2\n3 */ b\nc\n",
      "a \\\nb\nc\n",
      "// one \\\n two\nthree\n",
      "#define A 1 \\\n 2 \\\n 3\nA\n",
      "#define A 1 /* long\n comment */ 2\nA\n",
      "#define F(a,b) a b\nF(1,\n\n2)\nF(\n3,\n4)x\n",
      "#ifdef NO\n\"open\nquote\"\n/* c\n*/\n#define X \\\n\n#else\nyes\n#endif\n",
      "#ifndef NO\n  #ifdef NO\n  x\n  #endif\n#endif\n",
      "\"line\none\" \\\nend",
      "#define A \\\n",
      "no line feed at the end",
  };
  for (const char* text : texts) EXPECT_EQ(CountLines(Expand(text)), CountLines(text)) << text;
}

TEST(PreprocLineCount, TextAfterABlockCommentStaysOnItsLine) {
  EXPECT_EQ(Expand("a /* 1\n2\n3 */ b\nc\n"), "a \n\n b\nc\n");
}

TEST(PreprocLineCount, JoinedLinesWriteTheirLineFeedsAtTheNextLineFeed) {
  EXPECT_EQ(Expand("a \\\nb\nc\n"), "a b\n\nc\n");
  EXPECT_EQ(Expand("#define A 1 \\\n 2 \\\n 3\nA __LINE__\n"), "\n\n\n1  2  3 4\n");
}

TEST(PreprocLineCount, MarkersAfterAnIncludeRestoreTheIncludingLine) {
  PreprocResult result = RunText("one\n#include \"inc.h\" // why\nthree\n", {{"inc.h", "a\nb\n"}});
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.text, "one\n#line 1 \"inc.h\"\na\nb\n#line 2 \"main.cpp\"\n \nthree\n");
  result = RunText("one\n#include \"inc.h\" // why\nthree\n", {{"inc.h", "a\nb\n"}}, nullptr, false);
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
