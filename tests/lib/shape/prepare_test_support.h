#pragma once
// Pieces shared by the preparation tests: meshes whose faces are weighted to chosen
// bones, skeletons built in code, and models written to a temporary folder.
#include <string>
#include <vector>

#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/prepare_lod.h"
#include "lib/shape/skeleton.h"
#include "lib/shape/testing/mlod_writer.h"
#include "tests/lib/shape/shape_test_support.h"
#include "tests/support/temp_tree.h"

namespace prepare_test {

// A skeleton of top-level bones plus (bone, parent) pairs, ordered.
inline SkeletonRef MakeSkeleton(const std::vector<std::pair<std::string, std::string>>& bones) {
  auto skeleton = std::make_shared<Skeleton>("test");
  for (const auto& [bone, parent] : bones) skeleton->AddBone(bone, parent);
  skeleton->Order();
  return skeleton;
}

// A LOD of separate triangles: triangle i has its own three points at x = 2i, all with
// texture `texture`.
inline mlod::Lod SeparateTriangles(int count, float resolution = 1.0f, const std::string& texture = "data\\a_co.paa") {
  mlod::Lod lod;
  lod.resolution = resolution;
  lod.normals = {{0, 1, 0}};
  for (int i = 0; i < count; ++i) {
    float x = 2.0f * static_cast<float>(i);
    lod.points.push_back({{x, 0, 0}, 0});
    lod.points.push_back({{x + 1, 0, 0}, 0});
    lod.points.push_back({{x, 0, 1}, 0});
    mlod::Face face;
    face.n = 3;
    for (uint32_t c = 0; c < 3; ++c) face.corners[c] = {static_cast<uint32_t>(3 * i) + c, 0, c == 1 ? 1.0f : 0.0f, c == 2 ? 1.0f : 0.0f};
    face.texture = texture;
    lod.faces.push_back(face);
  }
  return lod;
}

// Writes `model` as `relative` below `tree` and returns its path.
inline std::string WriteModel(TempTree& tree, const std::string& relative, const mlod::Model& model) {
  std::filesystem::path path = tree / relative;
  EXPECT_TRUE(mlod::WriteModelFile(model, path));
  return path.string();
}

// A geometry LOD (one triangle) with the given properties.
inline mlod::Lod GeometryLod(const std::vector<std::pair<std::string, std::string>>& properties) {
  mlod::Lod lod = shape_test::TriangleLod(1e13f);
  for (const auto& [name, value] : properties) lod.AddProperty(name, value);
  return lod;
}

// Reads one LOD and prepares it as a LOD of `kind`, with `skeleton` and at most `bones`
// bones per section.
class PrepareLodTest : public shape_test::ShapeTest {
 protected:
  Shape& Prepare(const mlod::Lod& lod, int kind, const SkeletonRef& skeleton = nullptr, int bones = 55) {
    Read({lod});
    PrepareLod(model, 0, kind, {skeleton.get(), bones});
    return *model.Lod(0);
  }

  // Every vertex a section draws, and every neighbour record of such a vertex, carries
  // slots inside the section's bone window.
  static void ExpectSlotsInsideWindows(const Shape& shape) {
    const VertexTable& table = shape.Vertices();
    ASSERT_EQ(table.Weights().size(), static_cast<size_t>(shape.NVertices()));
    for (const ShapeSection& section : shape.Sections()) {
      auto expectInside = [&section](const VertexWeights& w) {
        for (int p = 0; p < w.count; ++p) {
          EXPECT_GE(w.pairs[p][0], section.boneWindowStart);
          EXPECT_LT(w.pairs[p][0], section.boneWindowStart + section.boneWindowLength);
        }
      };
      for (int o = section.beg; o < section.end; o = shape.Faces().Next(o)) {
        FaceRef face = shape.Faces().Face(o);
        for (int i = 0; i < face.N(); ++i) {
          expectInside(table.Weights()[face.Vertex(i)]);
          if (table.Neighbors().empty()) continue;
          expectInside(table.Neighbors()[face.Vertex(i)].next.weights);
          expectInside(table.Neighbors()[face.Vertex(i)].previous.weights);
        }
      }
    }
  }
};

}  // namespace prepare_test
