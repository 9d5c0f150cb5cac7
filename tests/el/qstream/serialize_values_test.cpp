// Plain values, strings, versions, magics, offsets and positions of SerializeBinStream.
#include "el/qstream/serialize_bin_stream.h"

#include <gtest/gtest.h>

#include "tests/el/qstream/qstream_test_support.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

TEST(SerializeBinStream, PlainValuesAreStoredLittleEndianWithoutPadding) {
  QOStrStream out;
  SerializeBinStream f(&out);
  uint8_t byte = 0xAB;
  int32_t i32 = -2;
  uint32_t u32 = 0x01020304;
  float one = 1.0f;
  int64_t i64 = 0x0102030405060708;
  Vector3 v{1.0f, -2.0f, 0.5f};
  f.Transfer(byte);
  f.Transfer(i32);
  f.Transfer(u32);
  f.Transfer(one);
  f.Transfer(i64);
  f.Transfer(v);
  EXPECT_EQ(out.Str(), Bytes({0xAB, 0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x80, 0x3F,
                              0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,
                              0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x3F}));
  EXPECT_TRUE(f.Ok());
}

TEST(SerializeBinStream, PlainValuesRoundTrip) {
  QOStrStream out;
  SerializeBinStream save(&out);
  uint8_t byte = 200;
  int32_t i32 = -123456;
  uint32_t u32 = 4000000000u;
  float real = 3.25f;
  int64_t i64 = -9000000000;
  uint16_t u16 = 65000;
  bool flag = true;
  Vector3 v{1, 2, 3};
  save.Transfer(byte), save.Transfer(i32), save.Transfer(u32), save.Transfer(real);
  save.Transfer(i64), save.Transfer(u16), save.Transfer(flag), save.Transfer(v);
  std::string stored = out.Str();

  QIStrStream in(stored.data(), static_cast<QFileSize>(stored.size()));
  SerializeBinStream load(&in);
  uint8_t byte2 = 0;
  int32_t i32b = 0;
  uint32_t u32b = 0;
  float real2 = 0;
  int64_t i64b = 0;
  uint16_t u16b = 0;
  bool flag2 = false;
  Vector3 v2;
  load.Transfer(byte2), load.Transfer(i32b), load.Transfer(u32b), load.Transfer(real2);
  load.Transfer(i64b), load.Transfer(u16b), load.Transfer(flag2), load.Transfer(v2);
  EXPECT_TRUE(load.Ok());
  EXPECT_EQ(byte2, byte);
  EXPECT_EQ(i32b, i32);
  EXPECT_EQ(u32b, u32);
  EXPECT_EQ(real2, real);
  EXPECT_EQ(i64b, i64);
  EXPECT_EQ(u16b, u16);
  EXPECT_EQ(flag2, flag);
  EXPECT_EQ(v2, v);
  EXPECT_EQ(in.GetRest(), 0);
}

TEST(SerializeBinStream, ValueCutByTheEndSetsCorruptData) {
  std::string stored = Bytes({1, 2, 3});
  QIStrStream in(stored.data(), 3);
  SerializeBinStream f(&in);
  int value = 0;
  f.Transfer(value);
  EXPECT_EQ(f.GetError(), SerializeBinStream::EFileStructure);
}

TEST(SerializeBinStream, StringIsItsCharactersAndOneZero) {
  QOStrStream out;
  SerializeBinStream f(&out);
  RString name = "abc";
  RString empty;
  EXPECT_TRUE(f.TransferString(name));
  EXPECT_TRUE(f.TransferString(empty));
  EXPECT_TRUE(f.TransferNameString(name));
  EXPECT_EQ(out.Str(), std::string("abc\0\0abc\0", 9));
}

TEST(SerializeBinStream, StringLoadsUpToTheZeroByte) {
  std::string stored("abc\0de\0", 7);
  QIStrStream in(stored.data(), 7);
  SerializeBinStream f(&in);
  RString first = "old", second;
  EXPECT_TRUE(f.TransferString(first));
  EXPECT_TRUE(f.TransferString(second));
  EXPECT_EQ(first, "abc");
  EXPECT_EQ(second, "de");
  EXPECT_TRUE(f.Ok());
}

TEST(SerializeBinStream, UnterminatedStringKeepsItsCharactersWithCorruptData) {
  std::string stored = "abc";
  QIStrStream in(stored.data(), 3);
  SerializeBinStream f(&in);
  CapturedMessages messages;
  RString value;
  EXPECT_FALSE(f.TransferString(value));
  EXPECT_EQ(value, "abc");
  EXPECT_EQ(f.GetError(), SerializeBinStream::EFileStructure);
  ASSERT_EQ(messages.lines.size(), 1u);
  EXPECT_EQ(messages.errorLines[0], "EOF in string");
}

TEST(SerializeBinStream, NameStringAlsoEndsAtFFAndAtTheEnd) {
  std::string stored("ab\xFF" "cd\0" "ef", 8);
  QIStrStream in(stored.data(), 8);
  SerializeBinStream f(&in);
  CapturedMessages messages;
  RString a, b, c;
  EXPECT_TRUE(f.TransferNameString(a));
  EXPECT_TRUE(f.TransferNameString(b));
  EXPECT_TRUE(f.TransferNameString(c));
  EXPECT_EQ(a, "ab");
  EXPECT_EQ(b, "cd");
  EXPECT_EQ(c, "ef");
  EXPECT_TRUE(f.Ok());
  EXPECT_TRUE(messages.lines.empty());
}

TEST(SerializeBinStream, VersionSaveWritesTheMaximum) {
  QOStrStream out;
  SerializeBinStream f(&out);
  EXPECT_EQ(f.GetVersion(), -1);
  EXPECT_TRUE(f.TransferVersion(28, 54));
  EXPECT_EQ(f.GetVersion(), 54);
  EXPECT_EQ(out.Str(), Bytes({54, 0, 0, 0}));
}

TEST(SerializeBinStream, VersionBelowTheRangeFailsAndIsKept) {
  std::string stored = Bytes({27, 0, 0, 0});
  QIStrStream in(stored.data(), 4);
  SerializeBinStream f(&in);
  EXPECT_FALSE(f.TransferVersion(28, 54));
  EXPECT_EQ(f.GetVersion(), 27);
  EXPECT_TRUE(f.Ok()) << "the caller chooses the error code";
}

TEST(SerializeBinStream, VersionInsideTheRangeLoads) {
  std::string stored = Bytes({44, 0, 0, 0});
  QIStrStream in(stored.data(), 4);
  SerializeBinStream f(&in);
  EXPECT_TRUE(f.TransferVersion(28, 54));
  EXPECT_EQ(f.GetVersion(), 44);
}

TEST(SerializeBinStream, MagicsAreStoredInReadingOrder) {
  EXPECT_EQ(MakeMagic("ODOL"), 0x4C4F444F);
  EXPECT_EQ(MakeMagic("OPRW"), 0x5752504F);
  EXPECT_EQ(MakeMagic("BMTR"), 0x52544D42);
  EXPECT_EQ(MakeMagic("\0raP"), 0x50617200);
  QOStrStream out;
  SerializeBinStream f(&out);
  EXPECT_TRUE(f.TransferVersion(MakeMagic("ODOL"), MakeMagic("ODOL")));
  EXPECT_EQ(out.Str(), "ODOL");
}

TEST(SerializeBinStream, WrongMagicFailsToLoad) {
  std::string stored = "OPRW";
  QIStrStream in(stored.data(), 4);
  SerializeBinStream f(&in);
  EXPECT_FALSE(f.TransferVersion(MakeMagic("ODOL"), MakeMagic("ODOL")));
}

TEST(SerializeBinStream, ReservedOffsetIsPatchedWithTheLaterPosition) {
  QOStrStream out;
  SerializeBinStream f(&out);
  uint8_t pad = 7;
  f.Transfer(pad);
  QFileSize at = f.ReserveOffset();
  EXPECT_EQ(at, 1);
  EXPECT_EQ(out.Str(), Bytes({7, 0xFF, 0xFF, 0xFF, 0xFF}));
  f.Transfer(pad);
  f.PatchOffset(at);
  EXPECT_EQ(f.TellP(), 6);
  EXPECT_EQ(out.Str(), Bytes({7, 6, 0, 0, 0, 7}));
  f.PatchValue(at, 0x11223344);
  EXPECT_EQ(out.Str(), Bytes({7, 0x44, 0x33, 0x22, 0x11, 7}));
  EXPECT_EQ(f.TellP(), 6);
}

// A record with a nested offset: a header pointing past a skipped section.
void TransferSections(SerializeBinStream& f, int& value, RString& skipped) {
  f.PushOffset();
  f.TransferString(skipped);
  f.PopOffset();
  f.Transfer(value);
}

TEST(SerializeBinStream, PushedOffsetLeadsTheLoadPastTheSection) {
  QOStrStream out;
  SerializeBinStream save(&out);
  int value = 99;
  RString text = "section";
  TransferSections(save, value, text);
  std::string stored = out.Str();
  ASSERT_EQ(stored.substr(0, 4), Bytes({12, 0, 0, 0}));

  QIStrStream in(stored.data(), static_cast<QFileSize>(stored.size()));
  SerializeBinStream load(&in);
  int back = 0;
  RString backText;
  TransferSections(load, back, backText);
  EXPECT_TRUE(load.Ok());
  EXPECT_EQ(back, 99);
  EXPECT_EQ(backText, "section");
}

TEST(SerializeBinStream, OffsetBeyondTheStreamIsCorrupt) {
  std::string stored = Bytes({100, 0, 0, 0, 0});
  QIStrStream in(stored.data(), 5);
  SerializeBinStream f(&in);
  f.PushOffset();
  EXPECT_FALSE(f.IsAtOffset());
  f.PopOffset();
  EXPECT_EQ(f.GetError(), SerializeBinStream::EFileStructure);
}

TEST(SerializeBinStream, IsAtOffsetComparesWithThePosition) {
  std::string stored = Bytes({4, 0, 0, 0, 1});
  QIStrStream in(stored.data(), 5);
  SerializeBinStream f(&in);
  f.PushOffset();
  EXPECT_TRUE(f.IsAtOffset());
  f.DropOffset();
  EXPECT_EQ(f.TellG(), 4);
}

TEST(SerializeBinStream, PositionsInTheWrongDirectionAreReported) {
  CapturedMessages messages;
  QOStrStream out;
  SerializeBinStream save(&out);
  EXPECT_EQ(save.TellG(), 0);
  save.SeekG(3);
  std::string stored = "abcd";
  QIStrStream in(stored.data(), 4);
  SerializeBinStream load(&in);
  load.SeekG(2);
  EXPECT_EQ(load.TellP(), 0);
  load.SeekP(1);
  EXPECT_EQ(load.TellG(), 2);
  ASSERT_EQ(messages.lines.size(), 4u);
  EXPECT_TRUE(messages.HasLineEndingWith(") : File is not readable"));
  EXPECT_TRUE(messages.HasLineEndingWith(") : Cannot SeekG on output stream"));
  EXPECT_TRUE(messages.HasLineEndingWith(") : File is not writeable"));
  EXPECT_TRUE(messages.HasLineEndingWith(") : Cannot SeekP on input stream"));
  EXPECT_EQ(messages.errorLines[0].rfind("serialize_bin_stream.cpp(", 0), 0u) << messages.errorLines[0];
  EXPECT_TRUE(save.Ok());
  EXPECT_TRUE(load.Ok());
}

TEST(SerializeBinStream, ErrorIsKeptAndLaterTransfersDoNothing) {
  std::string stored = Bytes({1, 2, 3, 4, 5, 6, 7, 8});
  QIStrStream in(stored.data(), 2);
  SerializeBinStream f(&in);
  f.SetError(SerializeBinStream::EBadVersion);
  f.SetError(SerializeBinStream::EFileStructure);
  int value = 42;
  f.Transfer(value);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(f.GetError(), SerializeBinStream::EBadVersion);
  EXPECT_EQ(in.TellG(), 0);
}

struct TableContext : SerializeBinContext {
  int tableVersion = 3;
};

TEST(SerializeBinStream, KeepsTheFormatContext) {
  QOStrStream out;
  SerializeBinStream f(&out);
  EXPECT_EQ(f.Context<TableContext>(), nullptr);
  TableContext context;
  f.SetContext(&context);
  ASSERT_NE(f.Context<TableContext>(), nullptr);
  EXPECT_EQ(f.Context<TableContext>()->tableVersion, 3);
}

}  // namespace
