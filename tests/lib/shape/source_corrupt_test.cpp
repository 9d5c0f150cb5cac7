// Damaged source models: every truncation and many corruptions of a model that uses
// every record form and tag must end in a clean failure or a clean load.
#include <gtest/gtest.h>

#include <random>

#include "tests/lib/shape/shape_test_support.h"

namespace {

using namespace shape_test;

class SourceCorrupt : public ShapeTest {};

// A model with every record form and every tag the reader knows.
mlod::Model RichModel() {
  mlod::Lod visual = mlod::MakeGridLod(3, 2, 1.0f, "data\\grid.pac", "", false);
  visual.points[0].flags = 0x00030101;
  visual.headerSize = 36;
  std::vector<float> uv;
  for (const mlod::Face& face : visual.faces)
    for (uint32_t c = 0; c < face.n; ++c) {
      uv.push_back(face.corners[c].u * 2.0f);
      uv.push_back(face.corners[c].v);
    }
  visual.AddUVSet(1, uv);
  visual.AddSelectionOf("door", {0, 1, 4}, {0, 3});
  visual.AddSelection("weighted", std::vector<uint8_t>(visual.points.size(), 100), std::vector<uint8_t>(12, 0));
  visual.AddProperty("keyframe", "1");
  visual.AddKeyFrame(0.25f, std::vector<Vector3>(visual.points.size(), Vector3{1, 1, 1}));
  visual.AddMaterialIndex(1, 2, 3, 4);
  visual.AddTag(std::string(80, 'l'), std::string(visual.points.size() + visual.faces.size(), '\x01'), true);

  mlod::Lod sp3x = mlod::MakeGridLod(2, 2, 2.0f, "data\\x_co.paa", "", true);
  sp3x.form = mlod::LodForm::SP3X;
  mlod::Lod sp3d = mlod::MakeGridLod(1, 2, 3.0f);
  sp3d.form = mlod::LodForm::SP3D;
  mlod::Lod geometry = mlod::MakeGridLod(2, 1, 1e13f);
  geometry.AddMasses(std::vector<float>(geometry.points.size(), 10.0f));
  geometry.AddProperty("map", "house");
  mlod::Lod memory;
  memory.resolution = 1e15f;
  memory.points = {{{0, 1, 0}, 0}, {{0, 2, 0}, 0}};
  memory.AddSelectionOf("pos", {1}, {});
  return ModelOf({visual, sp3x, sp3d, geometry, memory});
}

TEST_F(SourceCorrupt, RichModelLoads) {
  LODShape model;
  ASSERT_TRUE(ReadModel(RichModel(), model)) << messages.Text();
  EXPECT_EQ(model.NLods(), 5);
  EXPECT_TRUE(model.Lod(0)->Vertices().HasSecondUVSet());
  EXPECT_EQ(model.Lod(0)->Selections().size(), 3u);
  EXPECT_EQ(model.Masses().size(), 6u);
}

TEST_F(SourceCorrupt, EveryTruncationFails) {
  SetNoLogs(true);
  std::string bytes = mlod::WriteModel(RichModel());
  for (size_t length = 0; length < bytes.size(); ++length) {
    LODShape model;
    EXPECT_FALSE(ReadBytes(bytes.substr(0, length), model)) << length;
  }
}

TEST_F(SourceCorrupt, TruncationsReportTheFailure) {
  std::string bytes = mlod::WriteModel(RichModel());
  for (size_t length : {size_t{2}, size_t{10}, size_t{40}, size_t{300}, bytes.size() - 2}) {
    messages.lines.clear();
    LODShape model;
    EXPECT_FALSE(ReadBytes(bytes.substr(0, length), model));
    EXPECT_FALSE(messages.lines.empty()) << length;
  }
}

TEST_F(SourceCorrupt, RandomDamageNeverCrashes) {
  SetNoLogs(true);
  std::string original = mlod::WriteModel(RichModel());
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = original;
    int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes; ++i) {
      size_t at = random() % bytes.size();
      switch (random() % 3) {
        case 0: bytes[at] = static_cast<char>(random()); break;
        case 1: bytes[at] = static_cast<char>(0xFF); break;
        default: bytes[at] ^= static_cast<char>(1u << (random() % 8)); break;
      }
    }
    LODShape model;
    ReadBytes(bytes, model);
    for (int l = 0; l < model.NLods(); ++l) {
      const Shape& lod = *model.Lod(l);
      ASSERT_LE(lod.NVertices(), 65535);
      ASSERT_EQ(lod.VertexToPoint().size(), static_cast<size_t>(lod.NVertices()));
      ASSERT_EQ(lod.PointToVertex().size(), static_cast<size_t>(lod.NPoints()));
      ASSERT_EQ(lod.FaceProps().size(), static_cast<size_t>(lod.NFaces()));
    }
    Materials().DeleteAll();
  }
}

TEST_F(SourceCorrupt, HugeCountsFailWithoutAllocating) {
  mlod::Lod lod = TriangleLod();
  std::string bytes = mlod::WriteModel(ModelOf({lod}));
  // MLOD header (12 bytes), then the record: counts at 12 + 12, 16, 20.
  for (size_t field : {size_t{24}, size_t{28}, size_t{32}}) {
    std::string damaged = bytes;
    damaged.replace(field, 4, "\xFF\xFF\xFF\x7F");
    LODShape model;
    EXPECT_FALSE(ReadBytes(damaged, model));
  }
  EXPECT_EQ(CountLines(messages, "Bad object."), 3) << messages.Text();
  // A header size that runs past the end.
  std::string damaged = bytes;
  damaged.replace(16, 4, "\xFF\xFF\xFF\xFF");
  LODShape model;
  EXPECT_FALSE(ReadBytes(damaged, model));
  EXPECT_EQ(CountLines(messages, "Bad object."), 4);
}

TEST_F(SourceCorrupt, BadFacesAreBadObjects) {
  mlod::Lod lod = TriangleLod();
  lod.faces[0].n = 5;
  LODShape model;
  EXPECT_FALSE(ReadModel(ModelOf({lod}), model));
  EXPECT_EQ(CountLines(messages, "Bad object."), 1);
  lod = TriangleLod();
  lod.faces[0].corners[2].point = 3;
  EXPECT_FALSE(ReadModel(ModelOf({lod}), model));
  EXPECT_EQ(CountLines(messages, "Bad object."), 2);
}

TEST_F(SourceCorrupt, StringCutByTheEndOfTheFile) {
  std::string bytes = mlod::WriteModel(ModelOf({TriangleLod()}));
  // Cut inside the texture name of the only face.
  size_t at = bytes.find("tri_co");
  LODShape model;
  EXPECT_FALSE(ReadBytes(bytes.substr(0, at + 3), model));
  EXPECT_TRUE(HasLine(messages, "shape(8070) : File read error")) << messages.Text();
}

}  // namespace
