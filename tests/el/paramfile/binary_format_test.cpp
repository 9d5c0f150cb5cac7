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
  Bytes expected;
  expected.Magic().I32(0).I32(8).I32(0);
  // root (16): entries A and C with their offsets, end offset
  expected.U8(0).Cint(2).U8(0).Str("A").I32(0).U8(0).Str("C").I32(0).I32(0);
  size_t aOffsetSlot = 21, cOffsetSlot = 28, rootEnd = 32;
  size_t aBody = expected.Size();
  expected.U8(0).Cint(1).U8(0).Str("B").I32(0).I32(0);  // A: entry B, end offset
  size_t bOffsetSlot = aBody + 5, aEnd = aBody + 9;
  size_t bBody = expected.Size();
  expected.U8(0).Cint(0).I32(0);  // B
  size_t bEnd = bBody + 2;
  size_t cBody = expected.Size();
  expected.Str("A").Cint(0).I32(0);  // C: base A
  size_t cEnd = cBody + 3;
  size_t enumTable = expected.Size();
  expected.I32(0);
  expected.PatchI32(12, static_cast<int>(enumTable))
      .PatchI32(aOffsetSlot, static_cast<int>(aBody))
      .PatchI32(cOffsetSlot, static_cast<int>(cBody))
      .PatchI32(rootEnd, static_cast<int>(enumTable))
      .PatchI32(bOffsetSlot, static_cast<int>(bBody))
      .PatchI32(aEnd, static_cast<int>(cBody))
      .PatchI32(bEnd, static_cast<int>(cBody))
      .PatchI32(cEnd, static_cast<int>(enumTable));
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
  Bytes expected;
  expected.Magic().I32(0).I32(8).I32(0);
  expected.U8(0).Cint(6);
  expected.U8(5).I32(1).Str("appended").Cint(1).U8(2).I32(1);
  expected.U8(2).Str("plain").Cint(3).U8(2).I32(1).U8(0).Str("s").U8(3).Cint(1).U8(1).F32(2.5f);
  expected.U8(1).U8(6).Str("big").I64(3000000000);
  expected.U8(1).U8(4).Str("expr").Str("1 + 2");
  expected.U8(3).Str("Decl");
  expected.U8(4).Str("Gone");
  size_t end = expected.Size() + 4;
  expected.I32(static_cast<int>(end)).I32(0);
  expected.PatchI32(12, static_cast<int>(end));
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
	list[] = {1, 2.5, "three"};
	nested[] = {{4, {5}}, @"First + 1"};
	class Inner
	{
		deep = 1;
	};
};
class Derived: Base
{
	list[] += {6};
	more[] += {7};
	class InnerMore: Inner {};
	access = 1;
};
class Declared;
delete Removed;
class Empty {};
)";

TEST(ParamBinaryFormat, TextBinaryTextBinaryRoundTrip) {
  CapturedMessages messages;
  ParamFile parsed;
  ASSERT_EQ(ParseString(parsed, kEverything), 0) << messages.All();
  std::string firstBinary = SaveBinString(parsed);
  std::string firstText = SaveTextString(parsed);

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

TEST(ParamBinaryFormat, TextFormOfEverything) {
  ParamFile parsed;
  ASSERT_EQ(ParseString(parsed, kEverything), 0);
  const char* expected = R"(enum
{
	First = 0,
	Second = 5
};
version = 3;
big = -5000000000;
ratio = 0.125;
name = "A ""quoted"" name" \n "and a second line";
expr = @"Second * 2";
class Base
{
	list[] = {1, 2.5, "three"};
	nested[] = {{4, {5}}, @"First + 1"};
	class Inner
	{
		deep = 1;
	};
};
class Derived: Base
{
	list[] = {1, 2.5, "three", 6};
	more[] += {7};
	class InnerMore: Inner {};
	access = 1;
};
class Declared;
delete Removed;
class Empty {};
)";
  EXPECT_EQ(SaveTextString(parsed), expected);
}

TEST(ParamBinaryFormat, FloatsWithEightDigitsSettleAfterOnePass) {
  // "%.8g" may change a float once (and makes 2.0 an integer); after that the forms stay.
  ParamFile parsed;
  ASSERT_EQ(ParseString(parsed, "a = 0.1; b = 2.0; c = 3.14159274; d[] = {1e-7, 123456.789};"), 0);
  ParamFile pass1;
  ASSERT_EQ(ParseString(pass1, SaveTextString(parsed)), 0);
  EXPECT_EQ((pass1 >> "b").GetEntry()->GetValueType(), ParamValueType::Int);
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

}  // namespace
