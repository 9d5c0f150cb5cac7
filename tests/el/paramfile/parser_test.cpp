// The text parser: statement forms, values, arrays, enum, __EVAL and __EXEC.
#include "tests/el/paramfile/param_test_support.h"

namespace {

ParamValueType TypeOf(const ParamEntryVal& val) { return val.GetEntry()->GetValueType(); }

class ParamParser : public ::testing::Test {
 protected:
  CapturedMessages messages;
  ParamFile file;
};

TEST_F(ParamParser, ValueKinds) {
  ASSERT_EQ(ParseString(file, R"(
    words = 1 2 ;
    hex = 0x1F;
    big = 3000000000;
    huge = 99999999999999999999;
    real = 1e3;
    level = db-6;
    empty = ;
    quoted = "say ""hi""";
    lines = "first" \n "second";
    number = "12";
    negative = -7;
  )"), 0) << messages.All();
  EXPECT_EQ(TypeOf(file >> "words"), ParamValueType::String);
  EXPECT_EQ((file >> "words").GetValue(), "1 2");
  EXPECT_EQ(TypeOf(file >> "hex"), ParamValueType::Int);
  EXPECT_EQ((file >> "hex").GetInt(), 31);
  EXPECT_EQ(TypeOf(file >> "big"), ParamValueType::Int64);
  EXPECT_EQ((file >> "big").GetInt64(), 3000000000);
  EXPECT_EQ(TypeOf(file >> "huge"), ParamValueType::Float);
  EXPECT_EQ(TypeOf(file >> "real"), ParamValueType::Float);
  EXPECT_FLOAT_EQ((file >> "real").GetFloat(), 1000.0f);
  EXPECT_NEAR((file >> "level").GetFloat(), 0.501187, 1e-5);
  EXPECT_EQ(TypeOf(file >> "empty"), ParamValueType::String);
  EXPECT_EQ((file >> "empty").GetValue(), "");
  EXPECT_EQ((file >> "quoted").GetValue(), "say \"hi\"");
  EXPECT_EQ((file >> "lines").GetValue(), "first\nsecond");
  EXPECT_EQ(TypeOf(file >> "number"), ParamValueType::String);
  EXPECT_EQ((file >> "negative").GetInt(), -7);
  EXPECT_TRUE(messages.errorLines.empty()) << messages.All();
}

TEST_F(ParamParser, ClassesBasesDeclarationsAndDeletions) {
  ASSERT_EQ(ParseString(file, R"(
class Base { a = 1; class Inner { b = 2; }; };
class Derived: Base
{
  class InnerMore: Inner { c = 3; };
  class Outer: Base {};
};
class Forward;
delete Gone;
class Last { x = 1; }
)"), 0) << messages.All();
  const ParamClass* derived = file.GetClass("Derived");
  ASSERT_NE(derived, nullptr);
  EXPECT_EQ(derived->GetBase(), file.GetClass("Base"));
  EXPECT_EQ((*derived >> "a").GetInt(), 1);
  const ParamClass* more = derived->GetClass("InnerMore");
  ASSERT_NE(more, nullptr);
  // Inner comes from the inherited scope, Base from the enclosing one.
  EXPECT_EQ(more->GetBase()->GetFullName(), "test.cpp/Base/Inner");
  EXPECT_EQ((*more >> "b").GetInt(), 2);
  EXPECT_EQ(derived->GetClass("Outer")->GetBase(), file.GetClass("Base"));
  const ParamEntry* forward = file.FindOwn("Forward");
  ASSERT_NE(forward, nullptr);
  EXPECT_TRUE(forward->IsClass());
  EXPECT_FALSE(forward->IsDefined());
  const ParamEntry* gone = file.FindOwn("Gone");
  ASSERT_NE(gone, nullptr);
  EXPECT_TRUE(gone->IsDelete());
  EXPECT_EQ(file.GetEntryCount(), 5);
}

TEST_F(ParamParser, MembersAlreadyDefinedKeepTheFirst) {
  EXPECT_EQ(ParseString(file, "value = 1;\nVALUE = 2;\nclass C {};\nclass c { x = 1; };\nlist[] = {1};\nLIST[] = {2};\n"), 0);
  EXPECT_EQ((file >> "value").GetInt(), 1);
  EXPECT_EQ(file.GetClass("C")->GetEntryCount(), 0);
  EXPECT_EQ((file >> "list").GetInt(0), 1);
  EXPECT_TRUE(messages.Errored("File test.cpp, line 2: test.cpp.VALUE: Member already defined."));
  // A class is added after its closing '}' and the blanks after it.
  EXPECT_TRUE(messages.Errored("File test.cpp, line 5: test.cpp.c: Member already defined."));
  EXPECT_TRUE(messages.Errored("File test.cpp, line 6: test.cpp.LIST: Member already defined."));
}

TEST_F(ParamParser, ClassesLikeEarlierOnesOfOtherSizes) {
  // A class takes room for as many entries as the last class of its base or name had:
  // classes with more entries, fewer, and none must come out whole and in order, and a
  // name repeated in them must still be refused.
  std::string text = "class Base {};\n";
  const int sizes[] = {3, 10, 1, 0, 5, 40, 2};
  for (int i = 0; i < 7; ++i) {
    for (const char* header : {"class D%d: Base {", "class Outer%d { class Inner {"}) {
      char opening[64];
      std::snprintf(opening, sizeof opening, header, i);
      text += opening;
      for (int v = 0; v < sizes[i]; ++v) text += " v" + std::to_string(v) + " = " + std::to_string(i * 100 + v) + ";";
      if (sizes[i] > 0) text += " V0 = 1;";
      text += std::strstr(header, "Inner") ? " }; };\n" : " };\n";
    }
  }
  ASSERT_EQ(ParseString(file, text), 0) << messages.All();
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    const ParamClass* derived = file.GetClass("D" + std::to_string(i));
    const ParamClass* inner = file.GetClass("Outer" + std::to_string(i))->GetClass("Inner");
    for (const ParamClass* cls : {derived, inner}) {
      ASSERT_NE(cls, nullptr);
      ASSERT_EQ(cls->GetEntryCount(), sizes[i]);
      for (int v = 0; v < sizes[i]; ++v) {
        EXPECT_EQ(cls->GetEntry(v).GetName().View(), "v" + std::to_string(v));
        EXPECT_EQ(cls->GetEntryVal(v).GetInt(), i * 100 + v);
      }
    }
  }
  EXPECT_EQ(messages.errorLines.size(), 12u) << messages.All();  // the six classes with entries, twice
}

TEST_F(ParamParser, Arrays) {
  ASSERT_EQ(ParseString(file, R"(
mixed[] = {1, "two", {3.5}, 3000000000, db0, plain text, @"1 + 1", };
empty[] = {};
lines[] = {
  1,
  2
  , 3
};
semicolons[] = {1; 2};
)"), 0) << messages.All();
  ParamEntryVal mixed = file >> "mixed";
  ASSERT_EQ(mixed.GetSize(), 7);
  EXPECT_EQ(mixed.GetItem(0)->GetValueType(), ParamValueType::Int);
  EXPECT_EQ(mixed.GetItem(1)->GetValueType(), ParamValueType::String);
  ASSERT_TRUE(mixed.GetItem(2)->IsArrayValue());
  EXPECT_FLOAT_EQ((*mixed.GetItem(2)->GetItems())[0].GetFloat(), 3.5f);
  EXPECT_EQ(mixed.GetItem(3)->GetValueType(), ParamValueType::Float);  // no 64-bit elements
  EXPECT_EQ(mixed.GetItem(4)->GetValueType(), ParamValueType::Float);
  EXPECT_EQ(mixed.GetValue(5), "plain text");
  EXPECT_EQ(mixed.GetItem(6)->GetValueType(), ParamValueType::Expression);
  EXPECT_EQ(mixed.GetInt(6), 2);
  EXPECT_EQ((file >> "empty").GetSize(), 0);
  EXPECT_EQ((file >> "lines").GetSize(), 3);
  EXPECT_EQ((file >> "semicolons").GetSize(), 2);
  EXPECT_TRUE(messages.Logged("File test.cpp, line 9: Config: ';' used as a separator in the array"));
}

TEST_F(ParamParser, AppendAndRemoveAtParseTime) {
  ASSERT_EQ(ParseString(file, R"(
class Base { list[] = {0, "a"}; };
class WithBase: Base { list[] += {1}; };
class Without { list[] += {1}; };
class Removing: Base { list[] -= {0}; };
class RemovingAlone { list[] -= {0}; };
)"), 0) << messages.All();
  const ParamArray* appended = (file >> "WithBase" >> "list").GetEntry()->GetArrayInterface();
  ASSERT_EQ(appended->GetSize(), 3);
  EXPECT_EQ(appended->GetFlags(), 0);
  EXPECT_EQ((*appended)[2].GetInt(), 1);
  const ParamArray* alone = (file >> "Without" >> "list").GetEntry()->GetArrayInterface();
  EXPECT_EQ(alone->GetSize(), 1);
  EXPECT_EQ(alone->GetFlags(), kParamArrayAppend);
  // A remove is left to the merge; trying it on the empty new array reports each
  // inherited element.
  const ParamArray* removing = (file >> "Removing" >> "list").GetEntry()->GetArrayInterface();
  EXPECT_EQ(removing->GetFlags(), kParamArrayRemove);
  EXPECT_EQ(removing->GetSize(), 1);
  EXPECT_TRUE(messages.Errored("Failed to remove array entry '0' from 'list'"));
  EXPECT_TRUE(messages.Errored("Failed to remove array entry 'a' from 'list'"));
  EXPECT_EQ((file >> "RemovingAlone" >> "list").GetEntry()->GetArrayInterface()->GetFlags(), kParamArrayRemove);
}

TEST_F(ParamParser, EnumEvalAndExec) {
  ASSERT_EQ(ParseString(file, R"(
enum Ignored { X, Y = 10, Z };
enum { W = Z * 2 + 0.4, };
enum { Top = 2147483647, PastTop };
__EXEC(scale = Y / 4; offset = 1);
scaled = __EVAL(scale * 2 + offset);
ratio = __EVAL(1 / 4);
list[] = {__EVAL(Z + 1), __EVAL(scale)};
)"), 0) << messages.All();
  const ParamEvaluator* evaluator = file.GetEvaluator();
  ASSERT_NE(evaluator, nullptr);
  // The entry after the largest int counts on (as a float) instead of overflowing.
  for (auto [name, expected] : {std::pair{"X", 0.0f}, {"Y", 10.0f}, {"Z", 11.0f}, {"W", 22.0f},
                                {"PastTop", 2147483648.0f}}) {
    float value = -1;
    EXPECT_TRUE(evaluator->GetConstant(name, value)) << name;
    EXPECT_EQ(value, expected) << name;
  }
  EXPECT_EQ(TypeOf(file >> "scaled"), ParamValueType::Int);
  EXPECT_EQ((file >> "scaled").GetInt(), 6);
  EXPECT_EQ(TypeOf(file >> "ratio"), ParamValueType::Float);
  EXPECT_FLOAT_EQ((file >> "ratio").GetFloat(), 0.25f);
  EXPECT_EQ((file >> "list").GetInt(0), 12);
  EXPECT_FLOAT_EQ((file >> "list").GetFloat(1), 2.5f);
  EXPECT_TRUE(messages.errorLines.empty()) << messages.All();
}

TEST_F(ParamParser, MissingSemicolonsAreWarnings) {
  ASSERT_EQ(ParseString(file, "class A { x = 1 }\ny = 2\nz = \"q\" w = 3;\n"), 0) << messages.All();
  EXPECT_TRUE(messages.Logged("File test.cpp, line 1: 'test.cpp/A.x': Missing ';' prior '}'"));
  EXPECT_TRUE(messages.Logged("File test.cpp, line 2: 'test.cpp.y': Missing ';' at the end of line"));
  EXPECT_TRUE(messages.Logged("File test.cpp, line 3: 'test.cpp.z': Missing ';' at the end of line"));
  EXPECT_EQ((file >> "A" >> "x").GetInt(), 1);
  EXPECT_EQ((file >> "y").GetInt(), 2);
  EXPECT_EQ((file >> "w").GetInt(), 3);
  EXPECT_TRUE(messages.errorLines.empty()) << messages.All();
}

TEST_F(ParamParser, ClosingBraceAtTheEnd) {
  EXPECT_EQ(ParseString(file, "class A {}"), 0);
  // A '}' that ends the root with nothing but ';' after it is taken as the end.
  ParamFile tail;
  EXPECT_EQ(ParseString(tail, "a = 1; } ; ;"), 0);
}

TEST_F(ParamParser, LineDirectivesNameTheSource) {
  std::string text =
      "a = 1;\n"
      "#line 1 \"folder\\inc.hpp\"\n"
      "b = 1;\n"
      "b = 2;\n"
      "#line 7 \"top.cpp\"\n"
      "\n"
      "c[] = {1,\n"
      "#line 20 \"other.hpp\"\n"
      "  2};\n"
      "c = 3;\n";
  EXPECT_EQ(ParseString(file, text, "top.cpp"), 0);
  EXPECT_TRUE(messages.Errored("File folder\\inc.hpp, line 2: top.cpp.b: Member already defined.")) << messages.All();
  EXPECT_TRUE(messages.Errored("File other.hpp, line 21: top.cpp.c: Member already defined.")) << messages.All();
  EXPECT_EQ((file >> "c").GetSize(), 2);
}

TEST_F(ParamParser, ReadsAnyStreamInPieces) {
  // A plain stream is wrapped and read piece by piece; values may cross pieces.
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "value" + std::to_string(i) + " = \"text " + std::to_string(i) + "\";\n";
  text += "list[] = {";
  for (int i = 0; i < 50000; ++i) text += std::to_string(i) + ", ";
  text += "};\n";
  QIStrStream in(text.data(), static_cast<QFileSize>(text.size()));
  file.SetFileName("pieces.cpp");
  ASSERT_EQ(file.Parse(in), 0);
  EXPECT_EQ(file.GetEntryCount(), 20001);
  EXPECT_EQ((file >> "value19999").GetValue(), "text 19999");
  EXPECT_EQ((file >> "list").GetSize(), 50000);
  EXPECT_EQ((file >> "list").GetInt(49999), 49999);
}

TEST_F(ParamParser, ArrayElementsAndValuesAcrossPieces) {
  // Every character of an array of each element form, and of values of each form, falls
  // on the end of a piece in turn: the tree and messages are those of the whole text read
  // at once.
  const std::string array =
      "list[] = {1, -2.5, +7., \"text\" , plain word\t, {3, \"n\"}, 1e3, \"q\"\"q\", 12345678901, 0x1F, "
      "\"a\" \\n \"b\", 2147483648, 1234567890123456,\n 4 ; 5, __EVAL(2 + 3), @\"1 + 1\", , -, \"end\"};\n"
      "number = 12.5 ;\nquoted = \"q\" \\n \"r\";\nplain = some text\t;\nlater = \"x\"\n;\nline = 3\nlast = 1;\n";
  for (size_t shift = 0; shift <= array.size(); ++shift) {
    std::string text = "pad = \"" + std::string(QIPreprocessedStream::kPieceSize - 8 - shift, 'x') + "\";\n";
    text += array;
    CapturedMessages wholeMessages;
    ParamFile whole;
    ASSERT_EQ(ParseString(whole, text, "pieces.cpp"), 0) << wholeMessages.All();
    const std::string expected = SaveBinString(whole);
    const std::string expectedMessages = wholeMessages.All();

    CapturedMessages pieceMessages;
    ParamFile pieces;
    pieces.SetFileName("pieces.cpp");
    QIStrStream in(text.data(), static_cast<QFileSize>(text.size()));
    ASSERT_EQ(pieces.Parse(in), 0) << shift;
    EXPECT_EQ(SaveBinString(pieces), expected) << shift;
    EXPECT_EQ(pieceMessages.All(), expectedMessages) << shift;
    if (shift == 0) {
      ParamEntryVal list = whole >> "list";
      ASSERT_EQ(list.GetSize(), 19);
      EXPECT_EQ(list.GetInt(0), 1);
      EXPECT_FLOAT_EQ(list.GetFloat(1), -2.5f);
      EXPECT_FLOAT_EQ(list.GetFloat(2), 7.0f);
      EXPECT_EQ(list.GetValue(3), "text");
      EXPECT_EQ(list.GetValue(4), "plain word");
      EXPECT_EQ(list.GetItem(5)->GetItems()->size(), 2u);
      EXPECT_FLOAT_EQ(list.GetFloat(6), 1000.0f);
      EXPECT_EQ(list.GetValue(7), "q\"q");
      EXPECT_EQ(list.GetItem(8)->GetValueType(), ParamValueType::Float);
      EXPECT_EQ(list.GetInt(9), 31);
      EXPECT_EQ(list.GetValue(10), "a\nb");
      EXPECT_EQ(list.GetItem(11)->GetValueType(), ParamValueType::Float);
      EXPECT_EQ(list.GetItem(12)->GetValueType(), ParamValueType::Float);
      EXPECT_EQ(list.GetInt(13), 4);
      EXPECT_EQ(list.GetInt(14), 5);
      EXPECT_EQ(list.GetInt(15), 5);
      EXPECT_EQ(list.GetItem(16)->GetValueType(), ParamValueType::Expression);
      EXPECT_EQ(list.GetValue(17), "-");
      EXPECT_EQ(list.GetValue(18), "end");
      EXPECT_TRUE(wholeMessages.Logged("File pieces.cpp, line 3: Config: ';' used as a separator in the array"))
          << wholeMessages.All();
      EXPECT_FLOAT_EQ((whole >> "number").GetFloat(), 12.5f);
      EXPECT_EQ((whole >> "quoted").GetValue(), "q\nr");
      EXPECT_EQ((whole >> "plain").GetValue(), "some text");
      EXPECT_EQ((whole >> "later").GetValue(), "x");
      EXPECT_EQ((whole >> "line").GetInt(), 3);
      EXPECT_TRUE(wholeMessages.Logged("File pieces.cpp, line 9: 'pieces.cpp.line': Missing ';' at the end of line"))
          << wholeMessages.All();
    }
  }
}

}  // namespace
