// Blocks and arrays of SerializeBinStream: raw and compressed blocks with both methods,
// compressed and compact arrays, and loads of corrupt, truncated and oversized data.
#include "el/qstream/serialize_bin_stream.h"

#include <gtest/gtest.h>
#include <lzo/lzo1x.h>

#include <functional>

#include "el/qstream/lzss.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/qo_file_stream.h"
#include "tests/el/qstream/qstream_test_support.h"

namespace {

std::string Save(bool lzo, const std::function<void(SerializeBinStream&)>& transfer) {
  QOStrStream out;
  SerializeBinStream f(&out);
  f.SetLzoCompression(lzo);
  transfer(f);
  EXPECT_TRUE(f.Ok());
  return out.Str();
}

// Loads `stored` from an exact-size copy; returns the error code.
int Load(const std::string& stored, bool lzo, const std::function<void(SerializeBinStream&)>& transfer,
         QFileSize* rest = nullptr) {
  std::unique_ptr<char[]> exact(new char[stored.size() + 1]);
  std::memcpy(exact.get(), stored.data(), stored.size());
  QIStrStream in(exact.get(), static_cast<QFileSize>(stored.size()));
  SerializeBinStream f(&in);
  f.SetLzoCompression(lzo);
  transfer(f);
  if (rest) *rest = in.GetRest();
  return f.GetError();
}

int32_t Int32At(const std::string& bytes, size_t at) {
  int32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

TEST(SerializeBinArrays, BlocksFrom1024BytesAreCompressedWithTheChosenMethod) {
  std::string short1023(1023, 'q');
  for (bool lzo : {false, true})
    EXPECT_EQ(Save(lzo, [&](SerializeBinStream& f) { f.TransferBinary(short1023.data(), 1023, true); }), short1023);
  std::string plain(1024, 'q');
  std::string lzss = Save(false, [&](SerializeBinStream& f) { f.TransferBinary(plain.data(), plain.size(), true); });
  QOStrStream direct;
  LzssEncode(plain.data(), plain.size(), direct);
  EXPECT_EQ(lzss, direct.Str());
  EXPECT_LT(lzss.size(), 200u);
  EXPECT_EQ(static_cast<uint32_t>(Int32At(lzss, lzss.size() - 4)), 1024u * 'q') << "checksum at the end";
  std::string lzo = Save(true, [&](SerializeBinStream& f) { f.TransferBinary(plain.data(), plain.size(), true); });
  ASSERT_LT(lzo.size(), 200u);
  std::string back(1024, '\0');
  lzo_uint backSize = back.size();
  ASSERT_EQ(lzo1x_decompress_safe(reinterpret_cast<const unsigned char*>(lzo.data()), lzo.size(),
                                  reinterpret_cast<unsigned char*>(back.data()), &backSize, nullptr),
            LZO_E_OK);
  EXPECT_EQ(back, plain);
}

TEST(SerializeBinArrays, ByteLayoutOfSmallArrays) {
  AutoArray<float> empty;
  AutoArray<int16_t> shorts = {1, -1, 256};
  CompactArray<float> twos;
  twos.SetCondensed(500, 2.0f);
  CompactArray<Vector3> axis;
  axis.SetCondensed(3, {1, 0, 0});
  CompactArray<Vector3> list({{1, 2, 3}, {4, 5, 6}});
  const float listFloats[] = {1, 2, 3, 4, 5, 6};
  struct Row {
    const char* name;
    bool lzo;
    std::function<void(SerializeBinStream&)> transfer;
    std::string bytes;
  };
  const Row rows[] = {
      {"empty: only the count", true, [&](SerializeBinStream& f) { f.TransferCompressedArray(empty, true); },
       std::string(4, '\0')},
      {"small: count and raw elements", false, [&](SerializeBinStream& f) { f.TransferCompressedArray(shorts, true); },
       std::string("\x03\0\0\0\x01\0\xFF\xFF\x00\x01", 10)},
      {"500 equal floats: count, 1, the value", true, [&](SerializeBinStream& f) { f.TransferCompactArray(twos, true); },
       std::string("\xF4\x01\0\0\x01\0\0\0\x40", 9)},
      {"condensed Vector3: three floats", false, [&](SerializeBinStream& f) { f.TransferCompactArray(axis, false); },
       std::string("\x03\0\0\0\x01\0\0\x80\x3F\0\0\0\0\0\0\0\0", 17)},
      {"element list: after a zero byte", false, [&](SerializeBinStream& f) { f.TransferCompactArray(list, true); },
       std::string("\x02\0\0\0\0", 5) + std::string(reinterpret_cast<const char*>(listFloats), sizeof listFloats)},
  };
  for (const Row& row : rows) EXPECT_EQ(Save(row.lzo, row.transfer), row.bytes) << row.name;
}

TEST(SerializeBinArrays, ArraysRoundTripWithBothMethods) {
  AutoArray<float> mesh = MakeMeshLikeFloats(30000);
  AutoArray<Vector3> points(500, Vector3{1, 2, 3});
  AutoArray<uint8_t> small = {1, 2, 3};
  CompactArray<float> list(MakeMeshLikeFloats(3000));
  CompactArray<float> uniform(AutoArray<float>(2000, 1.5f));
  EXPECT_TRUE(uniform.Condense());
  // A single element is all equal too; an empty list has nothing to condense.
  CompactArray<float> single(AutoArray<float>(1, 4.0f));
  EXPECT_TRUE(single.Condense());
  CompactArray<float> empty;
  EXPECT_FALSE(empty.Condense());
  EXPECT_FALSE(list.Condense());
  for (bool lzo : {false, true}) {
    SCOPED_TRACE(lzo ? "lzo" : "lzss");
    std::string stored = Save(lzo, [&](SerializeBinStream& f) {
      f.TransferCompressedArray(mesh, true);
      f.TransferCompressedArray(points, true);
      f.TransferCompressedArray(small, true);
      f.TransferCompactArray(list, true);
      f.TransferCompactArray(uniform, true);
    });
    EXPECT_LT(stored.size(), mesh.size() * 4);
    AutoArray<float> meshBack;
    AutoArray<Vector3> pointsBack;
    AutoArray<uint8_t> smallBack = {9, 9, 9, 9, 9};
    CompactArray<float> listBack, uniformBack;
    listBack.SetCondensed(7, 9.0f);
    QFileSize rest = -1;
    ASSERT_EQ(Load(stored, lzo, [&](SerializeBinStream& f) {
      f.TransferCompressedArray(meshBack, true);
      f.TransferCompressedArray(pointsBack, true);
      f.TransferCompressedArray(smallBack, true);
      f.TransferCompactArray(listBack, true);
      f.TransferCompactArray(uniformBack, true);
    }, &rest), 0);
    EXPECT_EQ(meshBack, mesh);
    EXPECT_EQ(pointsBack, points);
    EXPECT_EQ(smallBack, small);
    EXPECT_FALSE(listBack.IsCondensed());
    EXPECT_EQ(listBack.Elements(), list.Elements());
    EXPECT_TRUE(uniformBack.IsCondensed());
    EXPECT_EQ(uniformBack.Size(), 2000);
    EXPECT_EQ(uniformBack[1999], 1.5f);
    EXPECT_EQ(rest, 0);
  }
}

TEST(SerializeBinArrays, CorruptArraysAreCorruptData) {
  CompactArray<float> compact;
  // The compact form byte is neither 0 nor 1.
  EXPECT_EQ(Load(std::string("\x02\0\0\0\x02\0\0\0\0\0\0\0\0", 13), false,
                 [&](SerializeBinStream& f) { f.TransferCompactArray(compact, false); }),
            4);
  AutoArray<float> mesh = MakeMeshLikeFloats(1000);
  AutoArray<float> back;
  std::string lzo = Save(true, [&](SerializeBinStream& f) { f.TransferCompressedArray(mesh, true); });
  int32_t bigger = 1001;
  std::memcpy(lzo.data(), &bigger, 4);
  EXPECT_EQ(Load(lzo, true, [&](SerializeBinStream& f) { f.TransferCompressedArray(back, true); }), 4)
      << "LZO block of another size";
  std::string lzss = Save(false, [&](SerializeBinStream& f) { f.TransferCompressedArray(mesh, true); });
  lzss[lzss.size() - 1] ^= 0x01;
  CapturedMessages messages;
  EXPECT_EQ(Load(lzss, false, [&](SerializeBinStream& f) { f.TransferCompressedArray(back, true); }), 4);
  EXPECT_TRUE(messages.HasLineEndingWith(" : Checksum"));
  ASSERT_FALSE(messages.errorLines.empty());
  EXPECT_EQ(messages.errorLines.back(), "Error in SerializeBinStream decoding");
}

TEST(SerializeBinArrays, CountsTheStreamCannotHoldAreRejectedBeforeAllocating) {
  // Huge, negative and merely too large counts for raw, LZSS and LZO blocks.
  const std::pair<const char*, bool> counts[] = {{"\xFF\xFF\xFF\x7F", true}, {"\xFF\xFF\xFF\x7F", false},
                                                 {"\x00\x00\x00\x80", true}, {"\x00\x10\x00\x00", true},
                                                 {"\x00\x02\x00\x00", false}, {"\x20\x00\x00\x00", false}};
  for (const auto& [count, lzo] : counts) {
    std::string stored = std::string(count, 4) + std::string(64, 'a');
    AutoArray<Vector3> back;
    EXPECT_EQ(Load(stored, lzo, [&](SerializeBinStream& f) { f.TransferCompressedArray(back, true); }), 4);
    EXPECT_TRUE(back.empty());
    CompactArray<Vector3> compact;
    std::string asCompact = stored.substr(0, 4) + std::string(1, '\0') + stored.substr(4);
    EXPECT_EQ(Load(asCompact, lzo, [&](SerializeBinStream& f) { f.TransferCompactArray(compact, true); }), 4);
    EXPECT_EQ(compact.Size(), 0);
  }
}

// A small record that uses every load primitive once.
struct Record {
  int32_t version = 0;
  RString name;
  RString label;
  AutoArray<float> heights;
  CompactArray<Vector3> normals;
  AutoArray<uint16_t> indices;
  int64_t stamp = 0;

  void Transfer(SerializeBinStream& f) {
    f.TransferVersion(1, 3);
    f.TransferString(name);
    f.TransferNameString(label);
    f.TransferCompressedArray(heights, true);
    f.TransferCompactArray(normals, true);
    f.PushOffset();
    f.TransferCompressedArray(indices, false);
    f.PopOffset();
    f.Transfer(stamp);
  }
};

Record MakeRecord() {
  Record record;
  record.name = "tree";
  record.label = "bark";
  record.heights = MakeMeshLikeFloats(400);
  record.normals.SetCondensed(40, {0, 1, 0});
  record.indices = {0, 1, 2, 2, 1, 3};
  record.stamp = 77;
  return record;
}

TEST(SerializeBinArrays, RecordRoundTripsThroughFilesAndEveryTruncationFails) {
  TempFolder folder;
  for (bool lzo : {false, true}) {
    SCOPED_TRACE(lzo ? "lzo" : "lzss");
    std::string path = folder.File(lzo ? "lzo.bin" : "lzss.bin");
    Record record = MakeRecord();
    {
      QOFStream out;
      ASSERT_TRUE(out.OpenAtomic(path));
      SerializeBinStream f(&out);
      f.SetLzoCompression(lzo);
      record.Transfer(f);
      ASSERT_TRUE(f.Ok());
      ASSERT_TRUE(out.Close());
    }
    QIFStream in;
    ASSERT_TRUE(in.Open(path));
    SerializeBinStream f(&in);
    f.SetLzoCompression(lzo);
    Record back;
    back.Transfer(f);
    ASSERT_TRUE(f.Ok());
    EXPECT_EQ(f.GetVersion(), 3);
    EXPECT_EQ(back.name, "tree");
    EXPECT_EQ(back.label, "bark");
    EXPECT_EQ(back.heights, record.heights);
    EXPECT_EQ(back.normals.Size(), 40);
    EXPECT_EQ(back.indices, record.indices);
    EXPECT_EQ(back.stamp, 77);
    // The name string's last form reads to the end without an error; every other cut is
    // corrupt data.
    std::string stored = Save(lzo, [&](SerializeBinStream& f) { record.Transfer(f); });
    CapturedMessages messages;
    for (size_t length = 0; length < stored.size(); ++length) {
      Record cut;
      EXPECT_EQ(Load(stored.substr(0, length), lzo, [&](SerializeBinStream& f) { cut.Transfer(f); }), 4) << length;
    }
  }
}

TEST(SerializeBinArrays, SkipBinaryMovesPastEveryKindOfBlock) {
  CapturedMessages messages;
  AutoArray<float> mesh = MakeMeshLikeFloats(2000);
  for (bool lzo : {false, true}) {
    for (size_t size : {size_t{40}, mesh.size() * 4}) {
      std::string stored = Save(lzo, [&](SerializeBinStream& f) {
        f.TransferBinary(mesh.data(), size, true);
        int32_t marker = 0x12345678;
        f.Transfer(marker);
      });
      int32_t marker = 0;
      EXPECT_EQ(Load(stored, lzo, [&](SerializeBinStream& f) {
        f.SkipBinary(size, true);
        f.Transfer(marker);
      }), 0);
      EXPECT_EQ(marker, 0x12345678);
      EXPECT_EQ(Load(stored.substr(0, size > 100 ? 50 : 20), lzo, [&](SerializeBinStream& f) { f.SkipBinary(size, true); }), 4);
    }
  }
}

struct Proxy {
  RString name;
  int32_t id = 0;
  void SerializeBin(SerializeBinStream& f) {
    f.TransferString(name);
    f.Transfer(id);
  }
};

TEST(SerializeBinArrays, ArrayOfStructuresUsesTheirOwnTransfer) {
  AutoArray<Proxy> proxies = {{"door", 1}, {"window", 2}};
  std::string stored = Save(false, [&](SerializeBinStream& f) { f.TransferArray(proxies); });
  EXPECT_EQ(stored, std::string("\x02\0\0\0door\0\x01\0\0\0window\0\x02\0\0\0", 24));
  AutoArray<Proxy> back;
  EXPECT_EQ(Load(stored, false, [&](SerializeBinStream& f) { f.TransferArray(back); }), 0);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].name, "window");
  EXPECT_EQ(back[1].id, 2);
  std::string tooMany = stored;
  tooMany[0] = 100;
  EXPECT_EQ(Load(tooMany, false, [&](SerializeBinStream& f) { f.TransferArray(back); }), 4);
}

}  // namespace
