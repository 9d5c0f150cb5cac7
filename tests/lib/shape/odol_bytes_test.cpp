// Runtime model fields whose bytes are fixed: magic and version, the LOD tables, the
// permanent flags and summaries, block order, and the vertex arrays of a LOD block.
#include <gtest/gtest.h>

#include <algorithm>

#include "lib/shape/odol_model.h"
#include "tests/lib/shape/odol_test_support.h"

namespace {

using namespace odol_test;
using shape_test::ShapeTest;

// Models named "bytes.p3d" of (shape, resolution) LODs; `model` and `info` keep the
// last one saved.
class RuntimeModelBytes : public ShapeTest {
 protected:
  std::string SaveLods(std::initializer_list<std::pair<ShapeRef, float>> lods) {
    ModelOfLods(model, lods);
    return Save(model, &info);
  }
  static LODShape* ModelOfLods(LODShape& model, std::initializer_list<std::pair<ShapeRef, float>> lods) {
    model.SetName("bytes.p3d");
    for (const auto& [shape, resolution] : lods) model.AddLod(shape, resolution);
    return &model;
  }
  RuntimeModelInfo info;
};

// Reads the vertex arrays of a saved LOD block (arrays below 1024 bytes, so raw).
struct VertexDataReader {
  const std::string& bytes;
  size_t at;

  int32_t Int() {
    int32_t v = ReadAt<int32_t>(bytes, at);
    at += 4;
    return v;
  }
  std::vector<float> Floats(int n) {
    std::vector<float> values;
    for (int i = 0; i < n; ++i, at += 4) values.push_back(ReadAt<float>(bytes, at));
    return values;
  }
  uint8_t Byte() { return static_cast<uint8_t>(bytes[at++]); }
  // A compact array of uint32: (count, condensed, values).
  struct Compact {
    int32_t count;
    uint8_t condensed;
    std::vector<uint32_t> values;
  };
  Compact CompactU32() {
    Compact c{Int(), Byte(), {}};
    int stored = c.condensed ? 1 : c.count;
    for (int i = 0; i < stored; ++i) c.values.push_back(static_cast<uint32_t>(Int()));
    return c;
  }
};

// The model's first LOD block's vertex data.
VertexDataReader VertexData(const std::string& bytes, const RuntimeModelInfo& info, int lod) {
  size_t slot = static_cast<size_t>(lod);
  return {bytes, static_cast<size_t>(info.lodEnd[slot] - info.lodValues[slot].vertexDataSize)};
}

TEST_F(RuntimeModelBytes, MagicVersionResolutionsAndNoSkeleton) {
  std::string bytes = SaveLods({{TriangleShape(1), 1.0f}, {TriangleShape(1), 1e13f}});
  EXPECT_EQ(bytes.substr(0, 4), "ODOL");
  EXPECT_EQ(ReadAt<int32_t>(bytes, 4), 54);
  EXPECT_EQ(ReadAt<int32_t>(bytes, 8), 2);
  EXPECT_EQ(ReadAt<float>(bytes, 12), 1.0f);
  EXPECT_EQ(ReadAt<float>(bytes, 16), 1e13f);
  // The model block of version 54 holds 212 bytes before the skeleton name.
  size_t block = BlockStart(2);
  EXPECT_EQ(ReadAt<float>(bytes, block + 207), 3.4028235e38f);  // shadow offset: not set
  EXPECT_EQ(bytes[block + 212], '\0');                          // no skeleton: an empty name
  EXPECT_EQ(static_cast<uint8_t>(bytes[block + 213]), 22);      // map type follows at once
}

TEST_F(RuntimeModelBytes, ThreeVisualLodsAndAGeometry) {
  std::string bytes = SaveLods({{TriangleShape(300), 1.0f}, {TriangleShape(200), 2.0f}, {TriangleShape(100), 3.0f},
                                {TriangleShape(1, nullptr, ""), 1e13f}});
  EXPECT_EQ(info.permanent, (AutoArray<uint8_t>{0, 0, 1, 1}));
  EXPECT_EQ(info.summaryLods, (AutoArray<int>{0, 1}));
  EXPECT_EQ(info.blockOrder, (AutoArray<int>{3, 2, 1, 0}));
  ASSERT_EQ(info.summaries.size(), 2u);
  EXPECT_EQ(info.summaries[0].faces, 300);
  EXPECT_EQ(info.summaries[0].vertices, 900);
  EXPECT_EQ(info.summaries[1].faces, 200);

  // Read back from the file itself.
  LODShape loaded;
  RuntimeModelInfo back;
  ASSERT_EQ(Load(bytes, loaded, &back), 0) << messages.Text();
  EXPECT_EQ(back.permanent, info.permanent);
  EXPECT_EQ(back.summaries, info.summaries);
  EXPECT_EQ(back.summaryLods, info.summaryLods);
  EXPECT_EQ(back.blockOrder, (AutoArray<int>{3, 2, 1, 0}));
  EXPECT_EQ(back.lodStart, info.lodStart);
  EXPECT_EQ(back.lodEnd, info.lodEnd);
  // Every slot holds a real offset; the blocks follow each other to the end of the file.
  for (size_t k = 0; k < back.blockOrder.size(); ++k) {
    size_t lod = static_cast<size_t>(back.blockOrder[k]);
    EXPECT_GT(back.lodStart[lod], 0);
    EXPECT_GT(back.lodEnd[lod], back.lodStart[lod]);
    if (k + 1 < back.blockOrder.size()) {
      EXPECT_EQ(back.lodEnd[lod], back.lodStart[static_cast<size_t>(back.blockOrder[k + 1])]);
    }
  }
  EXPECT_EQ(static_cast<size_t>(back.lodEnd[0]), bytes.size());
}

TEST_F(RuntimeModelBytes, SingleVisualLodBelowOneHundredFacesIsPermanent) {
  for (int faces : {99, 100}) {
    LODShape model;
    ModelOfLods(model, {{TriangleShape(faces), 1.0f}, {TriangleShape(1, nullptr, ""), 1e13f}});
    RuntimeModelInfo info;
    Save(model, &info);
    EXPECT_EQ(info.permanent, (AutoArray<uint8_t>{faces < 100, 1})) << faces;
    EXPECT_EQ(info.summaryLods, faces < 100 ? AutoArray<int>{} : AutoArray<int>{0}) << faces;
    EXPECT_EQ(info.summaries.size(), faces < 100 ? 0u : 1u) << faces;
  }
}

TEST_F(RuntimeModelBytes, EmptyLodVertexDataIs55Bytes) {
  std::string bytes = SaveLods({{TriangleShape(1), 1.0f}, {std::make_shared<Shape>(), 1e15f}});
  EXPECT_EQ(info.lodValues[1].vertexDataSize, 55);
  EXPECT_EQ(ReadAt<int32_t>(bytes, static_cast<size_t>(info.lodEnd[1] - 55)), 55);
  VertexDataReader r = VertexData(bytes, info, 1);
  r.Int();
  VertexDataReader::Compact clip = r.CompactU32();
  EXPECT_EQ(clip.count, 0);
  EXPECT_EQ(clip.condensed, 0);
}

TEST_F(RuntimeModelBytes, VertexArraysOfOneLod) {
  ShapeRef shape = TriangleShape(2);
  // Every vertex: clip flags 0x100, normal (0, 1, 0); a second UV set on every vertex.
  VertexTable& table = shape->Vertices();
  table.ClipFlagArray().SetElements(AutoArray<uint32_t>(6, 0x100u));
  table.SetSecondUVSet(true);
  table.UV(1).SetRange(0, 0, 1, 1);
  for (int i = 0; i < 6; ++i) table.UV(1).Packed().Elements().push_back(table.UV(1).Pack(i % 2 ? 1.0f : 0.0f, 0.0f));
  std::string bytes = SaveLods({{shape, 1.0f}});
  VertexDataReader r = VertexData(bytes, info, 0);
  EXPECT_EQ(r.Int(), info.lodValues[0].vertexDataSize);
  VertexDataReader::Compact clip = r.CompactU32();
  EXPECT_EQ(clip.count, 6);
  EXPECT_EQ(clip.condensed, 1);
  EXPECT_EQ(clip.values, (std::vector<uint32_t>{0x100u}));
  // First UV set: range 0..1 and six different pairs.
  EXPECT_EQ(r.Floats(4), (std::vector<float>{0, 0, 1, 1}));
  VertexDataReader::Compact uv0 = r.CompactU32();
  EXPECT_EQ(uv0.condensed, 0);
  ASSERT_EQ(uv0.values.size(), 6u);
  EXPECT_EQ(uv0.values[0] & 0xFFFF, 0x8001u);  // u = 0 packs to -32767
  EXPECT_EQ(r.Int(), 2);                        // two UV sets
  r.at += 16;
  VertexDataReader::Compact uv1 = r.CompactU32();
  ASSERT_EQ(uv1.values.size(), 6u);
  EXPECT_EQ(uv1.values[0], 0x80018001u);
  EXPECT_EQ(uv1.values[1], 0x80017FFFu);  // u = 1 packs to 32767
  EXPECT_EQ(r.Int(), 6);                  // positions
  for (const Vector3& p : table.Positions()) EXPECT_EQ(r.Floats(3), (std::vector<float>{p.x, p.y, p.z}));
  VertexDataReader::Compact normals = r.CompactU32();
  EXPECT_EQ(normals.count, 6);
  EXPECT_EQ(normals.condensed, 1);
  EXPECT_EQ(normals.values, (std::vector<uint32_t>{0x00080400u}));
  EXPECT_EQ(r.Int(), 0);  // tangents
  EXPECT_EQ(r.Int(), 0);  // bone weights
  EXPECT_EQ(r.Int(), 0);  // neighbour bones
  EXPECT_EQ(r.at, static_cast<size_t>(info.lodEnd[0]));
}

TEST_F(RuntimeModelBytes, OneUVSetWhenTheSecondIsIncomplete) {
  ShapeRef shape = TriangleShape(1);
  shape->Vertices().SetSecondUVSet(true);
  shape->Vertices().UV(1).Packed().Elements().push_back(0);  // one entry for three vertices
  std::string bytes = SaveLods({{shape, 1.0f}});
  VertexDataReader r = VertexData(bytes, info, 0);
  r.Int();
  r.CompactU32();
  r.at += 16;
  r.CompactU32();
  EXPECT_EQ(r.Int(), 1);
}

TEST_F(RuntimeModelBytes, SameUVOnEveryVertexFromTheSourceReader) {
  mlod::Lod lod = shape_test::TriangleLod();
  for (mlod::Face& face : lod.faces)
    for (mlod::Corner& corner : face.corners) corner.u = corner.v = 0.5f;
  std::string source = mlod::WriteModel(shape_test::ModelOf({lod}));
  QIStrStream in(source.data(), static_cast<QFileSize>(source.size()));
  ASSERT_TRUE(model.Load(in, "same_uv.p3d")) << messages.Text();
  std::string bytes = Save(model, &info);
  VertexDataReader r = VertexData(bytes, info, 0);
  r.Int();
  r.CompactU32();
  EXPECT_EQ(r.Floats(4), (std::vector<float>{0.5f, 0.5f, 0.5f + 1e-6f, 0.5f + 1e-6f}));
  VertexDataReader::Compact uv = r.CompactU32();
  EXPECT_EQ(uv.condensed, 1);
  EXPECT_EQ(uv.values, (std::vector<uint32_t>{0x80018001u}));
}

TEST_F(RuntimeModelBytes, FacesAndSectionsOfABlock) {
  std::string bytes = SaveLods({{TriangleShape(2, FilledMaterial("data\\a.rvmat")), 1.0f}});
  // Face count 2, in-memory size 16, a 0 word, then (3, three indices) twice.
  std::string faces = Le<int32_t>(2) + Le<int32_t>(16) + Le<uint16_t>(0) + Le<uint8_t>(3) + Le<uint16_t>(0) +
                      Le<uint16_t>(1) + Le<uint16_t>(2) + Le<uint8_t>(3) + Le<uint16_t>(3) + Le<uint16_t>(4) +
                      Le<uint16_t>(5);
  size_t at = bytes.find(faces);
  ASSERT_NE(at, std::string::npos);
  // One section: bytes 0..16, window 0/0, reserved 0, texture 0, flags 0, material 0, two ratios.
  std::string section = Le<int32_t>(1) + Le<int32_t>(0) + Le<int32_t>(16) + Le<int32_t>(0) + Le<int32_t>(0) +
                        Le<int32_t>(0) + Le<int16_t>(0) + Le<uint32_t>(0) + Le<int32_t>(0) + Le<int32_t>(2) +
                        Le<float>(0) + Le<float>(0);
  EXPECT_EQ(bytes.substr(at + faces.size(), section.size()), section);
}

TEST_F(RuntimeModelBytes, KeyFramesNeedTheKeyframeProperty) {
  ShapeRef shape = TriangleShape(1);
  shape->KeyFrames().push_back({0.5f, AutoArray<Vector3>(3)});
  ModelOfLods(model, {{shape, 1.0f}});
  for (const std::string keyframe : {"", "0", "1"}) {
    if (!keyframe.empty()) shape->Properties().Set("keyframe", keyframe);
    LODShape loaded;
    ASSERT_EQ(Load(Save(model), loaded), 0);
    EXPECT_EQ(loaded.Lod(0)->KeyFrames().size(), keyframe == "1" ? 1u : 0u) << keyframe;
  }
}

TEST_F(RuntimeModelBytes, MaterialListFollowsTheSections) {
  ShapeRef shape = TriangleShape(3);
  // Material 0 is not used by any section; the sections use 2, 1 and none.
  shape->MaterialList() = {FilledMaterial("unused.rvmat"), FilledMaterial("b.rvmat"), FilledMaterial("a.rvmat")};
  ShapeSection s = shape->Sections()[0];
  FaceData& faces = shape->Faces();
  shape->Sections().clear();
  int o1 = faces.Next(0), o2 = faces.Next(o1);
  shape->Sections().push_back({0, o1, s.textureIndex, 2});
  shape->Sections().push_back({o1, o2, s.textureIndex, 1});
  shape->Sections().push_back({o2, faces.End(), s.textureIndex, -1});
  ModelOfLods(model, {{shape, 1.0f}});
  LODShape loaded;
  ASSERT_EQ(Load(Save(model), loaded), 0);
  const Shape& back = *loaded.Lod(0);
  ASSERT_EQ(back.Materials().size(), 2u);
  EXPECT_EQ(back.Materials()[0]->Name(), "a.rvmat");
  EXPECT_EQ(back.Materials()[1]->Name(), "b.rvmat");
  EXPECT_EQ(back.Sections()[0].materialIndex, 0);
  EXPECT_EQ(back.Sections()[1].materialIndex, 1);
  EXPECT_EQ(back.Sections()[2].materialIndex, -1);
}

TEST_F(RuntimeModelBytes, ShadowLodCheck) {
  // LOD 0 is too detailed; the LOD before the geometry is kept at 1500 faces, not at 2100.
  for (int faces : {1500, 2100}) {
    LODShape model;
    ModelOfLods(model, {{TriangleShape(2500), 1.0f}, {TriangleShape(faces), 2.0f}, {TriangleShape(1, nullptr, ""), 1e13f}});
    model.Special().shadowLodLimit = 0;
    messages.Clear();
    Save(model);
    EXPECT_EQ(model.Special().shadowLodLimit, faces == 1500 ? 1 : 3);
    EXPECT_EQ(shape_test::CountLines(messages, "Too detailed shadow lod"), faces == 1500 ? 0 : 1);
  }
  EXPECT_TRUE(shape_test::HasLine(messages, "Too detailed shadow lod in bytes.p3d (1:2.000000 : 2100) - shadows disabled"))
      << messages.Text();
}

TEST_F(RuntimeModelBytes, LodOrderCheck) {
  SaveLods({{TriangleShape(10), 1.0f}, {TriangleShape(10), 1.2f}, {TriangleShape(5), 300.0f}});
  EXPECT_EQ(shape_test::CountLines(messages, "LODs not ordered by face count"), 1) << messages.Text();
  EXPECT_TRUE(shape_test::HasLine(
      messages, "Warning: 'bytes.p3d': LODs not ordered by face count 0 (1): 10 faces < 1 (1.2) 10 faces"));
}

}  // namespace
