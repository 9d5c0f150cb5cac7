// Every error and warning of the text parser, with its message, source position and result.
#include "tests/el/paramfile/param_test_support.h"

namespace {

// Each text fails with result 3.
struct ErrorCase {
  const char* name;
  const char* text;
  const char* message;           // the whole error line
  const char* logged = nullptr;  // a whole log line as well
};

void PrintTo(const ErrorCase& error, std::ostream* out) { *out << '"' << error.text << '"'; }

class ParamParserErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParamParserErrors, ReportsAndStops) {
  const ErrorCase& error = GetParam();
  CapturedMessages messages;
  ParamFile file;
  EXPECT_EQ(ParseString(file, error.text, "e.cpp"), 3);
  EXPECT_TRUE(messages.Errored(error.message)) << messages.All();
  EXPECT_TRUE(!error.logged || messages.Logged(error.logged)) << messages.All();
}

const ErrorCase kErrors[] = {
    {"MissingClosingBrace", "class A {\n x = 1;\n", "File e.cpp, line 3: e.cpp/A: Missing '}'"},
    {"IncludeDirective", "#include \"x\"\n", "File e.cpp, line 1: e.cpp: Wrong # directive"},
    {"LineDirectiveWithoutNumber", "#line x\n", "File e.cpp, line 1: e.cpp: Wrong # directive"},
    {"DeleteFollowedByAWord", "delete A B;", "File e.cpp, line 1: e.cpp: 'B' encountered instead of ';'"},
    {"UndefinedBase", "class A: Missing {};", "File e.cpp, line 1: e.cpp: Undefined base class 'Missing'"},
    {"BaseIsAValue", "value = 1;\nclass A: value {};", "File e.cpp, line 2: e.cpp: 'value' is not class"},
    {"BaseIsDeleted", "delete D;\nclass A: D {};", "File e.cpp, line 2: e.cpp: 'D' is not class"},
    {"ClassWithoutBody", "class A (", "File e.cpp, line 1: e.cpp: '(' encountered instead of '{'"},
    {"ClassAtTheEnd", "class A", "File e.cpp, line 1: e.cpp: '?' encountered instead of '{'"},
    {"EnumWithEquals", "enum X = 1;", "File e.cpp, line 1: e.cpp: '=' encountered instead of '{'"},
    {"EnumWithoutComma", "enum { A B };", "File e.cpp, line 1: e.cpp: 'B' encountered instead of '}'"},
    {"ExecWithoutParenthesis", "__EXEC x;", "File e.cpp, line 1: e.cpp: 'x' encountered instead of '('"},
    {"ExecNotClosed", "__EXEC(a = 1", "File e.cpp, line 1: e.cpp: '?' encountered instead of ')'"},
    {"ArraySizeGiven", "list[1] = {};", "File e.cpp, line 1: Config: e.cpp.list: '1' encountered instead of ']'"},
    {"ArrayWithoutEquals", "list[] * {};", "File e.cpp, line 1: Config: e.cpp.list: '*' encountered instead of '='"},
    {"ArrayWithoutSemicolon", "list[] = {1} x", "File e.cpp, line 1: e.cpp: 'x' encountered instead of ';'"},
    {"ValueWithoutEquals", "value 1;", "File e.cpp, line 1: 'e.cpp.value': '1' encountered instead of '='"},
    {"ValueAtTheEnd", "a = 1", "File e.cpp, line 1: 'e.cpp.a': '?' encountered instead of ';'"},
    {"UnsupportedEscape", "a = \"x\" \\t \"y\";",
     "File e.cpp, line 1: Config: Unsupported escape sequence \\t after x"},
    {"EscapeNotFollowedByQuote", "a = \"x\" \\n y;", "File e.cpp, line 1: Config: '\"' expected after x"},
    {"StringNotClosed", "a = \"open", "File e.cpp, line 1: Config: End of file encountered after open"},
    {"DirectiveInsideAnArray", "list[] = {1\n#bad\n};", "File e.cpp, line 2: Config: Wrong # directive"},
    {"DirectiveAfterAnArrayComma", "list[] = {1, #bad};", "File e.cpp, line 1: Config: Wrong # directive"},
    {"ArrayOfAValue", "list[] = 1;", "File e.cpp, line 1: Config: '1' encountered instead of '{'"},
    {"ArrayNotClosed", "list[] = {1, 2", "File e.cpp, line 1: EOF encountered."},
    {"StringsNotSeparated", "list[] = {\"a\" \"b\"};", "File e.cpp, line 1: Config: '\"' encountered instead of ','"},
    {"InputAfterTheEnd", "a = 1; } b = 2;", "Config e.cpp: some input after EndOfFile."},
    {"BaseDefinedLater", "class A: B {};\nclass B {};\n", "File e.cpp, line 1: e.cpp: Undefined base class 'B'"},
    {"BaseIsTheClassItself", "class S: S {};", "File e.cpp, line 1: e.cpp: Undefined base class 'S'"},
    {"InputAfterTheEndAndSemicolon", "a = 1; }; b = 2;", "Config e.cpp: some input after EndOfFile."},
    {"NameAtTheEnd", "x\n", "File e.cpp, line 2: 'e.cpp.x': '?' encountered instead of '='",
     "File e.cpp, line 2: Error context "},
    {"ColonInsteadOfEquals", "name : rest of line\nnext = 1;",
     "File e.cpp, line 1: 'e.cpp.name': ':' encountered instead of '='",
     "File e.cpp, line 1: Error context : rest of line"}};

INSTANTIATE_TEST_SUITE_P(Syntax, ParamParserErrors, ::testing::ValuesIn(kErrors),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

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

TEST(ParamParserErrors, EntriesBeforeTheErrorStay) {
  CapturedMessages messages;
  ParamFile file;
  EXPECT_EQ(ParseString(file, "a = 1;\nclass B { b = 1; c = ; d 1; };\n"), 3);
  EXPECT_EQ((file >> "a").GetInt(), 1);
  // The class with the error is not added.
  EXPECT_EQ(file.FindOwn("B"), nullptr);
  ParamFile stray;
  EXPECT_EQ(ParseString(stray, "a = 1; }; b = 2;"), 3);
  EXPECT_EQ((stray >> "a").GetInt(), 1);
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

TEST(ParamParserErrors, CharacterAfterAnUnquotedArrayValueAtALineBreak) {
  // The message asks the stream for the line in the middle of reading the value; the
  // parser must take up its view of the input again before it moves on.
  CapturedMessages messages;
  ParamFile file;
  std::string text("defse[] = {10, n]\0\xef\0\r\0;\n", 24);
  EXPECT_EQ(ParseString(file, text), 3);
  EXPECT_FALSE(messages.lines.empty());
}

}  // namespace
