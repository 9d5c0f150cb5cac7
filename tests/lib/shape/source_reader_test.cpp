// The source model reader: containers, record forms, header sizes, the LOD list and the
// second read of special LODs.
#include <gtest/gtest.h>

#include "lib/shape/lod_kind.h"
#include "lib/shape/packed_normal.h"
#include "lib/shape/tex_material.h"
#include "tests/lib/shape/shape_test_support.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace shape_test;

class SourceReader : public ShapeTest {};

TEST_F(SourceReader, ReadsEachContainerAndRecordsItsVersion) {
  struct Row {
    mlod::Container container;
    const char* name;
    uint32_t version;  // as recorded
    int lods;          // a bare LOD is the whole model
  };
  const Row rows[] = {{mlod::Container::MLOD, "MLOD", 0x1FF, 2},
                      {mlod::Container::NLOD, "NLOD", 0, 2},
                      {mlod::Container::Bare, nullptr, 0, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name ? row.name : "bare");
    mlod::Model source = ModelOf({TriangleLod(1.5f), TriangleLod(2.0f)});
    source.lods.resize(static_cast<size_t>(row.lods));
    source.container = row.container;
    source.version = 0x1FF;
    messages.Clear();
    LODShape model;
    ASSERT_TRUE(ReadModel(source, model)) << messages.Text();
    ASSERT_EQ(model.NLods(), row.lods);
    EXPECT_FLOAT_EQ(model.Resolution(0), 1.5f);
    EXPECT_EQ(model.Lod(0)->NFaces(), 1);
    EXPECT_EQ(model.Lod(0)->NPoints(), 3);
    EXPECT_EQ(model.Name(), "test.p3d");
    if (row.name) {
      EXPECT_EQ(model.SourceInfo().container, row.name);
      EXPECT_EQ(model.SourceInfo().version, row.version);
      EXPECT_TRUE(messages.lines.empty()) << messages.Text();
    } else {
      EXPECT_EQ(CountLines(messages, "Warning: preNLOD format in object test.p3d"), 1) << messages.Text();
      EXPECT_EQ(CountLines(messages, "lib/shape/shape(8154) : Very old object loaded."), 1) << messages.Text();
    }
  }
}

TEST_F(SourceReader, AtMostThirtyTwoLods) {
  std::vector<mlod::Lod> lods;
  for (int i = 0; i < 32; ++i) lods.push_back(TriangleLod(static_cast<float>(i + 1)));
  Read(lods);
  EXPECT_EQ(model.NLods(), 32);
  EXPECT_EQ(model.Special().visualLodCount, 32);

  lods.push_back(TriangleLod(33.0f));
  EXPECT_FALSE(ReadModel(ModelOf(lods), model));
  EXPECT_TRUE(HasLine(messages, "test.p3d: Too many LODs (33)")) << messages.Text();
  EXPECT_EQ(model.NLods(), 0);
}

TEST_F(SourceReader, EachRecordFormReadsTheSameMesh) {
  for (mlod::LodForm form : {mlod::LodForm::P3DM, mlod::LodForm::SP3X, mlod::LodForm::SP3D}) {
    mlod::Lod lod = TriangleLod();
    lod.form = form;
    lod.points[1].flags = 0x1;
    lod.faces[0].flags = 0x40;
    const Shape& shape = Read({lod});
    ASSERT_EQ(shape.NVertices(), 3);
    EXPECT_FLOAT_EQ(shape.Vertices().Position(1).x, 1.0f);
    ExpectUV(shape.Vertices().UV(0), 2, 0.0f, 1.0f);
    ASSERT_EQ(shape.Textures().size(), 1u);
    EXPECT_EQ(shape.Textures()[0]->Name(), "data\\tri_co.paa");
    bool sp3d = form == mlod::LodForm::SP3D;
    // "SP3D" stores neither point flags nor face flags.
    EXPECT_EQ(shape.Vertices().ClipFlags(1), sp3d ? 0x3Fu : 0x13Fu);
    EXPECT_EQ(shape.FaceProps()[0].special, sp3d ? 0u : 0x400040u);
  }
}

TEST_F(SourceReader, OnlyP3dmNamesMaterials) {
  mlod::Lod lod = TriangleLod();
  lod.faces[0].material = "#missing";
  const Shape& p3dm = Read({lod});
  ASSERT_EQ(p3dm.Materials().size(), 1u);
  EXPECT_EQ(p3dm.Materials()[0]->Name(), "#missing");
  EXPECT_EQ(p3dm.FaceProps()[0].materialIndex, 0);
  lod.form = mlod::LodForm::SP3X;
  const Shape& sp3x = Read({lod});
  EXPECT_TRUE(sp3x.Materials().empty());
  EXPECT_EQ(sp3x.FaceProps()[0].materialIndex, -1);
}

TEST_F(SourceReader, HeaderSizeBeyondTwentyEightIsSkipped) {
  // "SP3X" skips the same way.
  for (mlod::LodForm form : {mlod::LodForm::P3DM, mlod::LodForm::SP3X}) {
    for (uint32_t headerSize : {0u, 28u, 40u, 1000u}) {
      mlod::Lod lod = TriangleLod();
      lod.form = form;
      lod.headerSize = headerSize;
      EXPECT_EQ(Read({lod, TriangleLod(2.0f)}).Points()[2], (Vector3{0, 0, 1})) << headerSize;
      EXPECT_EQ(model.NLods(), 2);
    }
  }
}

TEST_F(SourceReader, OtherP3dmVersionsWarnAndReadOn) {
  mlod::Lod lod = TriangleLod();
  lod.version = 0x101;
  lod.form = mlod::LodForm::P3DM;
  mlod::Lod sp3x = TriangleLod(2.0f);
  sp3x.form = mlod::LodForm::SP3X;
  sp3x.version = 7;  // ignored for "SP3X"
  EXPECT_TRUE(Read({lod, sp3x}).HadWarnings());
  EXPECT_FALSE(model.Lod(1)->HadWarnings());
  EXPECT_EQ(CountLines(messages, "Unsupported version 101"), 1) << messages.Text();
}

TEST_F(SourceReader, SpecialIndicesFollowTheResolutions) {
  Read({TriangleLod(1), TriangleLod(2), TriangleLod(1e13f), TriangleLod(1e15f), TriangleLod(10000),
        TriangleLod(10010), TriangleLod(11000), TriangleLod(5), TriangleLod(2.1e16f), TriangleLod(1.9e16f)});
  const SpecialLodIndices& s = model.Special();
  EXPECT_EQ(s.visualLodCount, 2);
  EXPECT_EQ(s.geometry, 2);
  EXPECT_EQ(s.memory, 3);
  EXPECT_EQ(s.shadowVolume, 4);
  EXPECT_EQ(s.shadowVolumeCount, 2);
  EXPECT_EQ(s.shadowBuffer, 6);
  EXPECT_EQ(s.shadowBufferCount, 1);
  EXPECT_EQ(s.wreck, 8);
  EXPECT_EQ(s.shadowVolumeViewPilot, 9);
  EXPECT_EQ(s.landContact, -1);
  EXPECT_EQ(model.GeometryLod(), model.Lod(2).get());
}

TEST_F(SourceReader, GeometryLodsLoseNormalsAndUVs) {
  mlod::Lod lod = TriangleLod(1e13f);
  lod.normals = {{1, 0, 0}};
  lod.faces[0].flags = 0xC000 | 0x10;
  const Shape& shape = Read({lod});
  ASSERT_EQ(shape.NVertices(), 3);
  for (int v = 0; v < 3; ++v) {
    EXPECT_EQ(shape.Vertices().Normal(v), PackNormal({0, 1, 0}));
    EXPECT_EQ(shape.Vertices().UV(0).Packed()[v], UVSet::kPackedMinimum);
  }
  EXPECT_EQ(shape.FaceProps()[0].special, 0x10u | 0x2000u | 0x400000u);
  EXPECT_EQ(shape.Special(), 0x10u | 0x2000u | 0x400000u);
}

TEST_F(SourceReader, ShadowBufferKeepsUVsShadowVolumeKeepsNormals) {
  mlod::Lod buffer = TriangleLod(11000.0f);
  buffer.normals = {{1, 0, 0}};
  mlod::Lod volume = TriangleLod(10000.0f);
  volume.normals = {{1, 0, 0}};
  const VertexTable& b = Read({buffer, volume}).Vertices();
  EXPECT_EQ(b.Normal(0), PackNormal({0, 1, 0}));
  ExpectUV(b.UV(0), 1, 1.0f, 0.0f);
  const VertexTable& s = model.Lod(1)->Vertices();
  EXPECT_EQ(s.Normal(0), PackNormal({1, 0, 0}));
  EXPECT_EQ(s.UV(0).Packed()[1], UVSet::kPackedMinimum);
}

TEST_F(SourceReader, SpecialLodWithoutFacesIsReadOnce) {
  mlod::Lod memory;
  memory.resolution = 1e15f;
  memory.points = {{{1, 2, 3}, 0xF0000000u}};  // invalid flags: one report per read
  Read({memory});
  EXPECT_EQ(CountLines(messages, "Invalid point flags"), 1);
  mlod::Lod geometry = TriangleLod(1e13f);
  geometry.points[0].flags = 0xF0000000u;
  Read({geometry});
  EXPECT_EQ(CountLines(messages, "Invalid point flags"), 3);  // read twice
}

TEST_F(SourceReader, FaceFlagsFromTextureNames) {
  struct Case {
    const char* texture;
    bool alpha;
  } cases[] = {
      {"data\\a.paa", false},       {"data\\A.PAA", false},  {"data\\a.pac", true},
      {"data\\a_co.pac", false},    {"data\\a_CO.tga", false}, {"data\\000\\a.pac", false},
      {"data\\a", true},            {"", false},
  };
  for (const Case& c : cases) {
    mlod::Lod lod = TriangleLod();
    lod.faces[0].texture = c.texture;
    const FaceProperties& face = Read({lod}).FaceProps()[0];
    EXPECT_EQ((face.special & 0x20000u) != 0, c.alpha) << c.texture;
    EXPECT_EQ(face.textureIndex, c.texture[0] ? 0 : -1);
  }
}

TEST_F(SourceReader, TexturesAreSharedThroughTheBank) {
  mlod::Lod b = TriangleLod(2.0f);
  b.faces[0].texture = "DATA\\Tri_co.paa";
  const Shape& a = Read({TriangleLod(), b});
  EXPECT_EQ(a.Textures()[0], model.Lod(1)->Textures()[0]);
  EXPECT_EQ(Textures().Size(), 1u);
}

TEST_F(SourceReader, LoadFromFileAndMissingFile) {
  TempTree tree;
  std::filesystem::path path = tree / "models/box.p3d";
  ASSERT_TRUE(mlod::WriteModelFile(ModelOf({TriangleLod()}), path));
  ASSERT_TRUE(model.Load(path.string())) << messages.Text();
  EXPECT_EQ(model.NLods(), 1);
  EXPECT_FALSE(model.Load((tree / "models/none.p3d").string()));
  EXPECT_TRUE(HasLine(messages, "Cannot open object "));
  EXPECT_FALSE(model.Load(std::string(1025, 'a')));
  EXPECT_TRUE(HasLine(messages, "too long."));
}

}  // namespace
