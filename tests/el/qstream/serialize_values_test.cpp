// Plain values, strings, versions, magics, offsets and positions of SerializeBinStream.
#include "el/qstream/serialize_bin_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/el/qstream/chunked_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

// A load stream over its own copy of `stored`.
struct Loading {
  explicit Loading(std::string stored) : bytes(std::move(stored)), in(bytes.data(), static_cast<QFileSize>(bytes.size())) {}
  std::string bytes;
  QIStrStream in;
  SerializeBinStream f{&in};
};

// One value of every plain type.
struct PlainValues {
  uint8_t byte = 0;
  int32_t i32 = 0;
  uint32_t u32 = 0;
  float real = 0;
  int64_t i64 = 0;
  uint16_t u16 = 0;
  bool flag = false;
  Vector3 v;

  void Transfer(SerializeBinStream& f) {
    f.Transfer(byte), f.Transfer(i32), f.Transfer(u32), f.Transfer(real);
    f.Transfer(i64), f.Transfer(u16), f.Transfer(flag), f.Transfer(v);
  }
  bool operator==(const PlainValues&) const = default;
};

TEST(SerializeBinStream, PlainValuesAreStoredLittleEndianWithoutPaddingAndRoundTrip) {
  PlainValues saved{0xAB, -2, 0x01020304, 1.0f, 0x0102030405060708, 0xFDE8, true, {1.0f, -2.0f, 0.5f}};
  QOStrStream out;
  SerializeBinStream save(&out);
  saved.Transfer(save);
  EXPECT_TRUE(save.Ok());
  EXPECT_EQ(out.Str(), Bytes({0xAB, 0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x80, 0x3F,
                              0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0xE8, 0xFD, 0x01,
                              0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x3F}));
  Loading load(out.Str());
  PlainValues back;
  back.Transfer(load.f);
  EXPECT_TRUE(load.f.Ok());
  EXPECT_TRUE(back == saved);
  EXPECT_EQ(load.in.GetRest(), 0);
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
  Loading load(out.Str());
  RString first = "old", second = "old", third;
  EXPECT_TRUE(load.f.TransferString(first));
  EXPECT_TRUE(load.f.TransferString(second));
  EXPECT_TRUE(load.f.TransferString(third));
  EXPECT_EQ(first, "abc");
  EXPECT_EQ(second, "");
  EXPECT_EQ(third, "abc");
  EXPECT_TRUE(load.f.Ok());
}

TEST(SerializeBinStream, UnterminatedStringKeepsItsCharactersWithCorruptData) {
  Loading load("abc");
  CapturedMessages messages;
  RString value;
  EXPECT_FALSE(load.f.TransferString(value));
  EXPECT_EQ(value, "abc");
  EXPECT_EQ(load.f.GetError(), SerializeBinStream::EFileStructure);
  ASSERT_EQ(messages.lines.size(), 1u);
  EXPECT_EQ(messages.errorLines[0], "EOF in string");
}

TEST(SerializeBinStream, NameStringAlsoEndsAtFFAndAtTheEnd) {
  Loading load(std::string("ab\xFF" "cd\0" "ef", 8));
  CapturedMessages messages;
  RString a, b, c;
  EXPECT_TRUE(load.f.TransferNameString(a));
  EXPECT_TRUE(load.f.TransferNameString(b));
  EXPECT_TRUE(load.f.TransferNameString(c));
  EXPECT_EQ(a, "ab");
  EXPECT_EQ(b, "cd");
  EXPECT_EQ(c, "ef");
  EXPECT_TRUE(load.f.Ok());
  EXPECT_TRUE(messages.lines.empty());
}

// Strings that lie in one buffer, cross one or more buffer ends, or are cut by the end of
// the input load the same through TransferString, TransferNameString and LoadStringView.
TEST(SerializeBinStream, StringsLoadAcrossBufferEnds) {
  const std::string stored = std::string("first\0\0a longer string that spans buffers\0x\xFFy\0tail", 50);
  for (QFileSize chunk : {1, 2, 3, 7, 64}) {
    SCOPED_TRACE(chunk);
    {
      ChunkedStream in(stored, chunk);
      SerializeBinStream f(&in);
      RString a, b, c, d;
      EXPECT_TRUE(f.TransferString(a));
      EXPECT_TRUE(f.TransferString(b));
      EXPECT_TRUE(f.TransferString(c));
      EXPECT_TRUE(f.TransferNameString(d));
      EXPECT_EQ(a, "first");
      EXPECT_EQ(b, "");
      EXPECT_EQ(c, "a longer string that spans buffers");
      EXPECT_EQ(d, "x");
      EXPECT_EQ(in.TellG(), 44);
    }
    {
      ChunkedStream in(stored, chunk);
      SerializeBinStream f(&in);
      RString storage;
      std::vector<std::string> views;
      for (int i = 0; i < 3; ++i) {
        std::string_view view;
        EXPECT_TRUE(f.LoadStringView(view, storage));
        views.emplace_back(view);
      }
      EXPECT_EQ(views, (std::vector<std::string>{"first", "", "a longer string that spans buffers"}));
      std::string_view view;
      EXPECT_TRUE(f.LoadStringView(view, storage));
      EXPECT_EQ(view, "x\xFFy");
      CapturedMessages messages;
      EXPECT_FALSE(f.LoadStringView(view, storage));
      EXPECT_EQ(storage, "tail");
      EXPECT_EQ(f.GetError(), SerializeBinStream::EFileStructure);
    }
  }
}

TEST(SerializeBinStream, VersionSaveWritesTheMaximum) {
  QOStrStream out;
  SerializeBinStream f(&out);
  EXPECT_EQ(f.GetVersion(), -1);
  EXPECT_TRUE(f.TransferVersion(28, 54));
  EXPECT_EQ(f.GetVersion(), 54);
  EXPECT_EQ(out.Str(), Bytes({54, 0, 0, 0}));
}

TEST(SerializeBinStream, VersionLoadsOnlyInsideTheRangeAndIsKeptEitherWay) {
  for (int version : {27, 28, 44, 54, 55}) {
    Loading load(Bytes({version, 0, 0, 0}));
    EXPECT_EQ(load.f.TransferVersion(28, 54), version >= 28 && version <= 54) << version;
    EXPECT_EQ(load.f.GetVersion(), version);
    EXPECT_TRUE(load.f.Ok()) << "the caller chooses the error code";
  }
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
  Loading wrong("OPRW");
  EXPECT_FALSE(wrong.f.TransferVersion(MakeMagic("ODOL"), MakeMagic("ODOL")));
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
  ASSERT_EQ(out.Str().substr(0, 4), Bytes({12, 0, 0, 0}));

  Loading load(out.Str());
  int back = 0;
  RString backText;
  TransferSections(load.f, back, backText);
  EXPECT_TRUE(load.f.Ok());
  EXPECT_EQ(back, 99);
  EXPECT_EQ(backText, "section");
}

TEST(SerializeBinStream, OffsetIsComparedWithThePositionAndMayNotLieBeyondTheStream) {
  Loading at(Bytes({4, 0, 0, 0, 1}));
  at.f.PushOffset();
  EXPECT_TRUE(at.f.IsAtOffset());
  at.f.DropOffset();
  EXPECT_EQ(at.f.TellG(), 4);
  Loading beyond(Bytes({100, 0, 0, 0, 0}));
  beyond.f.PushOffset();
  EXPECT_FALSE(beyond.f.IsAtOffset());
  beyond.f.PopOffset();
  EXPECT_EQ(beyond.f.GetError(), SerializeBinStream::EFileStructure);
}

TEST(SerializeBinStream, PositionsInTheWrongDirectionAreReported) {
  CapturedMessages messages;
  QOStrStream out;
  SerializeBinStream save(&out);
  EXPECT_EQ(save.TellG(), 0);
  save.SeekG(3);
  Loading load("abcd");
  load.f.SeekG(2);
  EXPECT_EQ(load.f.TellP(), 0);
  load.f.SeekP(1);
  EXPECT_EQ(load.f.TellG(), 2);
  ASSERT_EQ(messages.lines.size(), 4u);
  EXPECT_TRUE(messages.HasLineEndingWith(") : File is not readable"));
  EXPECT_TRUE(messages.HasLineEndingWith(") : Cannot SeekG on output stream"));
  EXPECT_TRUE(messages.HasLineEndingWith(") : File is not writeable"));
  EXPECT_TRUE(messages.HasLineEndingWith(") : Cannot SeekP on input stream"));
  EXPECT_EQ(messages.errorLines[0].rfind("serialize_bin_stream.cpp(", 0), 0u) << messages.errorLines[0];
  EXPECT_TRUE(save.Ok());
  EXPECT_TRUE(load.f.Ok());
}

TEST(SerializeBinStream, ErrorIsKeptAndLaterTransfersDoNothing) {
  Loading load(Bytes({1, 2}));
  load.f.SetError(SerializeBinStream::EBadVersion);
  load.f.SetError(SerializeBinStream::EFileStructure);
  int value = 42;
  load.f.Transfer(value);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(load.f.GetError(), SerializeBinStream::EBadVersion);
  EXPECT_EQ(load.in.TellG(), 0);
}

struct TableContext : SerializeBinContext {};

TEST(SerializeBinStream, KeepsTheFormatContext) {
  QOStrStream out;
  SerializeBinStream f(&out);
  EXPECT_EQ(f.Context<TableContext>(), nullptr);
  TableContext context;
  f.SetContext(&context);
  EXPECT_EQ(f.Context<TableContext>(), &context);
}

}  // namespace
