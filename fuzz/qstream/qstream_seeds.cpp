// Seeds of the stream fuzz targets: blocks and records written by our own savers.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "el/qstream/lzo_block.h"
#include "el/qstream/lzss.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "fuzz/qstream/fuzz_input.h"
#include "fuzz/seeds/seed_registry.h"

namespace {

// A seed that our own loader cannot read back is a defect of the saver or the loader.
void RequireValid(bool valid, const std::string& what) {
  if (valid) return;
  std::fprintf(stderr, "seed does not load back: %s\n", what.c_str());
  std::abort();
}

// Sample contents: a small terrain-like float grid, repeated text, spaces, a few bytes.
std::vector<std::string> SampleContents() {
  std::vector<float> grid;
  for (int row = 0; row < 12; ++row)
    for (int column = 0; column < 12; ++column) {
      grid.push_back(static_cast<float>(column));
      grid.push_back(std::floor(std::sin(row * 0.3f + column * 0.2f) * 64.0f) / 64.0f);
      grid.push_back(static_cast<float>(row));
    }
  std::string text;
  for (int i = 0; i < 40; ++i) text += "proxy_door_" + std::to_string(i % 7) + ";";
  return {std::string(reinterpret_cast<const char*>(grid.data()), grid.size() * sizeof(float)), text,
          std::string(1024, ' '), "abc", std::string(1, '\0')};
}

int WriteLzssSeeds(const std::filesystem::path& folder) {
  int written = 0;
  int index = 0;
  for (const std::string& content : SampleContents()) {
    QOStrStream coded;
    LzssEncode(content.data(), content.size(), coded);
    std::string back(content.size(), '\0');
    QIStrStream in(coded.GetBuffer(), static_cast<QFileSize>(coded.GetBufferSize()));
    RequireValid(LzssDecode(in, back.data(), static_cast<QFileSize>(back.size())) && back == content, "lzss");
    for (int chunk : {0, 5}) {
      written += WriteSeed(folder, "lzss_" + std::to_string(index++),
                           BlockFuzzHeader::Write(content.size(), chunk) + coded.Str());
    }
  }
  return written;
}

int WriteLzoSeeds(const std::filesystem::path& folder) {
  int written = 0;
  int index = 0;
  for (const std::string& content : SampleContents()) {
    QOStrStream coded;
    RequireValid(SaveLzoBlock(coded, content.data(), content.size()), "lzo save");
    std::string back(content.size(), '\0');
    QIStrStream in(coded.GetBuffer(), static_cast<QFileSize>(coded.GetBufferSize()));
    RequireValid(LoadLzoBlock(in, back.data(), back.size()) && back == content, "lzo");
    for (int chunk : {0, 3, 64}) {
      written += WriteSeed(folder, "lzo_" + std::to_string(index++),
                           BlockFuzzHeader::Write(content.size(), chunk) + coded.Str() + "tail");
    }
  }
  return written;
}

FuzzRecord SampleRecord(int variant) {
  FuzzRecord record;
  record.name = "house_" + std::to_string(variant);
  record.label = "roof";
  for (int i = 0; i < 300 * (variant + 1); ++i) record.heights.push_back(std::floor(std::sin(i * 0.05f) * 32.0f) / 32.0f);
  record.flags = {1, 0, 1, 1};
  if (variant == 0) {
    record.normals.SetCondensed(90, {0, 1, 0});
  } else {
    AutoArray<Vector3> normals;
    for (int i = 0; i < 100; ++i) normals.push_back({0, 1, static_cast<float>(i % 3)});
    record.normals.SetElements(normals);
  }
  record.weights.SetCondensed(12, 1.0f);
  for (int i = 0; i < 400; ++i) record.skippedIndices.push_back(i % 50);
  record.stamp = 1234567 + variant;
  return record;
}

int WriteSerializeSeeds(const std::filesystem::path& folder) {
  int written = 0;
  for (int lzo = 0; lzo < 2; ++lzo) {
    for (int variant = 0; variant < 2; ++variant) {
      QOStrStream out;
      SerializeBinStream f(&out);
      f.SetLzoCompression(lzo != 0);
      FuzzRecord record = SampleRecord(variant);
      record.Transfer(f);
      QIStrStream in(out.GetBuffer(), static_cast<QFileSize>(out.GetBufferSize()));
      SerializeBinStream load(&in);
      load.SetLzoCompression(lzo != 0);
      FuzzRecord back;
      back.Transfer(load);
      RequireValid(f.Ok() && load.Ok() && back.heights == record.heights && back.stamp == record.stamp &&
                       in.GetRest() == 0,
                   "record");
      for (int chunk : {0, 9}) {
        std::string flags(1, static_cast<char>(lzo | (chunk << 1)));
        written += WriteSeed(folder, "record_" + std::to_string(lzo) + "_" + std::to_string(variant) + "_" +
                                         std::to_string(chunk),
                             flags + out.Str());
      }
    }
  }
  return written;
}

int WriteRoundTripSeeds(const std::filesystem::path& folder) {
  int written = 0;
  int index = 0;
  for (const std::string& content : SampleContents())
    written += WriteSeed(folder, "plain_" + std::to_string(index++), content);
  return written;
}

SeedRegistration lzssSeeds("qstream_lzss_decode", WriteLzssSeeds);
SeedRegistration lzoSeeds("qstream_lzo_block", WriteLzoSeeds);
SeedRegistration serializeSeeds("qstream_serialize_load", WriteSerializeSeeds);
SeedRegistration roundTripSeeds("qstream_lzss_round_trip", WriteRoundTripSeeds);

}  // namespace
