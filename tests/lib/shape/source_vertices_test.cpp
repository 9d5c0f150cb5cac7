// The vertex table the reader builds: reuse and splitting of vertices, unused points,
// point flags, and the repair and checks of UVs.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
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

// The square with `change` applied.
mlod::Lod Square(const std::function<void(mlod::Lod&)>& change) {
  mlod::Lod lod = SquareLod();
  change(lod);
  return lod;
}

TEST_F(SourceVertices, SharedCornersShareVertices) {
  const Shape& shape = Read({SquareLod()});
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
  EXPECT_EQ(shape.PointToVertex(), (AutoArray<uint16_t>{0, 1, 2, 3}));
  EXPECT_EQ(shape.VertexToPoint(), (AutoArray<uint16_t>{0, 1, 2, 3}));
  EXPECT_FALSE(shape.HadWarnings());
}

TEST_F(SourceVertices, CornersOfAPointShareAVertexOnlyWhenTheyMatch) {
  struct Row {
    const char* name;
    std::function<void(mlod::Lod&)> change;  // the second face's corner at point 2
    int vertices;
  };
  const Row rows[] = {
      {"u below the packing step of 1/65534", [](mlod::Lod& l) { l.faces[1].corners[1].u = 1.0f - 1e-7f; }, 4},
      {"u several packing steps away", [](mlod::Lod& l) { l.faces[1].corners[1].u = 1.0f - 1e-4f; }, 5},
      // Normals at squared distance 0.0025 and 0.04.
      {"normal within the tolerance",
       [](mlod::Lod& l) { l.normals.push_back({0.05f, 0.99875f, 0.0f}), l.faces[1].corners[1].normal = 4; }, 4},
      {"normal beyond the tolerance",
       [](mlod::Lod& l) { l.normals.push_back({0.2f, 0.98f, 0.0f}), l.faces[1].corners[1].normal = 4; }, 5},
  };
  for (const Row& row : rows) EXPECT_EQ(Read({Square(row.change)}).NVertices(), row.vertices) << row.name;
  EXPECT_EQ(model.Lod(0)->Vertices().Normal(3), PackNormal({0.2f, 0.98f, 0.0f}));
}

TEST_F(SourceVertices, DifferentUVsSplitAVertex) {
  const Shape& shape = Read({Square([](mlod::Lod& l) { l.faces[1].corners[1].u = 0.5f; })});
  EXPECT_EQ(shape.NVertices(), 5);
  EXPECT_EQ(shape.VertexToPoint()[3], 2);  // face 2 meets point 2 with another u
  EXPECT_EQ(shape.VertexToPoint()[4], 3);
  EXPECT_EQ(shape.PointToVertex()[2], 2);  // the first vertex of the point
}

TEST_F(SourceVertices, PointsAtOnePlaceKeepTheirOwnVerticesAndFlags) {
  const Shape& shape = Read({Square([](mlod::Lod& l) {
    l.points.push_back({{1, 0, 1}, 0x2});  // same place as point 2, under the surface
    l.faces[1].corners[1].point = 4;
  })});
  // Point 2 still has its vertex from the first face; point 4 gets one of its own.
  ASSERT_EQ(shape.NVertices(), 5);
  EXPECT_EQ(shape.Vertices().ClipFlags(shape.PointToVertex()[4]), 0x23Fu);
  EXPECT_EQ(shape.Vertices().ClipFlags(shape.PointToVertex()[2]), 0x3Fu);
}

TEST_F(SourceVertices, UnusedPointsGetAVertexEach) {
  const Shape& shape = Read({Square([](mlod::Lod& l) {
    l.points.push_back({{5, 5, 5}, 0x100});
    l.points.push_back({{6, 6, 6}, 0});
    for (mlod::Face& face : l.faces)
      for (mlod::Corner& corner : face.corners) corner.u += 2.0f;  // UVs from 2 to 3
  })});
  ASSERT_EQ(shape.NVertices(), 6);
  EXPECT_EQ(shape.PointToVertex()[4], 4);
  EXPECT_EQ(shape.PointToVertex()[5], 5);
  EXPECT_EQ(shape.Vertices().Normal(4), 0u);
  EXPECT_EQ(shape.Vertices().ClipFlags(4), 0x103Fu);
  EXPECT_FLOAT_EQ(shape.Vertices().Position(5).y, 6.0f);
  // The range holds the unused points' 0.
  EXPECT_FLOAT_EQ(shape.Vertices().UV(0).MinU(), 0.0f);
  EXPECT_FLOAT_EQ(shape.Vertices().UV(0).MaxU(), 3.0f);
  ExpectUV(shape.Vertices().UV(0), 4, 0.0f, 0.0f);
}

TEST_F(SourceVertices, HiddenPointsAndInvalidFlags) {
  const Shape& shape = Read({Square([](mlod::Lod& l) {
    l.points[0].flags = 0x01000000;
    l.points[1].flags = 0x00000400 | 0x1;  // invalid: taken as 0
  })});
  EXPECT_EQ(shape.PointHidden()[0], 1);
  EXPECT_EQ(shape.PointHidden()[1], 0);
  EXPECT_EQ(shape.Vertices().ClipFlags(1), 0x3Fu);
  EXPECT_TRUE(HasLine(messages, "Point 1: Invalid point flags 401."));
  EXPECT_TRUE(shape.HadWarnings());
}

TEST_F(SourceVertices, AtMostFiveReportsPerLod) {
  const Shape& shape = Read({Square([](mlod::Lod& l) {
    for (int i = 0; i < 8; ++i) l.points.push_back({{0, 0, 0}, 0x8000});
    l.faces[0].corners[0].u = std::numeric_limits<float>::infinity();
  })});
  EXPECT_EQ(CountLines(messages, "Invalid point flags"), 5);
  EXPECT_EQ(CountLines(messages, "invalid UV"), 0);  // the budget is shared
  EXPECT_TRUE(shape.HadWarnings());
}

TEST_F(SourceVertices, BadUVsAreReplacedWithTheirPartner) {
  const Shape& shape = Read({Square([](mlod::Lod& l) {
    l.faces[0].corners[1].u = std::nanf("");
    l.faces[0].corners[2].v = 2e5f;
    l.faces[1].corners[2].u = -100000.0f;
  })});
  EXPECT_EQ(CountLines(messages, "invalid UV"), 3) << messages.Text();
  EXPECT_TRUE(shape.HadWarnings());
  ExpectUV(shape.Vertices().UV(0), shape.Faces().Face(0).Vertex(1), 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(shape.Vertices().UV(0).MaxV(), 1.0f);
}

TEST_F(SourceVertices, LargeUVsAndMissingNormalsOnlyMarkTheLod) {
  const Shape& large = Read({Square([](mlod::Lod& l) { l.faces[0].corners[1].u = 150.0f; })});
  EXPECT_TRUE(large.HadWarnings());
  EXPECT_EQ(CountLines(messages, "UV"), 0);
  EXPECT_FLOAT_EQ(large.Vertices().UV(0).MaxU(), 150.0f);
  const Shape& noNormal = Read({Square([](mlod::Lod& l) { l.faces[0].corners[0].normal = 99; })});
  EXPECT_TRUE(noNormal.HadWarnings());
  EXPECT_EQ(noNormal.Vertices().Normal(0), 0u);
}

TEST_F(SourceVertices, FirstUVSetReplacedByTag) {
  std::vector<float> uv;
  for (int corner = 0; corner < 6; ++corner) {
    uv.push_back(static_cast<float>(corner));
    uv.push_back(0.5f);
  }
  const Shape& shape = Read({Square([&](mlod::Lod& l) { l.AddUVSet(0, uv); })});
  // Every corner has its own u now: no vertex is shared.
  EXPECT_EQ(shape.NVertices(), 6);
  EXPECT_FALSE(shape.Vertices().HasSecondUVSet());
  float u, v;
  shape.Vertices().UV(0).Get(5, u, v);
  EXPECT_NEAR(u, 5.0f, 1e-3f);
  EXPECT_NEAR(v, 0.5f, 1e-4f);
}

TEST_F(SourceVertices, SecondUVSetSplitsVertices) {
  const Shape& shape = Read({Square([](mlod::Lod& l) {
    l.AddUVSet(1, {0, 0, 1, 0, 1, 1, /* second face */ 0, 0, 0.25f, 0.25f, 0, 1});
    l.points.push_back({{9, 9, 9}, 0});  // unused: second-set 0 as well
  })});
  ASSERT_TRUE(shape.Vertices().HasSecondUVSet());
  EXPECT_EQ(shape.NVertices(), 6);  // point 2 split by the second set, one unused point
  EXPECT_EQ(shape.Vertices().UV(1).Size(), 6);
  ExpectUV(shape.Vertices().UV(1), shape.Faces().Face(8).Vertex(1), 0.25f, 0.25f);
  EXPECT_EQ(CountLines(messages, "Suspicious"), 0);
}

TEST_F(SourceVertices, SuspiciousSecondSetIsReported) {
  const Shape& shape = Read({Square([](mlod::Lod& l) { l.AddUVSet(1, {0, 0, 1, 0, 60, 1, 0, 0, 60, 1, 0, -1}); })});
  EXPECT_TRUE(shape.Vertices().HasSecondUVSet());
  EXPECT_TRUE(HasLine(messages,
                      "Warning: Suspicious values in the UV set 1 (minU=0.000000, minV=-1.000000, maxU=60.000000, "
                      "maxV=1.000000). The UV set may appear broken because of the compression."))
      << messages.Text();
}

TEST_F(SourceVertices, SecondSetOfSpecialLodIsSkippedAndHigherSetsAreUnsupported) {
  const Shape& view = Read({Square([](mlod::Lod& l) {
    l.resolution = 1000.0f;  // a view: above 900, kind 0
    l.AddUVSet(1, std::vector<float>(12, 0.5f));
  })});
  EXPECT_FALSE(view.Vertices().HasSecondUVSet());
  EXPECT_EQ(CountLines(messages, "Warning: special LOD contains 2nd UV set."), 1);
  const Shape& third = Read({Square([](mlod::Lod& l) {
    l.AddUVSet(2, std::vector<float>(12, 0.5f));
    l.AddProperty("after", "read");
  })});
  EXPECT_TRUE(HasLine(messages, "Warning: Unsupported UVSet 2"));
  EXPECT_TRUE(third.HadWarnings());
  EXPECT_EQ(third.PropertyValue("after"), "read");
}

TEST_F(SourceVertices, VertexLimitCountsSplitCorners) {
  mlod::Lod lod;
  lod.resolution = 1.0f;
  lod.points.resize(65535);
  EXPECT_EQ(Read({lod}).NVertices(), 65535);
  lod.points.resize(65536);
  EXPECT_FALSE(ReadModel(ModelOf({lod}), model));
  EXPECT_EQ(CountLines(messages, "Error: test.p3d: Too many vertices"), 1);
  // 40000 points used by 40000 faces, each corner with its own UV: 120000 vertices.
  lod.points.clear();
  lod.normals = {{0, 1, 0}};
  for (uint32_t i = 0; i < 40000; ++i) {
    lod.points.push_back({{static_cast<float>(i), 0, 0}, 0});
    mlod::Face face;
    for (uint32_t c = 0; c < 3; ++c) face.corners[c] = {i, 0, static_cast<float>(c) * 0.3f, 0};
    lod.faces.push_back(face);
  }
  EXPECT_FALSE(ReadModel(ModelOf({lod}), model));
  EXPECT_EQ(CountLines(messages, "Error: test.p3d: Too many vertices"), 2);
}

TEST_F(SourceVertices, QuadsAndDegenerateFaces) {
  mlod::Lod lod = mlod::MakeGridLod(2, 1, 1.0f, "", "", true);
  mlod::Face line;
  line.n = 2;
  line.corners[0] = {0, 0, 0, 0};
  line.corners[1] = {1, 1, 0.5f, 0};
  lod.faces.push_back(line);
  const Shape& shape = Read({lod});
  ASSERT_EQ(shape.NFaces(), 3);
  EXPECT_EQ(shape.Faces().Face(0).N(), 4);
  EXPECT_EQ(shape.Faces().Face(20).N(), 2);
  EXPECT_EQ(shape.Faces().DataSize(), 10 + 10 + 6);
}

}  // namespace
