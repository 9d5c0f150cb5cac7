// Per-vertex data the preparation derives: tangents, weight records and the neighbour
// records of skinned shadow volumes.
#include <gtest/gtest.h>

#include "lib/shape/packed_normal.h"
#include "tests/lib/shape/prepare_test_support.h"

namespace {

using prepare_test::MakeSkeleton;
using prepare_test::SeparateTriangles;

using PrepareVertexDataTest = prepare_test::PrepareLodTest;

// A square of two triangles sharing the diagonal 1-2 in the plane y = 0, u along x and v
// along z; point i carries bone "b<i>" of `bones` (empty: no bone).
mlod::Lod Square(const std::vector<std::string>& bones = {}) {
  mlod::Lod lod;
  lod.resolution = 1.0f;
  lod.normals = {{0, 1, 0}};
  const Vector3 corners[4] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {1, 0, 1}};
  for (const Vector3& p : corners) lod.points.push_back({p, 0});
  for (const auto& indices : {std::vector<uint32_t>{0, 1, 2}, std::vector<uint32_t>{2, 1, 3}}) {
    mlod::Face face;
    face.n = 3;
    for (int c = 0; c < 3; ++c) {
      uint32_t p = indices[static_cast<size_t>(c)];
      face.corners[c] = {p, 0, corners[p].x, corners[p].z};
    }
    face.texture = "data\\a_co.paa";
    lod.faces.push_back(face);
  }
  for (size_t i = 0; i < bones.size(); ++i)
    if (!bones[i].empty()) lod.AddSelectionOf(bones[i], {static_cast<int>(i)}, {});
  return lod;
}

TEST_F(PrepareVertexDataTest, TangentsFollowTheUVDirections) {
  // u grows along x and v along z on every triangle; mirrored u turns the first tangent.
  for (bool mirrored : {false, true}) {
    mlod::Lod lod = SeparateTriangles(2);
    if (mirrored)
      for (mlod::Face& face : lod.faces)
        for (mlod::Corner& corner : face.corners) corner.u = 1.0f - corner.u;
    const VertexTable& table = Prepare(lod, kLodVisual).Vertices();
    ASSERT_EQ(table.Tangents().size(), static_cast<size_t>(table.NVertices()));
    for (const VertexTangent& t : table.Tangents()) {
      EXPECT_EQ(t.tangentS, PackNormal({mirrored ? -1.0f : 1.0f, 0, 0})) << mirrored;
      EXPECT_EQ(t.tangentT, PackNormal({0, 0, 1})) << mirrored;
    }
  }
}

TEST_F(PrepareVertexDataTest, DegenerateUVsStillGiveDirectionsPerpendicularToTheNormal) {
  mlod::Lod lod = SeparateTriangles(1);
  for (mlod::Corner& corner : lod.faces[0].corners) corner.u = corner.v = 0.5f;
  Shape& shape = Prepare(lod, kLodVisual);
  ASSERT_EQ(shape.Vertices().Tangents().size(), 3u);
  for (int v = 0; v < 3; ++v) {
    Vector3 n = shape.Vertices().UnpackedNormal(v);
    Vector3 s = UnpackNormal(shape.Vertices().Tangents()[static_cast<size_t>(v)].tangentS);
    Vector3 t = UnpackNormal(shape.Vertices().Tangents()[static_cast<size_t>(v)].tangentT);
    EXPECT_NEAR(n.x * s.x + n.y * s.y + n.z * s.z, 0.0f, 0.01f);
    EXPECT_NEAR(n.x * t.x + n.y * t.y + n.z * t.z, 0.0f, 0.01f);
    EXPECT_NEAR(s.x * s.x + s.y * s.y + s.z * s.z, 1.0f, 0.01f);
  }
}

TEST_F(PrepareVertexDataTest, WithoutASkeletonEveryVertexHasAWeightRecordOfNoBone) {
  const Shape& shape = Prepare(Square(), kLodVisual);
  ASSERT_EQ(shape.Vertices().Weights().size(), static_cast<size_t>(shape.NVertices()));
  for (const VertexWeights& w : shape.Vertices().Weights()) EXPECT_EQ(w, VertexWeights{});
  EXPECT_EQ(VertexWeights{}.count, 0);
  EXPECT_EQ(VertexWeights{}.pairs[3][0], VertexWeights::kNoBone);
}

TEST_F(PrepareVertexDataTest, OnlySkinnedShadowVolumesHaveNeighbourRecords) {
  auto skeleton = MakeSkeleton({{"b0", ""}, {"b1", ""}, {"b2", ""}, {"b3", ""}});
  EXPECT_TRUE(Prepare(Square({"b0", "b1", "b2", "b3"}), kLodVisual, skeleton).Vertices().Neighbors().empty());
  EXPECT_TRUE(Prepare(Square(), kLodShadowVolume).Vertices().Neighbors().empty());
  const Shape& shadow = Prepare(Square({"b0", "b1", "b2", "b3"}), kLodShadowVolume, skeleton);
  EXPECT_EQ(shadow.Vertices().Neighbors().size(), static_cast<size_t>(shadow.NVertices()));
}

TEST_F(PrepareVertexDataTest, NeighbourRecordsNameTheCornersBesideAVertexWithTheirSlots) {
  auto skeleton = MakeSkeleton({{"b0", ""}, {"b1", ""}, {"b2", ""}, {"b3", ""}});
  const Shape& shape = Prepare(Square({"b0", "b1", "b2", "b3"}), kLodShadowVolume, skeleton);
  const VertexTable& table = shape.Vertices();
  auto pointOf = [&](int vertex) { return shape.VertexToPoint()[static_cast<size_t>(vertex)]; };
  // The point beside point p on each side in the first face that uses it.
  const int expectedNext[4] = {1, 2, 0, 2};
  const int expectedPrevious[4] = {2, 0, 1, 1};
  ASSERT_EQ(table.Neighbors().size(), static_cast<size_t>(table.NVertices()));
  ASSERT_EQ(table.Weights().size(), static_cast<size_t>(table.NVertices()));
  for (int v = 0; v < table.NVertices(); ++v) {
    const VertexNeighborInfo& record = table.Neighbors()[static_cast<size_t>(v)];
    int p = pointOf(v);
    EXPECT_EQ(pointOf(record.next.vertex), expectedNext[p]) << "point " << p;
    EXPECT_EQ(pointOf(record.previous.vertex), expectedPrevious[p]) << "point " << p;
    // One section draws everything: a neighbour's record weights are its own weights.
    EXPECT_EQ(record.next.weights, table.Weights()[record.next.vertex]);
    EXPECT_EQ(record.previous.weights, table.Weights()[record.previous.vertex]);
  }
}

TEST_F(PrepareVertexDataTest, NeighbourBonesWidenTheBoneSetsOfTheCut) {
  auto skeleton = MakeSkeleton({{"b0", ""}, {"b1", ""}, {"b2", ""}, {"b3", ""}});
  // Points 1 and 2 share bone b1; the second face alone needs b1 and b3, but its corners'
  // neighbours in the first face bring b0 as well.
  std::vector<std::string> bones = {"b0", "b1", "", "b3"};
  const Shape& visual = Prepare(Square(bones), kLodVisual, skeleton, 2);
  ASSERT_EQ(visual.Sections().size(), 2u);
  EXPECT_EQ(visual.Sections()[1].boneWindowLength, 2);

  const Shape& shadow = Prepare(Square(bones), kLodShadowVolume, skeleton, 2);
  ASSERT_EQ(shadow.Sections().size(), 2u);
  const ShapeSection& second = shadow.Sections()[1];
  EXPECT_EQ(second.boneWindowLength, 3);
  ExpectSlotsInsideWindows(shadow);
}

}  // namespace
