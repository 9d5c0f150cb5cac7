#pragma once
// Shared pieces of the model tests: reading writer output from memory, small meshes,
// and a fixture that empties the engine's caches around each test.
#include <gtest/gtest.h>

#include <string>

#include "el/qstream/qi_stream.h"
#include "engine/material_cache.h"
#include "engine/texture_bank.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/source_model_reader.h"
#include "lib/shape/tex_material.h"
#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/captured_messages.h"

namespace shape_test {

// Reads `bytes` as the source model "test.p3d" (plain intake: no preparation).
inline bool ReadBytes(const std::string& bytes, LODShape& model, const std::string& name = "test.p3d") {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  SourceModelIntake intake;
  return ReadSourceModel(in, name, model, intake);
}

inline bool ReadModel(const mlod::Model& source, LODShape& model) { return ReadBytes(mlod::WriteModel(source), model); }

// A model of the given LODs in an "MLOD" 1.01 container.
inline mlod::Model ModelOf(std::vector<mlod::Lod> lods) {
  mlod::Model model;
  model.lods = std::move(lods);
  return model;
}

// One triangle over three points, with one normal (0, 1, 0) and UVs (0,0) (1,0) (0,1).
inline mlod::Lod TriangleLod(float resolution = 1.0f) {
  mlod::Lod lod;
  lod.resolution = resolution;
  lod.points = {{{0, 0, 0}, 0}, {{1, 0, 0}, 0}, {{0, 0, 1}, 0}};
  lod.normals = {{0, 1, 0}};
  mlod::Face face;
  face.n = 3;
  face.corners[0] = {0, 0, 0.0f, 0.0f};
  face.corners[1] = {1, 0, 1.0f, 0.0f};
  face.corners[2] = {2, 0, 0.0f, 1.0f};
  face.texture = "data\\tri_co.paa";
  lod.faces = {face};
  return lod;
}

// How many captured lines contain `text`.
inline int CountLines(const CapturedMessages& messages, const std::string& text) {
  int count = 0;
  for (const std::string& line : messages.lines)
    if (line.find(text) != std::string::npos) ++count;
  return count;
}

inline bool HasLine(const CapturedMessages& messages, const std::string& text) {
  return CountLines(messages, text) > 0;
}

// The UV pair of `vertex` in `set` is (u, v).
inline void ExpectUV(const UVSet& set, int vertex, float u, float v) {
  float actualU, actualV;
  set.Get(vertex, actualU, actualV);
  EXPECT_NEAR(actualU, u, 1e-4f) << "vertex " << vertex;
  EXPECT_NEAR(actualV, v, 1e-4f) << "vertex " << vertex;
}

// Every key of material `a` equals `b`'s (the name aside); with `stagesInUse` only the
// stages and generators below the counts, as runtime records hold them.
inline void ExpectSameMaterial(const TexMaterial& a, const TexMaterial& b, bool stagesInUse = false) {
  EXPECT_EQ(a.emmisive, b.emmisive);
  EXPECT_EQ(a.ambient, b.ambient);
  EXPECT_EQ(a.diffuse, b.diffuse);
  EXPECT_EQ(a.forcedDiffuse, b.forcedDiffuse);
  EXPECT_EQ(a.specular, b.specular);
  EXPECT_EQ(a.treeColorization, b.treeColorization);
  EXPECT_EQ(a.plantWind, b.plantWind);
  EXPECT_EQ(a.superExt, b.superExt);
  EXPECT_EQ(a.specularPower, b.specularPower);
  EXPECT_EQ(a.parallaxScale, b.parallaxScale);
  EXPECT_EQ(a.terrainIndirectLocalShadowBias, b.terrainIndirectLocalShadowBias);
  EXPECT_EQ(a.shadowBias, b.shadowBias);
  EXPECT_EQ(a.sortBias, b.sortBias);
  EXPECT_EQ(a.superAllowProjectionLayer, b.superAllowProjectionLayer);
  EXPECT_EQ(a.treeAllowProjectionLayer, b.treeAllowProjectionLayer);
  EXPECT_EQ(a.multiTopProjectionLayer, b.multiTopProjectionLayer);
  EXPECT_EQ(a.degAngleTopProjectionStart, b.degAngleTopProjectionStart);
  EXPECT_EQ(a.degAngleTopProjectionEnd, b.degAngleTopProjectionEnd);
  EXPECT_EQ(a.multiTopProjectionBlend, b.multiTopProjectionBlend);
  EXPECT_EQ(a.multiTopProjectionLayerNormal, b.multiTopProjectionLayerNormal);
  EXPECT_EQ(a.projectionVector, b.projectionVector);
  EXPECT_EQ(a.pixelShaderID, b.pixelShaderID);
  EXPECT_EQ(a.vertexShaderID, b.vertexShaderID);
  EXPECT_EQ(a.mainLight, b.mainLight);
  EXPECT_EQ(a.fogMode, b.fogMode);
  EXPECT_EQ(a.renderFlags, b.renderFlags);
  EXPECT_EQ(a.nextPass, b.nextPass);
  EXPECT_EQ(a.surfaceInfo, b.surfaceInfo);
  EXPECT_EQ(a.stageTI, b.stageTI);
  EXPECT_EQ(a.hasStageTI, b.hasStageTI);
  ASSERT_EQ(a.StageCount(), b.StageCount());
  ASSERT_EQ(a.TexGenCount(), b.TexGenCount());
  if (!stagesInUse) {
    EXPECT_EQ(a.stages, b.stages);
    EXPECT_EQ(a.texGens, b.texGens);
    return;
  }
  for (int i = 0; i < a.StageCount(); ++i) EXPECT_EQ(a.stages[i], b.stages[i]) << "stage " << i;
  for (int i = 0; i < a.TexGenCount(); ++i) EXPECT_EQ(a.texGens[i], b.texGens[i]) << "texGen " << i;
}

// Empties the material cache and the texture bank before and after each test.
class ShapeTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    Materials().DeleteAll();
    Textures().Clear();
  }
  // Reads `lods` as the source model "test.p3d" into `model`; returns its first LOD, or an
  // empty one when the read fails.
  const Shape& Read(std::vector<mlod::Lod> lods) {
    EXPECT_TRUE(ReadModel(ModelOf(std::move(lods)), model)) << messages.Text();
    static const Shape kNone;
    return model.NLods() ? *model.Lod(0) : kNone;
  }
  CapturedMessages messages;
  LODShape model;
};

}  // namespace shape_test
