// Runtime model files that are truncated, corrupt, oversized or of other versions.
#include <gtest/gtest.h>

#include <random>

#include "el/qstream/serialize_bin_stream.h"
#include "lib/shape/material_transfer.h"
#include "lib/shape/odol_model.h"
#include "tests/lib/shape/odol_test_support.h"

namespace {

using namespace odol_test;
using shape_test::ShapeTest;

class RuntimeModelCorrupt : public ShapeTest {
 protected:
  void SetUp() override {
    ShapeTest::SetUp();
    model_.SetName("corrupt.p3d");
    model_.AddLod(TriangleShape(1, FilledMaterial("data\\a.rvmat")), 1.0f);
    model_.AddLod(TriangleShape(2, nullptr, ""), 1e13f);
    bytes_ = Save(model_, &info_);
  }
  LODShape model_;
  RuntimeModelInfo info_;
  std::string bytes_;
};

TEST_F(RuntimeModelCorrupt, EveryTruncationFails) {
  for (size_t size = 0; size < bytes_.size(); ++size) {
    LODShape loaded;
    EXPECT_NE(Load(bytes_.substr(0, size), loaded), 0) << "size " << size;
    EXPECT_EQ(loaded.NLods(), 0);
  }
}

TEST_F(RuntimeModelCorrupt, VersionsOutsideTheRange) {
  for (int version : {27, 55, -1}) {
    std::string bytes = bytes_;
    WriteAt<int32_t>(bytes, 4, version);
    LODShape loaded;
    EXPECT_EQ(Load(bytes, loaded), SerializeBinStream::EBadVersion);
    EXPECT_TRUE(shape_test::HasLine(messages, "Error: Model test.p3d is in unsupported format " + std::to_string(version) +
                                                  " (current format is 54, minimum supported is 28)"))
        << messages.Text();
  }
}

TEST_F(RuntimeModelCorrupt, ChangedFieldsFailWithTheirError) {
  // The first LOD block's faces: count 1, size 8, a 0 word, then 3 and the indices.
  size_t faces = bytes_.find(std::string("\x01\0\0\0\x08\0\0\0\0\0\x03", 11));
  ASSERT_NE(faces, std::string::npos);
  // The start table follows the model block and the animation flag; the end table follows it.
  size_t table = bytes_.find(std::string(reinterpret_cast<const char*>(info_.lodStart.data()), 8));
  ASSERT_NE(table, std::string::npos);
  // "memory" index byte: the model block holds 234 bytes before it (no skeleton, no masses).
  size_t memory = BlockStart(2) + 234;
  ASSERT_EQ(static_cast<int8_t>(bytes_[memory]), -1);
  ASSERT_EQ(static_cast<int8_t>(bytes_[memory + 1]), 1);  // geometry
  struct Row {
    const char* name;
    size_t at;
    std::string value;
    int error;  // 0: any error
  };
  const Row rows[] = {
      {"magic", 0, "X", SerializeBinStream::EBadFileType},
      {"LOD count beyond the 32 a model holds", 8, Le<int32_t>(1000), SerializeBinStream::EFileStructure},
      {"face count of two billion", faces, Le<int32_t>(0x7FFFFFFF), SerializeBinStream::EFileStructure},
      {"face of 255 vertices", faces + 10, "\xFF", SerializeBinStream::EFileStructure},
      {"vertex the LOD does not have", faces + 11, Le<uint16_t>(3), SerializeBinStream::EFileStructure},
      {"special LOD index beyond the LODs", memory, "\x05", SerializeBinStream::EFileStructure},
      {"negative LOD start", table, Le<int32_t>(-1), 0},
      {"LOD start beyond the file", table, Le<int32_t>(1 << 30), 0},
      {"LOD start inside the header", table, Le<int32_t>(3), 0},
      {"block ending elsewhere than its end slot says", table + 8, Le<int32_t>(info_.lodEnd[0] - 1),
       SerializeBinStream::EFileStructure},
  };
  for (const Row& row : rows) {
    std::string bytes = bytes_;
    bytes.replace(row.at, row.value.size(), row.value);
    LODShape loaded;
    int error = Load(bytes, loaded);
    EXPECT_NE(error, 0) << row.name;
    if (row.error) {
      EXPECT_EQ(error, row.error) << row.name;
    }
  }
}

TEST_F(RuntimeModelCorrupt, ChangedBytesNeverCrash) {
  std::mt19937 random(54);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = bytes_;
    int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) bytes[random() % bytes.size()] = static_cast<char>(random());
    LODShape loaded;
    RuntimeModelInfo info;
    Load(bytes, loaded, &info);
  }
}

TEST_F(RuntimeModelCorrupt, MaterialRecordOfAnotherVersion) {
  for (int version : {21, 8}) {
    QOStrStream out;
    SerializeBinStream save(&out);
    save.Transfer(version);
    std::string bytes = out.Str() + std::string(400, '\0');
    QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
    SerializeBinStream load(&in);
    TexMaterial material("old.rvmat");
    EXPECT_FALSE(TransferMaterialRecord(load, material));
    EXPECT_EQ(load.GetError(), SerializeBinStream::EBadVersion);
    EXPECT_TRUE(shape_test::HasLine(messages, "Cannot load material old.rvmat - bad version " + std::to_string(version) +
                                                  " (20 expected)"));
  }
}

TEST_F(RuntimeModelCorrupt, MaterialRecordVersion11KeepsNewerDefaults) {
  // Version 11: five colours, the specular again, the power, shaders, light, fog,
  // surface, render flags, no stages, no generators, stageTI.
  QOStrStream out;
  SerializeBinStream f(&out);
  auto put = [&f](auto value) { f.Transfer(value); };
  auto putString = [&f](RString value) { f.TransferString(value); };
  put(11);
  for (int i = 0; i < 6 * 4; ++i) put(0.5f);
  put(12.0f);                                      // power
  for (int32_t value : {9, 2, 1, 0}) put(value);   // shaders, light, fog
  putString("data\\wood.bisurf");
  for (int32_t value : {1, 4, 1, 0}) put(value);   // one render flag word, one stage, no generator
  put(int32_t{9});                                 // filter beyond the filters: read as the default
  putString("data\\old_co.paa");
  put(int32_t{0});                                 // texGen
  put(false);                                      // world environment map
  put(int32_t{3});                                 // stageTI: filter, texture, texGen, map
  putString("");
  put(int32_t{0});
  put(false);
  std::string bytes = out.Str();

  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  SerializeBinStream load(&in);
  TexMaterial material("old.rvmat");
  ASSERT_TRUE(TransferMaterialRecord(load, material));
  EXPECT_EQ(load.TellG(), static_cast<QFileSize>(bytes.size()));
  TexMaterial defaults("defaults");
  EXPECT_EQ(material.diffuse, (MaterialColor{0.5f, 0.5f, 0.5f, 0.5f}));
  EXPECT_EQ(material.treeColorization, defaults.treeColorization);
  EXPECT_EQ(material.plantWind, defaults.plantWind);
  EXPECT_EQ(material.superExt, defaults.superExt);
  EXPECT_EQ(material.multiTopProjectionLayer, -1);
  EXPECT_EQ(material.degAngleTopProjectionEnd, 45.0f);
  EXPECT_EQ(material.projectionVector, (Vector3{0, 1, 0}));
  EXPECT_EQ(material.specularPower, 12.0f);
  EXPECT_EQ(material.pixelShaderID, 9);
  EXPECT_EQ(material.renderFlags, 4u);
  EXPECT_EQ(material.surfaceInfo, "data\\wood.bisurf");
  ASSERT_EQ(material.StageCount(), 1);
  EXPECT_EQ(material.stages[0].texture, "data\\old_co.paa");
  EXPECT_EQ(material.stages[0].filter, 3);
}

// Removes byte ranges (sorted, not overlapping) from a saved model that lie before its LOD
// blocks, moves the LOD tables' offsets by the bytes removed and sets the version.
std::string Downgrade(const std::string& bytes, int version, std::vector<std::pair<size_t, size_t>> ranges,
                      size_t table, int nLods) {
  size_t removed = 0;
  for (const auto& r : ranges) removed += r.second - r.first;
  std::string out = bytes;
  for (int i = 0; i < 2 * nLods; ++i) {
    size_t at = table + 4 * static_cast<size_t>(i);
    WriteAt<int32_t>(out, at, ReadAt<int32_t>(out, at) - static_cast<int32_t>(removed));
  }
  for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) out.erase(it->first, it->second - it->first);
  WriteAt<int32_t>(out, 4, version);
  return out;
}

TEST_F(RuntimeModelCorrupt, OlderVersionsLoadWithDefaults) {
  model_.Bounds().visualMin = {-9, -9, -9};
  model_.Bounds().min = {-1, -1, -1};
  model_.Config().htMin = 5;
  model_.Config().tBody = 6;
  model_.PropertyValues().drawImportance = 3;
  model_.PropertyValues().forceNotAlpha = true;
  model_.PropertyValues().sbSource = 2;
  model_.SetShaderMarker(1);
  bytes_ = Save(model_, &info_);
  size_t b = BlockStart(2);
  size_t table = b + 260;
  ASSERT_EQ(ReadAt<int32_t>(bytes_, table), info_.lodStart[0]);

  // Version 51: no visual box, no version 53 values, no "geometrySimple" index.
  std::string v51 = Downgrade(bytes_, 51, {{b + 72, b + 96}, {b + 172, b + 177}, {b + 236, b + 237}}, table, 2);
  LODShape loaded;
  ASSERT_EQ(Load(v51, loaded), 0) << messages.Text();
  EXPECT_EQ(loaded.Bounds().visualMin, (Vector3{-1, -1, -1}));
  EXPECT_EQ(loaded.PropertyValues().drawImportance, 1.0f);
  EXPECT_EQ(loaded.Config().htMin, 5.0f);
  EXPECT_EQ(loaded.Special().geometry, 1);
  ExpectSameShape(*model_.Lod(0), *loaded.Lod(0));

  // Version 30: none of the values of versions 31 to 54.
  std::string v30 = Downgrade(bytes_, 30,
                              {{b + 72, b + 96},
                               {b + 172, b + 207},
                               {b + 236, b + 237},
                               {b + 251, b + 252},
                               {b + 255, b + 259}},
                              table, 2);
  ASSERT_EQ(Load(v30, loaded), 0) << messages.Text();
  EXPECT_TRUE(shape_test::HasLine(messages, "test.p3d: Old model format 30"));
  EXPECT_EQ(loaded.Config().htMin, 0.0f);
  EXPECT_EQ(loaded.Config().tBody, 0.0f);
  EXPECT_FALSE(loaded.PropertyValues().forceNotAlpha);
  EXPECT_EQ(loaded.PropertyValues().sbSource, 0);
  EXPECT_EQ(loaded.ShaderMarker(), 0);
  EXPECT_EQ(loaded.Special().geometry, 1);
  ExpectSameShape(*model_.Lod(1), *loaded.Lod(1));
}

}  // namespace
