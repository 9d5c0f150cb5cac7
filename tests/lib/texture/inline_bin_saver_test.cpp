// InlineBinSaver writes the bytes SerializeBinStream writes for the same routine: plain
// values, strings, versions, arrays of records and compressed blocks, small and large,
// and stops writing after an error as SerializeBinStream does.
#include "lib/texture/inline_bin_saver.h"

#include <gtest/gtest.h>

#include <random>

#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/texture/texture_header.h"

namespace {

struct Item {
  int16_t a = 0;
  RString label;
};

struct Sample {
  int32_t count = 0;
  uint8_t flag = 0;
  double ratio = 0;
  float scale = 0;
  RString name;
  AutoArray<uint32_t> values;
  AutoArray<uint32_t> packed;  // saved compressed
  AutoArray<Item> items;
};

// One routine for both savers, as the formats write theirs.
template <class Stream, class Record>
bool TransferSample(Stream& f, Record& sample) {
  if (!f.TransferVersion(3, 7)) return false;
  f.Transfer(sample.count);
  f.Transfer(sample.flag);
  f.Transfer(sample.ratio);
  f.Transfer(sample.scale);
  f.TransferString(sample.name);
  f.TransferCompressedArray(sample.values, false);
  f.TransferCompressedArray(sample.packed, true);
  f.TransferArray(sample.items, [](Stream& s, auto& item) {
    s.Transfer(item.a);
    s.TransferString(item.label);
  });
  return f.Ok();
}

Sample MakeSample(size_t values, size_t packed, size_t items) {
  Sample sample;
  std::mt19937 random(static_cast<unsigned>(values * 31 + packed * 7 + items));
  sample.count = -12345;
  sample.flag = 0xA5;
  sample.ratio = 0.1;
  sample.scale = -2.5f;
  sample.name = "name" + std::to_string(values);
  for (size_t i = 0; i < values; ++i) sample.values.push_back(static_cast<uint32_t>(random()));
  // Compressible, so that a large block is stored compressed.
  for (size_t i = 0; i < packed; ++i) sample.packed.push_back(static_cast<uint32_t>(i % 17));
  for (size_t i = 0; i < items; ++i) sample.items.push_back({static_cast<int16_t>(i), std::string(i % 40, 'x')});
  return sample;
}

std::string WithSerializeBinStream(Sample sample, bool lzo) {
  QOStrStream out;
  SerializeBinStream f(&out);
  f.SetLzoCompression(lzo);
  EXPECT_TRUE(TransferSample(f, sample));
  return out.Str();
}

std::string WithInlineSaver(const Sample& sample, bool lzo) {
  QOStrStream out;
  InlineBinSaver f(&out);
  f.SetLzoCompression(lzo);
  EXPECT_TRUE(TransferSample(f, sample));
  EXPECT_TRUE(f.Finish());
  return out.Str();
}

TEST(InlineBinSaver, WritesTheBytesOfSerializeBinStream) {
  for (bool lzo : {false, true}) {
    for (size_t values : {0u, 3u, 256u, 5000u}) {
      for (size_t packed : {0u, 10u, 255u, 256u, 40000u}) {
        for (size_t items : {0u, 1u, 3000u}) {
          SCOPED_TRACE(testing::Message() << lzo << " " << values << " " << packed << " " << items);
          const Sample sample = MakeSample(values, packed, items);
          EXPECT_EQ(WithInlineSaver(sample, lzo), WithSerializeBinStream(sample, lzo));
        }
      }
    }
  }
}

TEST(InlineBinSaver, TextureHeaderRecordsAsSerializeBinStream) {
  TextureHeader header;
  header.name = "data\\a_co.paa";
  header.palette.assign(256, 0x123456);  // a 1024-byte block, stored as it is
  header.averageColor[1] = 0.5f;
  header.transparentIndex = 3;
  header.mipmapCount = 2;
  header.mipmaps = {PacMipmapRecord{.width = 8, .height = 4, .offset = 77}, PacMipmapRecord{.width = 4, .height = 2}};
  header.fileSize = 999;
  QOStrStream inlineOut, serializeOut;
  {
    InlineBinSaver f(&inlineOut);
    EXPECT_TRUE(TransferTextureHeader(f, header));
  }  // the rest reaches the stream when the saver ends
  SerializeBinStream f(&serializeOut);
  EXPECT_TRUE(TransferTextureHeader(f, header));
  EXPECT_EQ(inlineOut.Str(), serializeOut.Str());
}

TEST(InlineBinSaver, NothingIsWrittenAfterAnError) {
  QOStrStream out;
  InlineBinSaver f(&out);
  int32_t value = 5;
  f.Transfer(value);
  f.SetError(SerializeBinStream::EGeneric);
  f.Transfer(value);
  RString text = "abc";
  EXPECT_FALSE(f.TransferString(text));
  EXPECT_FALSE(f.TransferVersion(1, 1));
  AutoArray<uint32_t> values = {1, 2};
  EXPECT_FALSE(f.TransferCompressedArray(values, false));
  EXPECT_FALSE(f.Finish());
  EXPECT_EQ(f.GetError(), SerializeBinStream::EGeneric);
  EXPECT_EQ(out.Str(), std::string("\x05\0\0\0", 4));
}

}  // namespace
