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

// True when some captured line contains `text`.
inline bool HasLine(const CapturedMessages& messages, const std::string& text) {
  for (const std::string& line : messages.lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

inline int CountLines(const CapturedMessages& messages, const std::string& text) {
  int count = 0;
  for (const std::string& line : messages.lines)
    if (line.find(text) != std::string::npos) ++count;
  return count;
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
  CapturedMessages messages;
};

}  // namespace shape_test
