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

TEST_F(SourceReader, ReadsEachContainer) {
  for (mlod::Container container : {mlod::Container::MLOD, mlod::Container::NLOD, mlod::Container::Bare}) {
    mlod::Model source = ModelOf({TriangleLod(1.5f)});
    source.container = container;
    LODShape model;
    ASSERT_TRUE(ReadModel(source, model)) << messages.Text();
    ASSERT_EQ(model.NLods(), 1);
    EXPECT_FLOAT_EQ(model.Resolution(0), 1.5f);
    EXPECT_EQ(model.Lod(0)->NFaces(), 1);
    EXPECT_EQ(model.Lod(0)->NPoints(), 3);
    EXPECT_EQ(model.Name(), "test.p3d");
  }
  EXPECT_EQ(CountLines(messages, "Warning: preNLOD format in object test.p3d"), 1);
  EXPECT_EQ(CountLines(messages, "shape(8154) : Very old object loaded."), 1);
}

TEST_F(SourceReader, RecordsContainerAndVersion) {
  mlod::Model source = ModelOf({TriangleLod(), TriangleLod(2.0f)});
  source.version = 0x1FF;
  LODShape model;
  ASSERT_TRUE(ReadModel(source, model)) << messages.Text();
  EXPECT_EQ(model.SourceInfo().container, "MLOD");
  EXPECT_EQ(model.SourceInfo().version, 0x1FFu);
  EXPECT_EQ(model.NLods(), 2);

  source.container = mlod::Container::NLOD;
  ASSERT_TRUE(ReadModel(source, model));
  EXPECT_EQ(model.SourceInfo().container, "NLOD");
  EXPECT_EQ(model.SourceInfo().version, 0u);
}

TEST_F(SourceReader, RefusesMajorVersionTwo) {
  mlod::Model source = ModelOf({TriangleLod()});
  source.version = 0x200;
  LODShape model;
  EXPECT_FALSE(ReadModel(source, model));
  EXPECT_TRUE(HasLine(messages, "test.p3d: Unsupported version 2.00")) << messages.Text();
  source.version = 0x305;
  EXPECT_FALSE(ReadModel(source, model));
  EXPECT_TRUE(HasLine(messages, "test.p3d: Unsupported version 3.05"));
}

TEST_F(SourceReader, ShortHeadersFail) {
  LODShape model;
  EXPECT_FALSE(ReadBytes("MLO", model));
  EXPECT_TRUE(HasLine(messages, "Error loading test.p3d (Magic)"));
  EXPECT_FALSE(ReadBytes(std::string("MLOD\x01\x01\0\0\x01", 9), model));
  EXPECT_TRUE(HasLine(messages, "Error loading test.p3d (nLods)"));
  EXPECT_FALSE(ReadBytes("NLOD", model));
  EXPECT_EQ(CountLines(messages, "Error loading test.p3d (nLods)"), 2);
  // A negative count.
  mlod::Model source = ModelOf({TriangleLod()});
  source.lodCount = -1;
  EXPECT_FALSE(ReadModel(source, model));
  EXPECT_EQ(CountLines(messages, "(nLods)"), 3);
}

TEST_F(SourceReader, AtMostThirtyTwoLods) {
  std::vector<mlod::Lod> lods;
  for (int i = 0; i < 32; ++i) lods.push_back(TriangleLod(static_cast<float>(i + 1)));
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf(lods), model)) << messages.Text();
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
    LODShape model;
    ASSERT_TRUE(ReadModel(ModelOf({lod}), model)) << messages.Text();
    const Shape& shape = *model.Lod(0);
    ASSERT_EQ(shape.NVertices(), 3);
    EXPECT_FLOAT_EQ(shape.Vertices().Position(1).x, 1.0f);
    float u, v;
    shape.Vertices().UV(0).Get(2, u, v);
    EXPECT_NEAR(u, 0.0f, 1e-4f);
    EXPECT_NEAR(v, 1.0f, 1e-4f);
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
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  ASSERT_EQ(model.Lod(0)->Materials().size(), 1u);
  EXPECT_EQ(model.Lod(0)->Materials()[0]->Name(), "#missing");
  EXPECT_EQ(model.Lod(0)->FaceProps()[0].materialIndex, 0);

  lod.form = mlod::LodForm::SP3X;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  EXPECT_TRUE(model.Lod(0)->Materials().empty());
  EXPECT_EQ(model.Lod(0)->FaceProps()[0].materialIndex, -1);
}

TEST_F(SourceReader, HeaderSizeBeyondTwentyEightIsSkipped) {
  for (uint32_t headerSize : {0u, 28u, 40u, 1000u}) {
    mlod::Lod lod = TriangleLod();
    lod.headerSize = headerSize;
    LODShape model;
    ASSERT_TRUE(ReadModel(ModelOf({lod, TriangleLod(2.0f)}), model)) << headerSize << messages.Text();
    EXPECT_FLOAT_EQ(model.Lod(0)->Points()[1].x, 1.0f);
    EXPECT_EQ(model.NLods(), 2);
  }
  // "SP3X" skips the same way.
  mlod::Lod lod = TriangleLod();
  lod.form = mlod::LodForm::SP3X;
  lod.headerSize = 40;
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  EXPECT_FLOAT_EQ(model.Lod(0)->Points()[2].z, 1.0f);
}

TEST_F(SourceReader, OtherP3dmVersionsWarnAndReadOn) {
  mlod::Lod lod = TriangleLod();
  lod.version = 0x101;
  lod.form = mlod::LodForm::P3DM;
  mlod::Lod sp3x = TriangleLod(2.0f);
  sp3x.form = mlod::LodForm::SP3X;
  sp3x.version = 7;  // ignored for "SP3X"
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod, sp3x}), model));
  EXPECT_EQ(CountLines(messages, "Unsupported version 101"), 1) << messages.Text();
  EXPECT_TRUE(model.Lod(0)->HadWarnings());
  EXPECT_FALSE(model.Lod(1)->HadWarnings());
}

TEST_F(SourceReader, UnknownRecordMagicIsABadFormat) {
  std::string bytes = mlod::WriteModel(ModelOf({TriangleLod()}));
  bytes.replace(12, 4, "XP3D");
  LODShape model;
  EXPECT_FALSE(ReadBytes(bytes, model));
  EXPECT_TRUE(HasLine(messages, "Bad file format (XP3D).")) << messages.Text();
}

TEST_F(SourceReader, SpecialIndicesFollowTheResolutions) {
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({TriangleLod(1), TriangleLod(2), TriangleLod(1e13f), TriangleLod(1e15f),
                                 TriangleLod(10000), TriangleLod(10010), TriangleLod(11000), TriangleLod(5),
                                 TriangleLod(2.1e16f), TriangleLod(1.9e16f)}),
                        model))
      << messages.Text();
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
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
  const Shape& shape = *model.Lod(0);
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
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({buffer, volume}), model));
  const VertexTable& b = model.Lod(0)->Vertices();
  EXPECT_EQ(b.Normal(0), PackNormal({0, 1, 0}));
  float u, v;
  b.UV(0).Get(1, u, v);
  EXPECT_NEAR(u, 1.0f, 1e-4f);
  const VertexTable& s = model.Lod(1)->Vertices();
  EXPECT_EQ(s.Normal(0), PackNormal({1, 0, 0}));
  EXPECT_EQ(s.UV(0).Packed()[1], UVSet::kPackedMinimum);
}

TEST_F(SourceReader, SpecialLodWithoutFacesIsReadOnce) {
  mlod::Lod memory;
  memory.resolution = 1e15f;
  memory.points = {{{1, 2, 3}, 0xF0000000u}};  // invalid flags: one report per read
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({memory}), model));
  EXPECT_EQ(CountLines(messages, "Invalid point flags"), 1);
  mlod::Lod geometry = TriangleLod(1e13f);
  geometry.points[0].flags = 0xF0000000u;
  ASSERT_TRUE(ReadModel(ModelOf({geometry}), model));
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
    LODShape model;
    ASSERT_TRUE(ReadModel(ModelOf({lod}), model));
    EXPECT_EQ((model.Lod(0)->FaceProps()[0].special & 0x20000u) != 0, c.alpha) << c.texture;
    EXPECT_EQ(model.Lod(0)->FaceProps()[0].textureIndex, c.texture[0] ? 0 : -1);
  }
}

TEST_F(SourceReader, TexturesAreSharedThroughTheBank) {
  mlod::Lod a = TriangleLod();
  mlod::Lod b = TriangleLod(2.0f);
  b.faces[0].texture = "DATA\\Tri_co.paa";
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({a, b}), model));
  EXPECT_EQ(model.Lod(0)->Textures()[0], model.Lod(1)->Textures()[0]);
  EXPECT_EQ(Textures().Size(), 1u);
}

TEST_F(SourceReader, NegativeResolutionEndsTheLoad) {
  LODShape model;
  EXPECT_FALSE(ReadModel(ModelOf({TriangleLod(1), TriangleLod(-1)}), model));
  EXPECT_TRUE(HasLine(messages, "bad LOD resolution -1"));
}

TEST_F(SourceReader, LoadFromFileAndMissingFile) {
  TempTree tree;
  std::filesystem::path path = tree / "models/box.p3d";
  ASSERT_TRUE(mlod::WriteModelFile(ModelOf({TriangleLod()}), path));
  LODShape model;
  ASSERT_TRUE(model.Load(path.string())) << messages.Text();
  EXPECT_EQ(model.NLods(), 1);
  EXPECT_FALSE(model.Load((tree / "models/none.p3d").string()));
  EXPECT_TRUE(HasLine(messages, "Cannot open object "));
  EXPECT_FALSE(model.Load(std::string(1025, 'a')));
  EXPECT_TRUE(HasLine(messages, "too long."));
}

}  // namespace
