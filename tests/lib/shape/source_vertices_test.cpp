// The vertex table the reader builds: reuse and splitting of vertices, unused points,
// point flags, and the repair and checks of UVs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lib/shape/packed_normal.h"
#include "tests/lib/shape/shape_test_support.h"

namespace {

using namespace shape_test;

class SourceVertices : public ShapeTest {};

// Two triangles over the four corners of a unit square, one normal per corner.
mlod::Lod SquareLod() {
  mlod::Lod lod;
  lod.resolution = 1.0f;
  lod.points = {{{0, 0, 0}, 0}, {{1, 0, 0}, 0}, {{1, 0, 1}, 0}, {{0, 0, 1}, 0}};
  lod.normals = {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
  auto corner = [](uint32_t p, float u, float v) { return mlod::Corner{p, p, u, v}; };
  mlod::Face a;
  a.corners[0] = corner(0, 0, 0);
  a.corners[1] = corner(1, 1, 0);
  a.corners[2] = corner(2, 1, 1);
  mlod::Face b;
  b.corners[0] = corner(0, 0, 0);
  b.corners[1] = corner(2, 1, 1);
  b.corners[2] = corner(3, 0, 1);
  lod.faces = {a, b};
  return lod;
}

const Shape& ReadOne(const mlod::Lod& lod, LODShape& model, const CapturedMessages& messages) {
  EXPECT_TRUE(ReadModel(ModelOf({lod}), model)) << messages.Text();
  return *model.Lod(0);
}

TEST_F(SourceVertices, SharedCornersShareVertices) {
  LODShape model;
  const Shape& shape = ReadOne(SquareLod(), model, messages);
  EXPECT_EQ(shape.NVertices(), 4);
  const FaceData& faces = shape.Faces();
  ASSERT_EQ(faces.NFaces(), 2);
  FaceRef second = faces.Face(faces.Next(faces.Begin()));
  EXPECT_EQ(second.N(), 3);
  EXPECT_EQ(second.Vertex(0), 0);
  EXPECT_EQ(second.Vertex(1), 2);
  EXPECT_EQ(second.Vertex(2), 3);
  EXPECT_EQ(faces.DataSize(), 2 * (2 + 2 * 3));
  EXPECT_EQ(faces.FaceOffsets(), (AutoArray<int>{0, 8}));
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(shape.PointToVertex()[static_cast<size_t>(p)], p);
    EXPECT_EQ(shape.VertexToPoint()[static_cast<size_t>(p)], p);
  }
}

TEST_F(SourceVertices, DifferentUVsSplitAVertex) {
  mlod::Lod lod = SquareLod();
  lod.faces[1].corners[1].u = 0.5f;  // point 2 seen with another u
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  EXPECT_EQ(shape.NVertices(), 5);
  EXPECT_EQ(shape.VertexToPoint()[3], 2);  // face 2 meets point 2 with another u
  EXPECT_EQ(shape.VertexToPoint()[4], 3);
  EXPECT_EQ(shape.PointToVertex()[2], 2);  // the first vertex of the point
}

TEST_F(SourceVertices, UVsEqualWhenPackedShareAVertex) {
  mlod::Lod lod = SquareLod();
  lod.faces[1].corners[1].u = 1.0f - 1e-7f;  // below the packing step of 1/65534
  LODShape model;
  EXPECT_EQ(ReadOne(lod, model, messages).NVertices(), 4);
  lod.faces[1].corners[1].u = 1.0f - 1e-4f;  // several packing steps
  EXPECT_EQ(ReadOne(lod, model, messages).NVertices(), 5);
}

TEST_F(SourceVertices, NormalsWithinTheToleranceShareAVertex) {
  mlod::Lod lod = SquareLod();
  lod.normals.push_back({0.05f, 0.99875f, 0.0f});  // squared distance 0.0025
  lod.faces[1].corners[1].normal = 4;
  LODShape model;
  EXPECT_EQ(ReadOne(lod, model, messages).NVertices(), 4);
  lod.normals[4] = {0.2f, 0.98f, 0.0f};  // squared distance 0.04
  const Shape& shape = ReadOne(lod, model, messages);
  EXPECT_EQ(shape.NVertices(), 5);
  EXPECT_EQ(shape.Vertices().Normal(3), PackNormal({0.2f, 0.98f, 0.0f}));
}

TEST_F(SourceVertices, PointsAtOnePlaceKeepTheirOwnVerticesAndFlags) {
  mlod::Lod lod = SquareLod();
  lod.points.push_back({{1, 0, 1}, 0x2});  // same place as point 2, under the surface
  lod.faces[1].corners[1].point = 4;
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  // Point 2 still has its vertex from the first face; point 4 gets one of its own.
  ASSERT_EQ(shape.NVertices(), 5);
  EXPECT_EQ(shape.Vertices().ClipFlags(shape.PointToVertex()[4]), 0x23Fu);
  EXPECT_EQ(shape.Vertices().ClipFlags(shape.PointToVertex()[2]), 0x3Fu);
}

TEST_F(SourceVertices, UnusedPointsGetAVertexEach) {
  mlod::Lod lod = SquareLod();
  lod.points.push_back({{5, 5, 5}, 0x100});
  lod.points.push_back({{6, 6, 6}, 0});
  for (mlod::Face& face : lod.faces)
    for (mlod::Corner& corner : face.corners) corner.u += 2.0f;  // UVs from 2 to 3
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  ASSERT_EQ(shape.NVertices(), 6);
  EXPECT_EQ(shape.PointToVertex()[4], 4);
  EXPECT_EQ(shape.PointToVertex()[5], 5);
  EXPECT_EQ(shape.Vertices().Normal(4), 0u);
  EXPECT_EQ(shape.Vertices().ClipFlags(4), 0x103Fu);
  EXPECT_FLOAT_EQ(shape.Vertices().Position(5).y, 6.0f);
  // The range holds the unused points' 0.
  EXPECT_FLOAT_EQ(shape.Vertices().UV(0).MinU(), 0.0f);
  EXPECT_FLOAT_EQ(shape.Vertices().UV(0).MaxU(), 3.0f);
  float u, v;
  shape.Vertices().UV(0).Get(4, u, v);
  EXPECT_NEAR(u, 0.0f, 1e-4f);
  EXPECT_NEAR(v, 0.0f, 1e-4f);
}

TEST_F(SourceVertices, HiddenPointsAndInvalidFlags) {
  mlod::Lod lod = SquareLod();
  lod.points[0].flags = 0x01000000;
  lod.points[1].flags = 0x00000400 | 0x1;  // invalid: taken as 0
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  EXPECT_EQ(shape.PointHidden()[0], 1);
  EXPECT_EQ(shape.PointHidden()[1], 0);
  EXPECT_EQ(shape.Vertices().ClipFlags(1), 0x3Fu);
  EXPECT_TRUE(HasLine(messages, "Point 1: Invalid point flags 401."));
  EXPECT_TRUE(shape.HadWarnings());
}

TEST_F(SourceVertices, AtMostFiveReportsPerLod) {
  mlod::Lod lod = SquareLod();
  for (int i = 0; i < 8; ++i) lod.points.push_back({{0, 0, 0}, 0x8000});
  lod.faces[0].corners[0].u = std::numeric_limits<float>::infinity();
  LODShape model;
  ReadOne(lod, model, messages);
  EXPECT_EQ(CountLines(messages, "Invalid point flags"), 5);
  EXPECT_EQ(CountLines(messages, "invalid UV"), 0);  // the budget is shared
  EXPECT_TRUE(model.Lod(0)->HadWarnings());
}

TEST_F(SourceVertices, BadUVsAreReplacedWithTheirPartner) {
  mlod::Lod lod = SquareLod();
  lod.faces[0].corners[1].u = std::nanf("");
  lod.faces[0].corners[2].v = 2e5f;
  lod.faces[1].corners[2].u = -100000.0f;
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  EXPECT_EQ(CountLines(messages, "invalid UV"), 3) << messages.Text();
  EXPECT_TRUE(shape.HadWarnings());
  float u, v;
  shape.Vertices().UV(0).Get(shape.Faces().Face(0).Vertex(1), u, v);
  EXPECT_NEAR(u, 0.0f, 1e-4f);
  EXPECT_NEAR(v, 0.0f, 1e-4f);
  EXPECT_FLOAT_EQ(shape.Vertices().UV(0).MaxV(), 1.0f);
}

TEST_F(SourceVertices, LargeUVsOnlyMarkTheLod) {
  mlod::Lod lod = SquareLod();
  lod.faces[0].corners[1].u = 150.0f;
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  EXPECT_TRUE(shape.HadWarnings());
  EXPECT_EQ(CountLines(messages, "UV"), 0);
  EXPECT_FLOAT_EQ(shape.Vertices().UV(0).MaxU(), 150.0f);

  LODShape clean;
  EXPECT_FALSE(ReadOne(SquareLod(), clean, messages).HadWarnings());
}

TEST_F(SourceVertices, FirstUVSetReplacedByTag) {
  mlod::Lod lod = SquareLod();
  std::vector<float> uv;
  for (int corner = 0; corner < 6; ++corner) {
    uv.push_back(static_cast<float>(corner));
    uv.push_back(0.5f);
  }
  lod.AddUVSet(0, uv);
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  // Every corner has its own u now: no vertex is shared.
  EXPECT_EQ(shape.NVertices(), 6);
  EXPECT_FALSE(shape.Vertices().HasSecondUVSet());
  float u, v;
  shape.Vertices().UV(0).Get(5, u, v);
  EXPECT_NEAR(u, 5.0f, 1e-3f);
  EXPECT_NEAR(v, 0.5f, 1e-4f);
}

TEST_F(SourceVertices, SecondUVSetSplitsVertices) {
  mlod::Lod lod = SquareLod();
  std::vector<float> uv = {0, 0, 1, 0, 1, 1, /* second face */ 0, 0, 0.25f, 0.25f, 0, 1};
  lod.AddUVSet(1, uv);
  lod.points.push_back({{9, 9, 9}, 0});  // unused: second-set 0 as well
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  ASSERT_TRUE(shape.Vertices().HasSecondUVSet());
  EXPECT_EQ(shape.NVertices(), 6);  // point 2 split by the second set, one unused point
  EXPECT_EQ(shape.Vertices().UV(1).Size(), 6);
  float u, v;
  shape.Vertices().UV(1).Get(shape.Faces().Face(8).Vertex(1), u, v);
  EXPECT_NEAR(u, 0.25f, 1e-4f);
  EXPECT_NEAR(v, 0.25f, 1e-4f);
  EXPECT_EQ(CountLines(messages, "Suspicious"), 0);
}

TEST_F(SourceVertices, SuspiciousSecondSetIsReported) {
  mlod::Lod lod = SquareLod();
  lod.AddUVSet(1, {0, 0, 1, 0, 60, 1, 0, 0, 60, 1, 0, -1});
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  EXPECT_TRUE(shape.Vertices().HasSecondUVSet());
  EXPECT_TRUE(HasLine(messages,
                      "Warning: Suspicious values in the UV set 1 (minU=0.000000, minV=-1.000000, maxU=60.000000, "
                      "maxV=1.000000). The UV set may appear broken because of the compression."))
      << messages.Text();
}

TEST_F(SourceVertices, SecondSetOfSpecialLodIsSkipped) {
  mlod::Lod lod = SquareLod();
  lod.resolution = 1000.0f;  // a view: above 900, kind 0
  lod.AddUVSet(1, std::vector<float>(12, 0.5f));
  LODShape model;
  EXPECT_FALSE(ReadOne(lod, model, messages).Vertices().HasSecondUVSet());
  EXPECT_EQ(CountLines(messages, "Warning: special LOD contains 2nd UV set."), 1);
}

TEST_F(SourceVertices, HigherUVSetsAreUnsupported) {
  mlod::Lod lod = SquareLod();
  lod.AddUVSet(2, std::vector<float>(12, 0.5f));
  lod.AddProperty("after", "read");
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  EXPECT_TRUE(HasLine(messages, "Warning: Unsupported UVSet 2"));
  EXPECT_TRUE(shape.HadWarnings());
  EXPECT_EQ(shape.PropertyValue("after"), "read");
}

TEST_F(SourceVertices, VertexLimit) {
  mlod::Lod lod;
  lod.resolution = 1.0f;
  lod.points.resize(65535);
  LODShape model;
  ASSERT_TRUE(ReadModel(ModelOf({lod}), model)) << messages.Text();
  EXPECT_EQ(model.Lod(0)->NVertices(), 65535);
  lod.points.resize(65536);
  EXPECT_FALSE(ReadModel(ModelOf({lod}), model));
  EXPECT_TRUE(HasLine(messages, "Error: test.p3d: Too many vertices"));
}

TEST_F(SourceVertices, VertexLimitCountsSplitCorners) {
  // 40000 points used by 40000 faces, each corner with its own UV: 120000 vertices.
  mlod::Lod lod;
  lod.resolution = 1.0f;
  lod.normals = {{0, 1, 0}};
  for (uint32_t i = 0; i < 40000; ++i) {
    lod.points.push_back({{static_cast<float>(i), 0, 0}, 0});
    mlod::Face face;
    for (uint32_t c = 0; c < 3; ++c) face.corners[c] = {i, 0, static_cast<float>(c) * 0.3f, 0};
    lod.faces.push_back(face);
  }
  LODShape model;
  EXPECT_FALSE(ReadModel(ModelOf({lod}), model));
  EXPECT_EQ(CountLines(messages, "Error: test.p3d: Too many vertices"), 1);
}

TEST_F(SourceVertices, MissingNormalIsZeroAndMarks) {
  mlod::Lod lod = SquareLod();
  lod.faces[0].corners[0].normal = 99;
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  EXPECT_TRUE(shape.HadWarnings());
  EXPECT_EQ(shape.Vertices().Normal(0), 0u);
}

TEST_F(SourceVertices, QuadsAndDegenerateFaces) {
  mlod::Lod lod = mlod::MakeGridLod(2, 1, 1.0f, "", "", true);
  mlod::Face line;
  line.n = 2;
  line.corners[0] = {0, 0, 0, 0};
  line.corners[1] = {1, 1, 0.5f, 0};
  lod.faces.push_back(line);
  LODShape model;
  const Shape& shape = ReadOne(lod, model, messages);
  ASSERT_EQ(shape.NFaces(), 3);
  EXPECT_EQ(shape.Faces().Face(0).N(), 4);
  EXPECT_EQ(shape.Faces().Face(20).N(), 2);
  EXPECT_EQ(shape.Faces().DataSize(), 10 + 10 + 6);
}

}  // namespace
