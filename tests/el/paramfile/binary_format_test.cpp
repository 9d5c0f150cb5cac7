// The binary form as saved (version 8): exact layouts and round trips through text.
#include "tests/el/paramfile/param_test_support.h"

namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string text;
  for (unsigned char c : bytes) {
    text += digits[c >> 4];
    text += digits[c & 15];
    text += ' ';
  }
  return text;
}

TEST(ParamBinaryFormat, EmptyConfigurationIs26Bytes) {
  ParamFile file;
  Bytes expected;
  expected.Magic().I32(0).I32(8).I32(22);  // header; the enum table follows the root body
  expected.U8(0).Cint(0).I32(22);           // no base, no entries, end offset
  expected.I32(0);                          // no constants
  EXPECT_EQ(Hex(SaveBinString(file)), Hex(expected.Data()));
}

TEST(ParamBinaryFormat, SmallTreeLayout) {
  ParamFile file;
  ASSERT_EQ(ParseString(file, "class A { x = 1; };\ns = \"t\";\n"), 0);
  Bytes expected;
  expected.Magic().I32(0).I32(8).I32(49);
  expected.U8(0).Cint(2);                   // root: no base, 2 entries (at 16)
  expected.U8(0).Str("A").I32(35);          // class A, body at 35
  expected.U8(1).U8(0).Str("s").Str("t");   // s = "t"
  expected.I32(49);                         // root end offset
  expected.U8(0).Cint(1);                   // A's body (at 35)
  expected.U8(1).U8(2).Str("x").I32(1);     // x = 1
  expected.I32(49);                         // A's end offset
  expected.I32(0);                          // enum table (at 49)
  EXPECT_EQ(Hex(SaveBinString(file)), Hex(expected.Data()));
}

TEST(ParamBinaryFormat, NestedBodiesFollowTheirParentsInEntryOrder) {
  ParamFile file;
  ASSERT_EQ(ParseString(file, "class A { class B {}; }; class C: A {};"), 0);
  // A class's end offset points past the bodies of the classes inside it.
  size_t enums, a, c, rootEnd, b, aEnd, bEnd, cEnd;
  Bytes expected;
  expected.Magic().I32(0).I32(8).Slot(enums);
  expected.U8(0).Cint(2).U8(0).Str("A").Slot(a).U8(0).Str("C").Slot(c).Slot(rootEnd);  // root: A and C
  expected.Here(a).U8(0).Cint(1).U8(0).Str("B").Slot(b).Slot(aEnd);                  // A: B
  expected.Here(b).U8(0).Cint(0).Slot(bEnd);                                          // B
  expected.Here(c, aEnd, bEnd).Str("A").Cint(0).Slot(cEnd);                           // C: base A
  expected.Here(enums, rootEnd, cEnd).I32(0);
  EXPECT_EQ(Hex(SaveBinString(file)), Hex(expected.Data()));
}

TEST(ParamBinaryFormat, EntryCountsAreCompressedIntegers) {
  ParamFile file;
  ParamClass* wide = file.AddClass("W");
  for (int i = 0; i < 128; ++i) wide->AddValue("v" + std::to_string(i), i);
  std::string bytes = SaveBinString(file);
  // W's body: the empty base name, then the count 128 as 80 01.
  size_t body = static_cast<unsigned char>(bytes[21]) | static_cast<unsigned char>(bytes[22]) << 8;
  EXPECT_EQ(bytes.substr(body, 3), std::string("\0\x80\x01", 3));
}

TEST(ParamBinaryFormat, EntryAndValueTypes) {
  ParamFile file;
  ASSERT_EQ(ParseString(file, R"(
appended[] += {1};
plain[] = {1, "s", {2.5}};
big = 3000000000;
expr = @"1 + 2";
class Decl;
delete Gone;
)"), 0);
  size_t enums, end;
  Bytes expected;
  expected.Magic().I32(0).I32(8).Slot(enums);
  expected.U8(0).Cint(6);
  expected.U8(5).I32(1).Str("appended").Cint(1).U8(2).I32(1);
  expected.U8(2).Str("plain").Cint(3).U8(2).I32(1).U8(0).Str("s").U8(3).Cint(1).U8(1).F32(2.5f);
  expected.U8(1).U8(6).Str("big").I64(3000000000);
  expected.U8(1).U8(4).Str("expr").Str("1 + 2");
  expected.U8(3).Str("Decl");
  expected.U8(4).Str("Gone");
  expected.Slot(end).Here(enums, end).I32(0);
  std::string saved = SaveBinString(file);
  EXPECT_EQ(Hex(saved), Hex(expected.Data()));

  ParamFile loaded;
  ASSERT_EQ(LoadBinString(loaded, saved), 0);
  EXPECT_EQ((loaded >> "appended").GetEntry()->GetArrayInterface()->GetFlags(), kParamArrayAppend);
  EXPECT_EQ((loaded >> "plain").GetItem(2)->GetItems()->at(0).GetValueType(), ParamValueType::Float);
  EXPECT_EQ((loaded >> "big").GetEntry()->GetValueType(), ParamValueType::Int64);
  EXPECT_TRUE((loaded >> "expr").GetEntry()->IsExpression());
  EXPECT_FALSE(loaded.FindOwn("Decl")->IsDefined());
  EXPECT_TRUE(loaded.FindOwn("Gone")->IsDelete());
  EXPECT_EQ(SaveBinString(loaded), saved);
}

TEST(ParamBinaryFormat, EnumTableRoundsHalfToEven) {
  ParamFile file;
  file.MakeEvaluator().SetConstant("Half", 2.5f);
  file.MakeEvaluator().SetConstant("More", 3.5f);
  std::string bytes = SaveBinString(file);
  Bytes table;
  table.I32(2).Str("Half").I32(2).Str("More").I32(4);
  EXPECT_EQ(bytes.substr(22), table.Data());
  ParamFile loaded;
  ASSERT_EQ(LoadBinString(loaded, bytes), 0);
  float value = 0;
  ASSERT_TRUE(loaded.GetEvaluator()->GetConstant("more", value));
  EXPECT_EQ(value, 4.0f);
}

// A configuration with every construct the text form has.
const char* kEverything = R"(enum
{
	First,
	Second = 5
};
version = 3;
big = -5000000000;
ratio = 0.125;
name = "A ""quoted"" name" \n "and a second line";
expr = @"Second * 2";
class Base
{
	list[]={1, 2.5, "three"};
	nested[]={{4, {5}}, @"First + 1"};
	class Inner
	{
		deep = 1;
	};
};
class Derived: Base
{
	list[]+={6};
	more[]+={7};
	class InnerMore: Inner {};
	access = 1;
};
class Declared;
delete Removed;
class Empty {};
)";

TEST(ParamBinaryFormat, EverythingRoundTripsThroughTextAndBinary) {
  CapturedMessages messages;
  ParamFile parsed;
  ASSERT_EQ(ParseString(parsed, kEverything), 0) << messages.All();
  // The text form is the input with enum values written out and appends applied.
  std::string expectedText = kEverything;
  for (auto [from, to] : {std::pair{"\tFirst,\n", "\tFirst = 0,\n"},
                          std::pair{"\tlist[]+={6};\n", "\tlist[]={1, 2.5, \"three\", 6};\n"}})
    expectedText.replace(expectedText.find(from), std::strlen(from), to);
  std::string firstText = SaveTextString(parsed);
  EXPECT_EQ(firstText, expectedText);
  std::string firstBinary = SaveBinString(parsed);

  ParamFile loaded;
  ASSERT_EQ(LoadBinString(loaded, firstBinary), 0);
  std::string secondText = SaveTextString(loaded);
  EXPECT_EQ(secondText, firstText);

  ParamFile reparsed;
  ASSERT_EQ(ParseString(reparsed, secondText), 0) << messages.All() << secondText;
  EXPECT_EQ(SaveBinString(reparsed), firstBinary);
  EXPECT_EQ(SaveTextString(reparsed), firstText);
  EXPECT_TRUE(messages.errorLines.empty()) << messages.All();
}

TEST(ParamBinaryFormat, FloatsWithEightDigitsSettleAfterOnePass) {
  // "%.8g" may change a float once (and makes 2.0 an integer); after that the forms stay.
  // Floats beyond the single range are written as infinities, which read back as floats.
  ParamFile parsed;
  ASSERT_EQ(ParseString(parsed, "a = 0.1; b = 2.0; c = 3.14159274; d[] = {1e-7, 123456.789, -1e40}; e = 1e40;"), 0);
  EXPECT_EQ(SaveTextString(parsed), "a = 0.1;\nb = 2;\nc = 3.1415927;\nd[]={1e-07, 123456.79, -inf};\ne = inf;\n");
  ParamFile pass1;
  ASSERT_EQ(ParseString(pass1, SaveTextString(parsed)), 0);
  EXPECT_EQ((pass1 >> "b").GetEntry()->GetValueType(), ParamValueType::Int);
  EXPECT_EQ((pass1 >> "e").GetEntry()->GetValueType(), ParamValueType::Float);
  EXPECT_EQ(SaveTextString(pass1), SaveTextString(parsed));
  ParamFile pass2;
  ASSERT_EQ(ParseString(pass2, SaveTextString(pass1)), 0);
  EXPECT_EQ(SaveBinString(pass2), SaveBinString(pass1));
}

TEST(ParamBinaryFormat, SaveGoesThroughATemporaryFile) {
  TempFolder folder;
  ParamFile file;
  file.AddValue("x", 1);
  std::string path = folder.File("config.bin");
  ASSERT_TRUE(SaveBinary(file, path));
  EXPECT_EQ(ReadFileBytes(path), SaveBinString(file));
  // Only the file itself is left in the folder.
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) count += entry.is_regular_file();
  EXPECT_EQ(count, 1);
  ParamFile back;
  ASSERT_TRUE(LoadBinary(back, path));
  EXPECT_EQ((back >> "x").GetInt(), 1);
  EXPECT_FALSE(SaveBinary(file, folder.File("missing/config.bin")));
  EXPECT_FALSE(std::filesystem::exists(folder.File("missing")));
}

// A tree whose binary form is a few megabytes: long strings, nested classes and arrays.
void FillLargeTree(ParamFile& file) {
  for (int i = 0; i < 3000; ++i) {
    ParamClass* outer = file.AddClass("Outer" + std::to_string(i));
    ParamClass* inner = outer->AddClass("Inner");
    inner->AddValue("text", std::string(static_cast<size_t>(i % 2000), 'a' + i % 26));
    inner->AddValue("count", i);
    ParamArray* list = outer->AddArray("list");
    list->AddValue(IParamArrayValue::String(std::string(static_cast<size_t>(i % 37), 'z')));
    list->AddValue(IParamArrayValue::Int64(int64_t{1} << 40));
    list->AddValue(IParamArrayValue(ParamArrayValueArray({IParamArrayValue::Float(0.5f)})));
    outer->AddValue("after", 1.5f);
  }
}

TEST(ParamBinaryFormat, LargeSaveIsTheSameInAFileAndInMemory) {
  // The file stream writes out its buffer every megabyte: offsets of class bodies are
  // then patched in bytes already written.
  ParamFile file;
  FillLargeTree(file);
  std::string inMemory = SaveBinString(file);
  ASSERT_GT(inMemory.size(), size_t{2} << 20);
  TempFolder folder;
  std::string path = folder.File("large.bin");
  ASSERT_TRUE(SaveBinary(file, path));
  EXPECT_TRUE(ReadFileBytes(path) == inMemory);
  ParamFile back;
  ASSERT_EQ(LoadBinString(back, inMemory), 0);
  EXPECT_EQ((back >> "Outer1999" >> "Inner" >> "text").GetValue(), std::string(1999, 'a' + 1999 % 26));
  EXPECT_TRUE(SaveBinString(back) == inMemory);
}

TEST(ParamBinaryFormat, SaveOverBytesOfAStreamWritesTheSameBytes) {
  // A stream whose write position is not at its end takes the bytes as ordinary writes
  // over the ones there.
  ParamFile file;
  FillLargeTree(file);
  std::string expected = SaveBinString(file);
  QOStrStream out;
  std::string filler(expected.size() + 100, 'x');
  out.write(filler.data(), filler.size());
  out.SeekP(0);
  ASSERT_TRUE(file.SaveBin(out));
  std::string written = out.Str();
  ASSERT_EQ(written.size(), filler.size());
  EXPECT_TRUE(written.substr(0, expected.size()) == expected);
  EXPECT_EQ(written.substr(expected.size()), std::string(100, 'x'));
}

}  // namespace
