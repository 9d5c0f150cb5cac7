// Damaged source models: every truncation and many corruptions of a model that uses
// every record form and tag must end in a clean failure or a clean load.
#include <gtest/gtest.h>

#include <functional>
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

TEST_F(SourceCorrupt, RichModelLoadsAndEveryTruncationFailsWithAReport) {
  std::string bytes = mlod::WriteModel(RichModel());
  LODShape model;
  ASSERT_TRUE(ReadBytes(bytes, model)) << messages.Text();
  EXPECT_EQ(model.NLods(), 5);
  EXPECT_TRUE(model.Lod(0)->Vertices().HasSecondUVSet());
  EXPECT_EQ(model.Lod(0)->Selections().size(), 3u);
  EXPECT_EQ(model.Masses().size(), 6u);
  for (size_t length = 0; length < bytes.size(); ++length) {
    messages.Clear();
    EXPECT_FALSE(ReadBytes(bytes.substr(0, length), model)) << length;
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

TEST_F(SourceCorrupt, BrokenModelsFailWithTheirReport) {
  std::string triangle = mlod::WriteModel(ModelOf({TriangleLod()}));
  // The "MLOD" header takes 12 bytes; the record's magic, header size and counts follow.
  auto patched = [&](size_t at, const std::string& bytes) { return std::string(triangle).replace(at, bytes.size(), bytes); };
  auto written = [](const std::function<void(mlod::Model&)>& change) {
    mlod::Model model = ModelOf({TriangleLod()});
    change(model);
    return mlod::WriteModel(model);
  };
  size_t endOfTags = triangle.find("#EndOfFile#");
  struct Row {
    const char* name;
    std::string bytes;
    const char* report;
    bool once;  // reported exactly once
  };
  const Row rows[] = {
      {"short magic", "MLO", "Error loading test.p3d (Magic)", true},
      {"count cut short", std::string("MLOD\x01\x01\0\0\x01", 9), "Error loading test.p3d (nLods)", true},
      {"no count", "NLOD", "Error loading test.p3d (nLods)", true},
      {"negative count", written([](mlod::Model& m) { m.lodCount = -1; }), "Error loading test.p3d (nLods)", true},
      {"version 2.00", written([](mlod::Model& m) { m.version = 0x200; }), "test.p3d: Unsupported version 2.00", false},
      {"version 3.05", written([](mlod::Model& m) { m.version = 0x305; }), "test.p3d: Unsupported version 3.05", false},
      {"unknown record magic", patched(12, "XP3D"), "Bad file format (XP3D).", false},
      {"huge point count", patched(24, "\xFF\xFF\xFF\x7F"), "Bad object.", true},
      {"huge normal count", patched(28, "\xFF\xFF\xFF\x7F"), "Bad object.", true},
      {"huge face count", patched(32, "\xFF\xFF\xFF\x7F"), "Bad object.", true},
      {"header size past the end", patched(16, "\xFF\xFF\xFF\xFF"), "Bad object.", true},
      {"face of five corners", written([](mlod::Model& m) { m.lods[0].faces[0].n = 5; }), "Bad object.", true},
      {"corner naming a missing point", written([](mlod::Model& m) { m.lods[0].faces[0].corners[2].point = 3; }),
       "Bad object.", true},
      {"string cut inside the texture name", triangle.substr(0, triangle.find("tri_co") + 3),
       "lib/shape/shape(8070) : File read error", false},
      {"tag block magic", written([](mlod::Model& m) { m.lods[0].tagMagic = "TAGX"; }), "Bad format", false},
      {"end before the tag block", triangle.substr(0, triangle.find("TAGG")), "Error loading tag", true},
      {"tag list without its end",
       written([](mlod::Model& m) { m.lods[0].endOfFile = false, m.lods[0].writeResolution = false; }),
       "Error loading tag", true},
      {"tag size past the end", patched(endOfTags + 64, "\x64"), "Error loading tag", true},
      {"no resolution after the tags", written([](mlod::Model& m) { m.lods[0].writeResolution = false; }),
       "Error loading test.p3d (resolution)", false},
      {"negative resolution", mlod::WriteModel(ModelOf({TriangleLod(1), TriangleLod(-1)})), "bad LOD resolution -1", false},
  };
  for (const Row& row : rows) {
    messages.Clear();
    LODShape model;
    EXPECT_FALSE(ReadBytes(row.bytes, model)) << row.name;
    int reports = CountLines(messages, row.report);
    EXPECT_TRUE(row.once ? reports == 1 : reports >= 1) << row.name << "\n" << messages.Text();
  }
}

}  // namespace
