// Every error and warning of the text parser, with its message, source position and result.
#include "tests/el/paramfile/param_test_support.h"

namespace {

struct ErrorCase {
  const char* text;
  int result;
  const char* message;  // the whole error line
};

class ParamParserErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParamParserErrors, ReportsAndStops) {
  const ErrorCase& error = GetParam();
  CapturedMessages messages;
  ParamFile file;
  EXPECT_EQ(ParseString(file, error.text, "e.cpp"), error.result);
  EXPECT_TRUE(messages.Errored(error.message)) << messages.All();
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, ParamParserErrors,
    ::testing::Values(
        ErrorCase{"class A {\n x = 1;\n", 3, "File e.cpp, line 3: e.cpp/A: Missing '}'"},
        ErrorCase{"#include \"x\"\n", 3, "File e.cpp, line 1: e.cpp: Wrong # directive"},
        ErrorCase{"#line x\n", 3, "File e.cpp, line 1: e.cpp: Wrong # directive"},
        ErrorCase{"delete A B;", 3, "File e.cpp, line 1: e.cpp: 'B' encountered instead of ';'"},
        ErrorCase{"class A: Missing {};", 3, "File e.cpp, line 1: e.cpp: Undefined base class 'Missing'"},
        ErrorCase{"value = 1;\nclass A: value {};", 3, "File e.cpp, line 2: e.cpp: 'value' is not class"},
        ErrorCase{"delete D;\nclass A: D {};", 3, "File e.cpp, line 2: e.cpp: 'D' is not class"},
        ErrorCase{"class A (", 3, "File e.cpp, line 1: e.cpp: '(' encountered instead of '{'"},
        ErrorCase{"class A", 3, "File e.cpp, line 1: e.cpp: '?' encountered instead of '{'"},
        ErrorCase{"enum X = 1;", 3, "File e.cpp, line 1: e.cpp: '=' encountered instead of '{'"},
        ErrorCase{"enum { A B };", 3, "File e.cpp, line 1: e.cpp: 'B' encountered instead of '}'"},
        ErrorCase{"__EXEC x;", 3, "File e.cpp, line 1: e.cpp: 'x' encountered instead of '('"},
        ErrorCase{"__EXEC(a = 1", 3, "File e.cpp, line 1: e.cpp: '?' encountered instead of ')'"},
        ErrorCase{"list[1] = {};", 3, "File e.cpp, line 1: Config: e.cpp.list: '1' encountered instead of ']'"},
        ErrorCase{"list[] * {};", 3, "File e.cpp, line 1: Config: e.cpp.list: '*' encountered instead of '='"},
        ErrorCase{"list[] = {1} x", 3, "File e.cpp, line 1: e.cpp: 'x' encountered instead of ';'"},
        ErrorCase{"value 1;", 3, "File e.cpp, line 1: 'e.cpp.value': '1' encountered instead of '='"},
        ErrorCase{"a = 1", 3, "File e.cpp, line 1: 'e.cpp.a': '?' encountered instead of ';'"},
        ErrorCase{"a = \"x\" \\t \"y\";", 3, "File e.cpp, line 1: Config: Unsupported escape sequence \\t after x"},
        ErrorCase{"a = \"x\" \\n y;", 3, "File e.cpp, line 1: Config: '\"' expected after x"},
        ErrorCase{"a = \"open", 3, "File e.cpp, line 1: Config: End of file encountered after open"},
        ErrorCase{"list[] = {1\n#bad\n};", 3, "File e.cpp, line 2: Config: Wrong # directive"},
        ErrorCase{"list[] = {1, #bad};", 3, "File e.cpp, line 1: Config: Wrong # directive"},
        ErrorCase{"list[] = 1;", 3, "File e.cpp, line 1: Config: '1' encountered instead of '{'"},
        ErrorCase{"list[] = {1, 2", 3, "File e.cpp, line 1: EOF encountered."},
        ErrorCase{"list[] = {\"a\" \"b\"};", 3, "File e.cpp, line 1: Config: '\"' encountered instead of ','"},
        ErrorCase{"a = 1; } b = 2;", 3, "Config e.cpp: some input after EndOfFile."}));

TEST(ParamParserWarnings, ContinueTheParse) {
  CapturedMessages messages;
  ParamFile file;
  ASSERT_EQ(ParseString(file, "a = \"one\ntwo\";\nlist[] = {1\n2, 3};\nb = 2;\n", "w.cpp"), 0) << messages.All();
  EXPECT_TRUE(messages.Logged("File w.cpp, line 2: Config: End of line encountered after one"));
  EXPECT_EQ((file >> "a").GetValue(), "one\ntwo");
  // After a line break an element must be followed by a terminator; the offending
  // character is reported and dropped.
  EXPECT_TRUE(messages.Errored("File w.cpp, line 4: Config: '2' after 1"));
  EXPECT_EQ((file >> "list").GetSize(), 2);
  EXPECT_EQ((file >> "b").GetInt(), 2);
}

TEST(ParamParserWarnings, ErrorContextIsLoggedWithAMissingEquals) {
  CapturedMessages messages;
  ParamFile file;
  EXPECT_EQ(ParseString(file, "x\n", "w.cpp"), 3);
  EXPECT_TRUE(messages.Logged("File w.cpp, line 2: Error context ")) << messages.All();
  messages.Clear();
  EXPECT_EQ(ParseString(file, "name : rest of line\nnext = 1;", "w.cpp"), 3);
  EXPECT_TRUE(messages.Logged("File w.cpp, line 1: Error context : rest of line")) << messages.All();
  EXPECT_TRUE(messages.Errored("File w.cpp, line 1: 'w.cpp.name': ':' encountered instead of '='")) << messages.All();
}

TEST(ParamParserErrors, EntriesBeforeTheErrorStay) {
  CapturedMessages messages;
  ParamFile file;
  EXPECT_EQ(ParseString(file, "a = 1;\nclass B { b = 1; c = ; d 1; };\n"), 3);
  EXPECT_EQ((file >> "a").GetInt(), 1);
  // The class with the error is not added.
  EXPECT_EQ(file.FindOwn("B"), nullptr);
}

TEST(ParamParserErrors, ReadFailureGivesResultTwo) {
  // A stream that claims more bytes than it delivers.
  class ShortStream : public QIStream {
   protected:
    PosQIStreamBuffer ReadBuffer(QFileSize pos) override {
      if (pos >= 10) return {};
      return {std::make_shared<const QIStreamBuffer>(text_, 10), 0};
    }
    QFileSize DataSize() const override { return 1000; }

   private:
    const char* text_ = "a = 1;    ";
  } in;
  CapturedMessages messages;
  ParamFile file("short.cpp");
  EXPECT_EQ(file.Parse(in), 2);
  EXPECT_TRUE(messages.Errored("File short.cpp, line 1: short.cpp: File read error")) << messages.All();
}

TEST(ParamParserErrors, DeepNestingIsAnErrorNotACrash) {
  CapturedMessages messages;
  std::string classes;
  for (int i = 0; i < 5000; ++i) classes += "class C" + std::to_string(i) + " {";
  ParamFile file;
  EXPECT_EQ(ParseString(file, classes), 3);
  EXPECT_EQ(file.GetEntryCount(), 0);
  std::string arrays = "list[] = " + std::string(100000, '{');
  ParamFile other;
  EXPECT_EQ(ParseString(other, arrays), 3);
  EXPECT_TRUE(messages.Errored("File test.cpp, line 1: Config: Arrays nested too deeply"));
}

}  // namespace

TEST(ParamParserErrors, CharacterAfterAnUnquotedArrayValueAtALineBreak) {
  // The message asks the stream for the line in the middle of reading the value; the
  // parser must take up its view of the input again before it moves on.
  CapturedMessages messages;
  ParamFile file;
  std::string text("defse[] = {10, n]\0\xef\0\r\0;\n", 24);
  EXPECT_EQ(ParseString(file, text), 3);
  EXPECT_FALSE(messages.lines.empty());
}
