// Model-level preparation: LOD intake, centring, shrinking, shadows, properties, the
// face sort and proxies, through LODShape::Load.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/process_flags.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/prepare_properties.h"
#include "tests/lib/shape/prepare_test_support.h"

namespace {

using prepare_test::GeometryLod;
using shape_test::HasLine;
using shape_test::TriangleLod;

// A triangle LOD moved by (dx, dy, dz).
mlod::Lod MovedTriangle(float resolution, float dx, float dy, float dz) {
  mlod::Lod lod = TriangleLod(resolution);
  for (mlod::Point& p : lod.points) p.position = {p.position.x + dx, p.position.y + dy, p.position.z + dz};
  return lod;
}

class PrepareModelTest : public shape_test::ShapeTest {
 protected:
  void TearDown() override {
    SetShrinkModels(false);
    ShapeTest::TearDown();
  }
  bool Load(const std::vector<mlod::Lod>& lods, const std::string& relative = "m/model.p3d") {
    std::string path = prepare_test::WriteModel(tree, relative, shape_test::ModelOf(lods));
    return model.Load(path);
  }
  TempTree tree;
};

TEST_F(PrepareModelTest, ModelIsCentredOnItsBoundingBox) {
  ASSERT_TRUE(Load({MovedTriangle(1.0f, 10, 4, -2)}));
  const LODShapeBounds& b = model.Bounds();
  EXPECT_FLOAT_EQ(b.center.x, 10.5f);
  EXPECT_FLOAT_EQ(b.center.y, 4.0f);
  EXPECT_FLOAT_EQ(b.center.z, -1.5f);
  EXPECT_FLOAT_EQ(b.min.x, -0.5f);
  EXPECT_FLOAT_EQ(b.max.x, 0.5f);
  const Shape& lod = *model.Lod(0);
  EXPECT_FLOAT_EQ(lod.Points()[0].x, -0.5f);
  EXPECT_FLOAT_EQ(lod.Vertices().Position(0).x, -0.5f);
  EXPECT_FLOAT_EQ(lod.Vertices().Position(0).z, -0.5f);
  EXPECT_NEAR(b.radius, std::sqrt(0.5f), 1e-5f);
}

TEST_F(PrepareModelTest, AutocenterZeroLeavesTheModelWhereItIs) {
  ASSERT_TRUE(Load({MovedTriangle(1.0f, 10, 0, 0), GeometryLod({{"autocenter", "0"}})}));
  EXPECT_FALSE(model.PropertyValues().autoCenter);
  EXPECT_FLOAT_EQ(model.Bounds().center.x, 0.0f);
  EXPECT_FLOAT_EQ(model.Lod(0)->Points()[0].x, 10.0f);
}

TEST_F(PrepareModelTest, ShrinkKeepsTheLastVisualLodInSlotZero) {
  SetShrinkModels(true);
  mlod::Lod third = prepare_test::SeparateTriangles(2, 3.0f);
  ASSERT_TRUE(Load({TriangleLod(1.0f), TriangleLod(2.0f), third, GeometryLod({}), TriangleLod(10000.0f),
                    TriangleLod(1.5e16f)}));
  ASSERT_EQ(model.NLods(), 4);  // shadow volume and view geometry dropped
  EXPECT_EQ(model.Lod(0), model.Lod(2));
  EXPECT_EQ(model.Lod(0)->NFaces(), 2);
  EXPECT_EQ(model.Lod(1)->NFaces(), 0);
  EXPECT_EQ(model.Lod(1)->NVertices(), 0);
  EXPECT_FLOAT_EQ(model.Resolution(0), 1.0f);
  EXPECT_EQ(model.Special().geometry, 3);
  // Moved once although it sits in two slots: the kept LOD spans x -1.5 ... 1.5 before
  // centring on the whole model's box.
  float minX = 1e9f, maxX = -1e9f;
  for (const Vector3& p : model.Lod(0)->Points()) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
  }
  EXPECT_FLOAT_EQ(maxX - minX, 3.0f);
  EXPECT_FLOAT_EQ(model.Bounds().min.x, minX);
}

TEST_F(PrepareModelTest, ShadowVolumesWaitForTheShadowStep) {
  ASSERT_TRUE(Load({TriangleLod(1.0f), TriangleLod(10000.0f), TriangleLod(10010.0f), GeometryLod({})}));
  // No "sbsource": the set-aside volumes become shadow-buffer LODs and the source is 1.
  ASSERT_EQ(model.NLods(), 4);
  EXPECT_FLOAT_EQ(model.Resolution(2), 11000.0f);
  EXPECT_FLOAT_EQ(model.Resolution(3), 11010.0f);
  EXPECT_EQ(model.Special().shadowBuffer, 2);
  EXPECT_EQ(model.Special().shadowBufferCount, 2);
  EXPECT_EQ(model.PropertyValues().sbSource, 1);
  EXPECT_TRUE(model.PropertyValues().preferShadowVolume);
  // Prepared as shadow-buffer LODs: no material, only the shadow flag bits.
  for (const ShapeSection& section : model.Lod(2)->Sections()) {
    EXPECT_EQ(section.materialIndex, -1);
    EXPECT_EQ(section.special & ~0x10000220u, 0u);
  }
}

TEST_F(PrepareModelTest, SbSourceAndItsMessages) {
  struct Row {
    const char* sbsource;
    bool visualLod, shadowBufferLod, shadowVolumeLod;
    int source;
    const char* message;  // expected message part, or ""
  };
  const Row rows[] = {
      {"visual", true, false, false, 0, ""},
      {"visual", true, true, false, 0,
       ": Shadow buffer levels are present, but visual LODs for SB rendering are required (in sbsource property)"},
      // No visual LOD: shadows cannot come from visual LODs.
      {"visual", false, false, false, 3, "Shadows cannot be drawn for this model, but 'visual' source is specified"},
      {"explicit", true, true, false, 2, ""},
      {"explicit", true, false, false, 3,
       "Explicit shadow buffer levels are required (in sbsource property), but no one is present - forcing 'none'"},
      {"shadowvolume", true, false, true, 2, "Overriding shadow volume to autoselect from suitable geometrical LOD"},
      {"none", true, false, true, 3, ""},
      {"", true, false, false, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "sbsource '" << row.sbsource << "', visual " << row.visualLod
                                    << ", shadow buffer " << row.shadowBufferLod << ", volume " << row.shadowVolumeLod);
    std::vector<mlod::Lod> lods;
    if (row.visualLod) lods.push_back(TriangleLod(1.0f));
    if (row.shadowBufferLod) lods.push_back(TriangleLod(11000.0f));
    if (row.shadowVolumeLod) lods.push_back(TriangleLod(10000.0f));
    lods.push_back(GeometryLod({{"sbsource", row.sbsource}}));
    messages.Clear();
    LODShape shape;
    ASSERT_TRUE(shape.Load(prepare_test::WriteModel(tree, "m/sbsource.p3d", shape_test::ModelOf(lods))));
    EXPECT_EQ(shape.PropertyValues().sbSource, row.source);
    if (*row.message) {
      EXPECT_TRUE(HasLine(messages, row.message)) << messages.Text();
    }
  }
}

TEST_F(PrepareModelTest, HybridShadowPrefersNoShadowVolume) {
  ASSERT_TRUE(Load({TriangleLod(1.0f), TriangleLod(10000.0f),
                    GeometryLod({{"shadow", "hybrid"}, {"prefershadowvolume", "1"}})}));
  EXPECT_EQ(model.PropertyValues().sbSource, 0);
  EXPECT_FALSE(model.PropertyValues().preferShadowVolume);
  EXPECT_EQ(model.NLods(), 2);  // the volume stays out
}

TEST_F(PrepareModelTest, ShadowVolumeSourceAddsVolumesShiftedLikeTheModel) {
  ASSERT_TRUE(Load({MovedTriangle(1.0f, 4, 0, 0), MovedTriangle(10000.0f, 4, 0, 0),
                    GeometryLod({{"sbsource", "shadowvolume"}, {"autocenter", "1"}})}));
  ASSERT_EQ(model.NLods(), 3);
  EXPECT_FLOAT_EQ(model.Resolution(2), 11000.0f);
  // Both LODs end up at the same place.
  EXPECT_FLOAT_EQ(model.Lod(2)->Points()[1].x, model.Lod(0)->Points()[1].x);
}

TEST(MapTypes, TableNamesAndFallback) {
  CapturedMessages messages;
  EXPECT_EQ(MapTypeIndex("TREE", "m"), 0);
  EXPECT_EQ(MapTypeIndex("house", "m"), 4);
  EXPECT_EQ(MapTypeIndex("View-Tower", "m"), 15);
  EXPECT_EQ(MapTypeIndex("power lines", "m"), 34);
  EXPECT_EQ(MapTypeIndex("WATERSPRING", "m"), 44);
  EXPECT_EQ(MapTypeIndex("", "m"), 22);
  EXPECT_TRUE(messages.lines.empty());
  EXPECT_EQ(MapTypeIndex("castle", "m"), 22);
  EXPECT_TRUE(HasLine(messages, "m: Unknown map type castle"));
}

TEST_F(PrepareModelTest, GeometryPropertiesReachTheModel) {
  ASSERT_TRUE(Load({TriangleLod(1.0f), GeometryLod({{"map", "church"},
                                                    {"dammage", "tree"},
                                                    {"class", "house"},
                                                    {"armor", "0"},
                                                    {"drawimportance", "1e6"},
                                                    {"canocclude", "1"},
                                                    {"frequent", "1"},
                                                    {"forcenotalpha", "1"},
                                                    {"generateoffmeshconnections", "0"},
                                                    {"prefershadowvolume", "0"},
                                                    {"shadowoffset", "0.25"}})}));
  const LODShapePropertyValues& v = model.PropertyValues();
  EXPECT_EQ(v.mapType, 8);
  EXPECT_EQ(v.damage, "tree");
  EXPECT_EQ(v.className, "house");
  EXPECT_FLOAT_EQ(model.Bounds().armor, 0.0f);
  EXPECT_FLOAT_EQ(model.Bounds().invArmor, 1e10f);
  EXPECT_FLOAT_EQ(v.drawImportance, 10000.0f);
  EXPECT_TRUE(v.canOcclude);
  EXPECT_FALSE(v.canBeOccluded);
  EXPECT_TRUE(v.frequent);
  EXPECT_TRUE(v.forceNotAlpha);
  EXPECT_FALSE(v.generateOffMeshConnections);
  EXPECT_FALSE(v.preferShadowVolume);
  EXPECT_FLOAT_EQ(v.shadowOffset, 0.25f);
}

TEST_F(PrepareModelTest, PropertiesOfVisualLodsDoNotCount) {
  mlod::Lod visual = TriangleLod(1.0f);
  visual.AddProperty("map", "church");
  visual.AddProperty("armor", "0");
  ASSERT_TRUE(Load({visual}));
  EXPECT_EQ(model.PropertyValues().mapType, 22);
  EXPECT_FLOAT_EQ(model.Bounds().armor, 200.0f);
  EXPECT_FLOAT_EQ(model.PropertyValues().shadowOffset, 3.4028235e38f);
}

TEST_F(PrepareModelTest, LodDensityFollowsTheBoxDiagonal) {
  ASSERT_TRUE(Load({TriangleLod(1.0f)}));  // diagonal sqrt(2)
  EXPECT_FLOAT_EQ(model.Bounds().lodDensityCoef, 0.02f);
  LODShape big;
  mlod::Lod lod = TriangleLod(1.0f);
  lod.points[1].position.x = 6.0f;  // diagonal sqrt(36 + 1) ~ 6.08
  std::string path = prepare_test::WriteModel(tree, "m/big.p3d", shape_test::ModelOf({lod}));
  ASSERT_TRUE(big.Load(path));
  EXPECT_NEAR(big.Bounds().lodDensityCoef, 0.02f + (std::sqrt(37.0f) - 2.5f) * 0.010666667f, 1e-5f);
}

TEST_F(PrepareModelTest, EmptyLaterVisualLodIsReported) {
  mlod::Lod empty;
  empty.resolution = 2.0f;
  ASSERT_TRUE(Load({TriangleLod(1.0f), empty}));
  EXPECT_TRUE(HasLine(messages, "Error: Empty LOD (2) detected in shape "));
}

TEST_F(PrepareModelTest, AlphaFacesFormTheLastSections) {
  mlod::Lod lod = prepare_test::SeparateTriangles(4);
  lod.faces[0].texture = "data\\glass.tga";  // may have alpha
  lod.faces[1].texture = "data\\b_co.paa";
  lod.faces[2].texture = "data\\a_co.paa";
  lod.faces[3].texture = "data\\b_co.paa";
  lod.AddSelectionOf("first", {}, {0});
  ASSERT_TRUE(Load({lod}));
  const Shape& shape = *model.Lod(0);
  ASSERT_EQ(shape.Sections().size(), 3u);
  EXPECT_NE(shape.Sections()[0].special & 0x20000u, 0x20000u);
  EXPECT_NE(shape.Sections()[1].special & 0x20000u, 0x20000u);
  EXPECT_EQ(shape.Sections()[2].special & 0x20000u, 0x20000u);
  // The two faces with the same texture are one section.
  EXPECT_EQ(shape.Sections()[0].end - shape.Sections()[0].beg + shape.Sections()[1].end - shape.Sections()[1].beg, 24);
  // The selection follows its face to the end.
  const NamedSelection& first = shape.Selections()[static_cast<size_t>(shape.FindSelection("first"))];
  EXPECT_EQ(first.Faces(), AutoArray<int>{3});
  EXPECT_EQ(first.Sections(), AutoArray<int>{2});
  EXPECT_GT(shape.Sections()[0].areaOverTex[0], 0.0f);
  EXPECT_FLOAT_EQ(shape.Area(), 2.0f);
}

TEST_F(PrepareModelTest, ProxySelectionsBecomeProxies) {
  mlod::Lod lod = prepare_test::SeparateTriangles(2);
  lod.AddSelectionOf("proxy:\\data\\crate.02", {3, 4, 5}, {1});
  lod.AddSelectionOf("proxy:bad", {0, 1, 2, 3}, {0});
  ASSERT_TRUE(Load({lod}));
  const Shape& shape = *model.Lod(0);
  ASSERT_EQ(shape.Proxies().size(), 1u);
  const ProxyObject& proxy = shape.Proxies()[0];
  EXPECT_EQ(proxy.name, "\\data\\crate");
  EXPECT_EQ(proxy.id, 2);
  ASSERT_GE(proxy.sectionIndex, 0);
  EXPECT_EQ(shape.Sections()[static_cast<size_t>(proxy.sectionIndex)].textureIndex, -1);
  EXPECT_EQ(proxy.boneIndex, -1);
  // Right angle at the first corner: z along the longer edge (here both are 1: x), unit axes.
  EXPECT_NEAR(proxy.transform.axisZ.x * proxy.transform.axisZ.x + proxy.transform.axisZ.z * proxy.transform.axisZ.z,
              1.0f, 1e-5f);
  EXPECT_TRUE(HasLine(messages, ": Bad proxy object definition proxy:bad"));
}

TEST_F(PrepareModelTest, AnimationTypeFromFlagsAndProperties) {
  mlod::Lod surface = TriangleLod(1.0f);
  for (mlod::Point& p : surface.points) p.flags = 0x1;  // on surface
  mlod::Lod decal = TriangleLod(1.0f);
  for (mlod::Point& p : decal.points) p.flags = 0x100;
  struct Row {
    const char* name;
    std::vector<mlod::Lod> lods;
    ModelAnimationType type;
    const char* message;  // expected message part, or ""
  };
  const Row rows[] = {
      {"still", {TriangleLod(1.0f)}, ModelAnimationType::None, ""},
      {"land flags in one LOD only", {surface, TriangleLod(2.0f)}, ModelAnimationType::Software,
       " - Not all levels have On Surface set"},
      {"decal flags", {decal}, ModelAnimationType::Software, " - Decal flags, no longer supported, forcing SW rendering"},
      {"animated property", {TriangleLod(1.0f), GeometryLod({{"animated", "1"}})}, ModelAnimationType::Software, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LODShape shape;
    ASSERT_TRUE(shape.Load(prepare_test::WriteModel(tree, "m/animation.p3d", shape_test::ModelOf(row.lods))));
    EXPECT_EQ(shape.AnimationType(), row.type);
    if (*row.message) {
      EXPECT_TRUE(HasLine(messages, row.message)) << messages.Text();
    }
  }
}

TEST_F(PrepareModelTest, SpecialIndicesFollowTheKeptLods) {
  ASSERT_TRUE(Load({TriangleLod(1.0f), TriangleLod(2.0f), TriangleLod(1e15f), GeometryLod({}),
                    TriangleLod(10000.0f)}));
  const SpecialLodIndices& s = model.Special();
  EXPECT_EQ(s.visualLodCount, 2);
  EXPECT_EQ(s.memory, 2);
  EXPECT_EQ(s.geometry, 3);
  EXPECT_EQ(s.shadowVolume, -1);
  EXPECT_EQ(s.shadowBuffer, 4);
  EXPECT_EQ(s.shadowLodLimit, 0);
}

// Damaged models go through the whole preparation without crashing.
TEST_F(PrepareModelTest, DamagedModelsArePreparedSafely) {
  mlod::Lod visual = prepare_test::SeparateTriangles(3);
  visual.AddSelectionOf("proxy:x.1", {0, 1, 2}, {0});
  visual.AddSelectionOf("a", {3, 4}, {1});
  visual.AddSelectionOf("b", {4, 5, 6}, {});
  visual.AddSelectionOf("c", {0, 6, 7, 8}, {});
  tree.Write("s/model.cfg",
             "class CfgSkeletons { class S { skeletonBones[] = {\"a\", \"\", \"b\", \"a\", \"c\", \"\"}; }; };\n"
             "class CfgModels { class damaged { skeletonName = \"S\"; }; };\n");
  mlod::Lod geometry = GeometryLod({{"sbsource", "shadowvolume"}, {"map", "house"}});
  std::string bytes = mlod::WriteModel(shape_test::ModelOf({visual, TriangleLod(10000.0f), geometry}));
  uint32_t state = 12345;
  auto next = [&state] { return state = state * 1664525u + 1013904223u; };
  messages.lines.clear();
  SetNoLogs(true);
  for (int round = 0; round < 300; ++round) {
    std::string damaged = bytes;
    for (int k = 0; k < 4; ++k) damaged[next() % damaged.size()] = static_cast<char>(next() >> 24);
    tree.Write("s/damaged.p3d", damaged);
    LODShape shape;
    shape.Load((tree / "s/damaged.p3d").string(), 1 + static_cast<int>(next() % 4));
    for (int i = 0; i < shape.NLods(); ++i) {
      const Shape& lod = *shape.Lod(i);
      int previousEnd = 0;
      for (const ShapeSection& section : lod.Sections()) {
        EXPECT_EQ(section.beg, previousEnd);
        previousEnd = section.end;
      }
      if (!lod.Sections().empty()) {
        EXPECT_EQ(previousEnd, lod.Faces().End());
      }
    }
  }
  SetNoLogs(false);
}

}  // namespace
