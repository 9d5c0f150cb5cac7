// Bone weights, the section cut by bone count, bone windows and slot rewriting.
#include <gtest/gtest.h>

#include <set>

#include "lib/shape/bone_windows.h"
#include "tests/lib/shape/prepare_test_support.h"

namespace {

using prepare_test::MakeSkeleton;
using prepare_test::SeparateTriangles;
using shape_test::HasLine;

using PrepareBonesTest = prepare_test::PrepareLodTest;

TEST_F(PrepareBonesTest, TwoBoneLimitCutsThreeSectionsWithOverlappingWindows) {
  auto skeleton = MakeSkeleton({{"a", ""}, {"b", "a"}, {"c", "b"}, {"d", "c"}});
  mlod::Lod lod = SeparateTriangles(3);
  lod.AddSelectionOf("a", {0, 2}, {});
  lod.AddSelectionOf("b", {1, 3}, {});
  lod.AddSelectionOf("c", {4, 5, 6}, {});
  lod.AddSelectionOf("d", {7, 8}, {});
  Shape& shape = Prepare(lod, kLodVisual, skeleton, 2);

  ASSERT_EQ(shape.Sections().size(), 3u);
  EXPECT_EQ(shape.SubSkeletonToSkeleton(), (AutoArray<int>{0, 1, 2, 3}));
  const int expectedStart[] = {0, 1, 2};
  for (int s = 0; s < 3; ++s) {
    EXPECT_EQ(shape.Sections()[s].boneWindowStart, expectedStart[s]) << s;
    EXPECT_EQ(shape.Sections()[s].boneWindowLength, 2) << s;
  }
  // Sections still partition the faces in order.
  EXPECT_EQ(shape.Sections()[0].beg, 0);
  EXPECT_EQ(shape.Sections()[1].beg, shape.Sections()[0].end);
  EXPECT_EQ(shape.Sections()[2].end, shape.Faces().End());
  EXPECT_TRUE(HasLine(messages, "Info: Old sections 1, new sections 3"));
  ExpectSlotsInsideWindows(shape);
  // skeleton bone -> slots
  ASSERT_EQ(shape.SkeletonToSubSkeleton().size(), 4u);
  EXPECT_EQ(shape.SkeletonToSubSkeleton()[2], (AutoArray<int>{2}));
}

TEST_F(PrepareBonesTest, SixtyBonesAtFiftyFiveGiveTwoSectionsWithinTheLimit) {
  std::vector<std::pair<std::string, std::string>> bones;
  for (int i = 0; i < 60; ++i) bones.push_back({"bone" + std::to_string(i), ""});
  auto skeleton = MakeSkeleton(bones);
  mlod::Lod lod = SeparateTriangles(60);
  for (int i = 0; i < 60; ++i) lod.AddSelectionOf("bone" + std::to_string(i), {3 * i, 3 * i + 1, 3 * i + 2}, {});
  Shape& shape = Prepare(lod, kLodVisual, skeleton);

  ASSERT_GE(shape.Sections().size(), 2u);
  for (const ShapeSection& section : shape.Sections()) {
    EXPECT_LE(section.boneWindowLength, 55);
    EXPECT_LE(section.boneWindowStart + section.boneWindowLength, static_cast<int>(shape.SubSkeletonToSkeleton().size()));
  }
  ExpectSlotsInsideWindows(shape);
  // Every vertex still names its own bone through the subskeleton.
  const auto& weights = shape.Vertices().Weights();
  for (int v = 0; v < shape.NVertices(); ++v) {
    ASSERT_EQ(weights[v].count, 1);
    int bone = shape.SubSkeletonToSkeleton()[weights[v].pairs[0][0]];
    EXPECT_EQ(bone, shape.VertexToPoint()[v] / 3);
    EXPECT_EQ(weights[v].pairs[0][1], 255);
  }
}

TEST_F(PrepareBonesTest, VertexSharedBySectionsWithDifferentSlotsIsCopied) {
  // Faces {a,b}, {c,d}, {a,c} with two bones per section: the third window repeats a and
  // c in new slots, so the point shared by faces 0 and 2 needs two vertices.
  auto skeleton = MakeSkeleton({{"a", ""}, {"b", ""}, {"c", ""}, {"d", ""}});
  mlod::Lod lod;
  lod.resolution = 1.0f;
  lod.normals = {{0, 1, 0}};
  for (int i = 0; i < 8; ++i) lod.points.push_back({{static_cast<float>(i), 0, static_cast<float>(i % 2)}, 0});
  auto face = [](uint32_t p0, uint32_t p1, uint32_t p2) {
    mlod::Face f;
    f.corners[0] = {p0, 0, 0, 0};
    f.corners[1] = {p1, 0, 1, 0};
    f.corners[2] = {p2, 0, 0, 1};
    f.texture = "data\\a_co.paa";
    return f;
  };
  lod.faces = {face(0, 1, 2), face(3, 4, 5), face(0, 6, 7)};
  lod.AddSelectionOf("a", {0, 2}, {});
  lod.AddSelectionOf("b", {1}, {});
  lod.AddSelectionOf("c", {3, 6, 7}, {});
  lod.AddSelectionOf("d", {4, 5}, {});
  lod.AddSelectionOf("shared", {0}, {});
  Shape& shape = Prepare(lod, kLodVisual, skeleton, 2);

  ASSERT_EQ(shape.Sections().size(), 3u);
  EXPECT_EQ(shape.SubSkeletonToSkeleton(), (AutoArray<int>{0, 1, 2, 3, 0, 2}));
  EXPECT_EQ(shape.Sections()[2].boneWindowStart, 4);
  EXPECT_EQ(shape.NVertices(), 9);  // eight points, point 0 twice
  ExpectSlotsInsideWindows(shape);
  EXPECT_EQ(shape.VertexToPoint()[8], 0);
  // The copy belongs to the selections of its point.
  const NamedSelection& shared = shape.Selections()[static_cast<size_t>(shape.FindSelection("shared"))];
  EXPECT_EQ(shared.Vertices(), (AutoArray<uint16_t>{0, 8}));
  EXPECT_EQ(shape.SkeletonToSubSkeleton()[0], (AutoArray<int>{0, 4}));
}

TEST_F(PrepareBonesTest, FifthBoneReplacesTheLightestLaterPairOrIsDropped) {
  struct Row {
    uint8_t weights[5];
    const char* removed;
    std::set<int> kept;
  };
  const Row rows[] = {{{90, 50, 70, 80, 60}, "b1", {0, 2, 3, 4}}, {{60, 60, 60, 60, 20}, "b4", {0, 1, 2, 3}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.removed);
    auto skeleton = MakeSkeleton({{"b0", ""}, {"b1", ""}, {"b2", ""}, {"b3", ""}, {"b4", ""}});
    mlod::Lod lod = SeparateTriangles(1);
    for (int b = 0; b < 5; ++b) lod.AddSelection("b" + std::to_string(b), {row.weights[b], 0, 0}, {0});
    messages.Clear();
    Shape& shape = Prepare(lod, kLodVisual, skeleton);
    EXPECT_TRUE(HasLine(messages, std::string("Warning: test.p3d:1, too many bones (more than 4) on vertex 0, removed ") +
                                      row.removed))
        << messages.Text();
    EXPECT_TRUE(shape.HadWarnings());
    const VertexWeights& w = shape.Vertices().Weights()[0];
    ASSERT_EQ(w.count, 4);
    std::set<int> bones;
    int sum = 0;
    for (int p = 0; p < 4; ++p) {
      bones.insert(shape.SubSkeletonToSkeleton()[w.pairs[p][0]]);
      sum += w.pairs[p][1];
    }
    EXPECT_EQ(bones, row.kept);
    EXPECT_EQ(sum, 255);  // normalised
  }
}

TEST_F(PrepareBonesTest, WeightSumsFarFromFullAreReportedAndNormalised) {
  auto skeleton = MakeSkeleton({{"a", ""}, {"b", ""}});
  mlod::Lod lod = SeparateTriangles(1);
  lod.AddSelection("a", {128, 51, 255}, {0});
  lod.AddSelection("b", {0, 51, 0}, {0});
  Shape& shape = Prepare(lod, kLodVisual, skeleton);
  EXPECT_TRUE(HasLine(messages, "Warning: test.p3d:1, vertex: 0, sum of weights is 50, should be 100 "));
  EXPECT_TRUE(HasLine(messages, "Warning: test.p3d:1, vertex: 1, sum of weights is 40, should be 100 "));
  EXPECT_FALSE(HasLine(messages, "vertex: 2, sum"));
  const auto& w = shape.Vertices().Weights();
  EXPECT_EQ(w[0].count, 1);
  EXPECT_EQ(w[0].pairs[0][1], 255);
  ASSERT_EQ(w[1].count, 2);
  EXPECT_EQ(w[1].pairs[0][1] + w[1].pairs[1][1], 255);
  EXPECT_NEAR(w[1].pairs[0][1], 128, 1);
}

TEST_F(PrepareBonesTest, SharedRigidVerticesAreReportedByRelation) {
  auto skeleton = MakeSkeleton({{"a", ""}, {"b", "a"}, {"c", ""}});
  mlod::Lod lod = SeparateTriangles(2);
  lod.AddSelectionOf("a", {0, 1, 2}, {});
  lod.AddSelectionOf("b", {0}, {});
  lod.AddSelectionOf("c", {1}, {});
  Prepare(lod, kLodVisual, skeleton);
  EXPECT_TRUE(HasLine(messages, "Warning: test.p3d:1, vertices of bone b are shared with parent bone a"));
  EXPECT_TRUE(HasLine(messages, "Error: test.p3d:1, vertices of bone c are shared with bone a"));
}

TEST_F(PrepareBonesTest, BoneGroupsTravelTogether) {
  // With b and c grouped, a face on b needs c as well: two faces on a and b no longer
  // fit one section of two bones.
  auto skeleton = MakeSkeleton({{"a", ""}, {"b", ""}, {"c", ""}});
  skeleton->BoneGroups().push_back({1, 2});
  mlod::Lod lod = SeparateTriangles(2);
  lod.AddSelectionOf("a", {0, 1, 2}, {});
  lod.AddSelectionOf("b", {3, 4, 5}, {});
  Shape& shape = Prepare(lod, kLodVisual, skeleton, 2);
  ASSERT_EQ(shape.Sections().size(), 2u);
  EXPECT_EQ(shape.Sections()[1].boneWindowLength, 2);
  AutoArray<int> window(shape.SubSkeletonToSkeleton().begin() + shape.Sections()[1].boneWindowStart,
                        shape.SubSkeletonToSkeleton().begin() + shape.Sections()[1].boneWindowStart + 2);
  EXPECT_EQ(std::set<int>(window.begin(), window.end()), (std::set<int>{1, 2}));
}

TEST_F(PrepareBonesTest, UnusedSelectedBonesGetSlotsAfterTheWindows) {
  auto skeleton = MakeSkeleton({{"a", ""}, {"b", ""}, {"c", ""}});
  mlod::Lod lod = SeparateTriangles(1);
  lod.points.push_back({{5, 5, 5}, 0});  // a point no face uses
  lod.AddSelectionOf("c", {0, 1, 2}, {});
  lod.AddSelectionOf("a", {3}, {});
  Shape& shape = Prepare(lod, kLodVisual, skeleton);
  EXPECT_EQ(shape.SubSkeletonToSkeleton(), (AutoArray<int>{2, 0}));
  EXPECT_EQ(shape.SkeletonToSubSkeleton()[1], AutoArray<int>{});
}

TEST(BoneWindowPlacement, WindowsShareSlotsUpToTheLimit) {
  struct Row {
    const char* name;
    AutoArray<int> bones[2];
    int limit;
    AutoArray<int> slots;
    int windows[2][2];  // start and length of each section's window
  };
  const Row rows[] = {
      {"longer window at the same start stretches earlier sections", {{7}, {7, 8, 9}}, 4, {7, 8, 9}, {{0, 3}, {0, 3}}},
      {"shorter section takes the current length", {{1, 2, 3}, {2}}, 4, {1, 2, 3}, {{0, 3}, {0, 3}}},
      {"section needing more than the limit gets its own slots", {{1}, {1, 2, 3}}, 2, {1, 1, 2, 3}, {{0, 1}, {1, 3}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    AutoArray<BoneSection> sections(2);
    for (int s = 0; s < 2; ++s) sections[s].bones = row.bones[s];
    AutoArray<int> slots;
    PlaceBoneWindows(sections, slots, row.limit);
    EXPECT_EQ(slots, row.slots);
    for (int s = 0; s < 2; ++s) {
      EXPECT_EQ(sections[s].section.boneWindowStart, row.windows[s][0]) << "section " << s;
      EXPECT_EQ(sections[s].section.boneWindowLength, row.windows[s][1]) << "section " << s;
    }
  }
}

}  // namespace
