// The object classification: what a model file says decides the kind, map type, footprint,
// flags, record property, entity entry and road points of the objects placed from it; and
// the placement loads each model once.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "el/paramfile/param_file.h"
#include "el/qstream/qi_stream.h"
#include "engine/shape_bank.h"
#include "lib/landscape/object_classification.h"
#include "lib/landscape/object_placement.h"
#include "lib/landscape/testing/source_world_writer.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_model.h"
#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/captured_messages.h"
#include "tests/support/environment_variable.h"
#include "tests/support/temp_tree.h"

namespace {

constexpr float kGeometry = 1e13f;
constexpr float kMemory = 1e15f;
constexpr float kRoadway = 3e15f;

// A model of a 4 x 2 m grid (x 0..4, z 0..2) with the given geometry properties; without
// `geometry` it has a visual level only.
struct ModelTraits {
  bool geometry = true;
  std::vector<std::pair<std::string, std::string>> properties;
  bool mass = true;
  bool roadway = false;
  std::vector<std::pair<std::string, Vector3>> memoryPoints;
};

mlod::Model MakeModel(const ModelTraits& traits) {
  mlod::Model model;
  mlod::Lod visual = mlod::MakeGridLod(4, 2, 1.0f);
  model.lods.push_back(visual);
  if (traits.geometry) {
    mlod::Lod geometry = mlod::MakeGridLod(4, 2, kGeometry, "");
    geometry.AddProperty("autocenter", "0");
    for (const auto& [name, value] : traits.properties) geometry.AddProperty(name, value);
    if (traits.mass) geometry.AddMasses(std::vector<float>(geometry.points.size(), 10.0f));
    model.lods.push_back(geometry);
  }
  if (traits.roadway) model.lods.push_back(mlod::MakeGridLod(1, 1, kRoadway, ""));
  if (!traits.memoryPoints.empty()) {
    mlod::Lod memory;
    memory.resolution = kMemory;
    // Selections are sized by the points there are: all points first.
    for (const auto& named : traits.memoryPoints) memory.points.push_back({named.second, 0});
    for (size_t i = 0; i < traits.memoryPoints.size(); ++i)
      memory.AddSelectionOf(traits.memoryPoints[i].first, {static_cast<int>(i)}, {});
    model.lods.push_back(memory);
  }
  return model;
}

ModelClassification Classify(const ModelTraits& traits, const ParamClass* configClasses = nullptr) {
  const std::string bytes = mlod::WriteModel(MakeModel(traits));
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  LODShape shape;
  EXPECT_TRUE(shape.Load(in, "test.p3d"));
  return ClassifyModel(shape, configClasses);
}

ModelTraits WithMap(const std::string& map) { return ModelTraits{.properties = {{"map", map}}}; }

TEST(ClassifyTable, VegetationIsHardWithGeometryAndSoftWithout) {
  ModelClassification tree = Classify(WithMap("tree"));
  EXPECT_EQ(tree.kind, ObjectKind::kPrimary);
  EXPECT_EQ(tree.mapType, MapType::kTreeHard);
  EXPECT_EQ(tree.cellFlagByte, 3);
  EXPECT_EQ(tree.coverageWeight, CoverageWeight::kNormal);
  EXPECT_NEAR(tree.footprintSize, std::sqrt(4.0f * 2.0f), 1e-4f);
  EXPECT_EQ(tree.recordProperty, 2);  // a solid object

  // Without a geometry level there is no "map" property to read: a bush needs one.
  ModelClassification bush = Classify(WithMap("BUSH"));
  EXPECT_EQ(bush.mapType, MapType::kBushHard);
  ModelClassification plain = Classify(ModelTraits{.geometry = false});
  EXPECT_EQ(plain.mapType, MapType::kHide);
  EXPECT_EQ(plain.recordProperty, 0);
  EXPECT_EQ(plain.footprintSize, 0.0f);
  EXPECT_EQ(plain.cellFlagByte, 4);

  ModelClassification forest = Classify(WithMap("forest square"));
  EXPECT_EQ(forest.mapType, MapType::kForest);
  EXPECT_EQ(forest.coverageWeight, CoverageWeight::kHeavy);
}

TEST(ClassifyTable, StructuresAreBuildings) {
  ModelClassification house = Classify(WithMap("HOUSE"));
  EXPECT_EQ(house.kind, ObjectKind::kBuilding);
  EXPECT_EQ(house.mapType, MapType::kHouse);
  EXPECT_EQ(house.cellFlagByte, 16);
  EXPECT_TRUE(house.setsKindBit);
  EXPECT_EQ(Classify(WithMap("CHAPEL")).mapType, MapType::kChurch);
  EXPECT_EQ(Classify(WithMap("LIGHTHOUSE")).mapType, MapType::kBuilding);

  ModelTraits walkable = WithMap("HOUSE");
  walkable.roadway = true;
  EXPECT_EQ(Classify(walkable).cellFlagByte, 19);

  // A property class of a structure makes a building without a map type.
  ModelClassification classed = Classify(ModelTraits{.properties = {{"class", "House"}}});
  EXPECT_EQ(classed.kind, ObjectKind::kBuilding);
  EXPECT_EQ(classed.mapType, MapType::kHide);
  EXPECT_EQ(classed.cellFlagByte, 16);
  EXPECT_EQ(classed.propertyClass, "House");
}

TEST(ClassifyTable, MovingThingsAreNotStatic) {
  for (const char* name : {"vehicle", "thing", "man"}) {
    ModelClassification moving = Classify(ModelTraits{.properties = {{"map", "tree"}, {"class", name}}});
    EXPECT_EQ(moving.kind, ObjectKind::kVehicle) << name;
    EXPECT_FALSE(IsStaticKind(moving.kind)) << name;
    EXPECT_EQ(moving.cellFlagByte, 0) << name;
  }
  EXPECT_EQ(Classify(ModelTraits{.properties = {{"class", "temporary"}}}).kind, ObjectKind::kTemporary);
}

TEST(ClassifyTable, RoadPiecesCarryTheirConnectionPoints) {
  ModelTraits traits = WithMap("main road");
  traits.memoryPoints = {{"connect2", {0, 0, 10}}, {"connect1", {0, 0, -10}}, {"other", {5, 5, 5}}};
  ModelClassification road = Classify(traits);
  EXPECT_EQ(road.kind, ObjectKind::kNetwork);
  EXPECT_EQ(road.mapType, MapType::kRoad);
  EXPECT_TRUE(road.marksCell);
  EXPECT_EQ(road.cellFlagByte, 8);
  EXPECT_EQ(road.footprintSize, 0.0f);
  ASSERT_EQ(road.roadPoints.size(), 2u);
  EXPECT_EQ(road.roadPoints[0], (Vector3{0, 0, -10}));  // in the order of their names
  EXPECT_EQ(road.roadPoints[1], (Vector3{0, 0, 10}));

  LandscapeObject object;
  object.id = 42;
  object.transform = wrp::PlacedAt(100, 5, 200, std::numbers::pi_v<float> / 2);
  ApplyClassification(road, object);
  ASSERT_EQ(object.roadPoints.size(), 2u);
  EXPECT_NEAR(object.roadPoints[0].x, 90.0f, 1e-4f);  // -10 along z turned a quarter: -10 along x
  EXPECT_NEAR(object.roadPoints[0].z, 200.0f, 1e-4f);
  EXPECT_EQ(object.entityValue, 42u);
}

TEST(ClassifyTable, FootprintGrowsWithTheObjectsScale) {
  ModelClassification rock = Classify(WithMap("rock"));
  LandscapeObject object;
  object.transform.axisX = {2, 0, 0};
  object.transform.axisZ = {0, 0, 2};
  ApplyClassification(rock, object);
  EXPECT_NEAR(object.footprintSize, 2 * rock.footprintSize, 1e-4f);
  EXPECT_EQ(object.kind, ObjectKind::kPrimary);
  EXPECT_EQ(object.mapType, MapType::kRock);
}

TEST(ClassifyTable, RecordPropertyAndCellPropertyFromTheGeometry) {
  EXPECT_EQ(Classify(ModelTraits{.mass = false}).recordProperty, 1);
  EXPECT_FALSE(Classify(ModelTraits{}).hasCellProperty);
  EXPECT_TRUE(Classify(ModelTraits{.properties = {{"canocclude", "1"}}}).hasCellProperty);
}

TEST(ClassifyTable, EntityEntriesNeedAConfigurationClass) {
  ParamFile config;
  ParamClass* vehicles = config.AddClass("CfgVehicles");
  vehicles->AddClass("SampleShed");
  ModelClassification found =
      Classify(ModelTraits{.properties = {{"class", "house"}, {"configclass", "SampleShed"}}}, vehicles);
  EXPECT_EQ(found.configClass, "SampleShed");
  EXPECT_EQ(found.propertyClass, "house");
  EXPECT_FALSE(found.configClassMissing);

  ModelClassification missing =
      Classify(ModelTraits{.properties = {{"class", "house"}, {"configclass", "NoSuchShed"}}}, vehicles);
  EXPECT_EQ(missing.configClass, "NoSuchShed");
  EXPECT_TRUE(missing.configClassMissing);

  ModelClassification classless = Classify(ModelTraits{.properties = {{"configclass", "SampleShed"}}}, vehicles);
  EXPECT_EQ(classless.configClass, "SampleShed");
  EXPECT_TRUE(classless.propertyClass.empty());

  EXPECT_TRUE(Classify(ModelTraits{}, vehicles).configClass.empty());
}

TEST(ModelPlacement, EachModelIsLoadedOncePerWorld) {
  CapturedMessages messages;
  TempTree tree;
  ASSERT_TRUE(mlod::WriteModelFile(MakeModel(WithMap("tree")), tree / "tree.p3d"));
  // Names from a world are engine paths, found below the work drive.
  ScopedEnvironment workDrive("KILNIFY_WORK_DRIVE", tree.Root().string());
  const RString model = "tree.p3d";
  const RString missing = "gone.p3d";
  Shapes().ClearAll();
  ModelObjectPlacer placer(55, nullptr);
  Landscape land;
  for (int i = 0; i < 1000; ++i) {
    EXPECT_TRUE(placer.PlaceObject(land, i, model, wrp::PlacedAt(1, 2, 3), model));
    EXPECT_FALSE(placer.PlaceObject(land, i, missing, wrp::PlacedAt(1, 2, 3), missing));
  }
  EXPECT_EQ(placer.ModelsLoaded(), 1);
  EXPECT_EQ(Shapes().Size(), 1u);
  ASSERT_EQ(land.objects.size(), 1000u);
  EXPECT_EQ(land.objects[999].id, 999);
  EXPECT_EQ(land.objects[999].mapType, MapType::kTreeHard);
  // The missing model was tried once: one message, not a thousand.
  EXPECT_EQ(messages.errorLines.size(), 1u) << messages.Text();

  // A model held by the bank already is not loaded again.
  ModelObjectPlacer second(55, nullptr);
  EXPECT_TRUE(second.PlaceObject(land, 1, model, wrp::PlacedAt(1, 2, 3), model));
  EXPECT_EQ(second.ModelsLoaded(), 0);
  EXPECT_EQ(Shapes().Size(), 1u);
  Shapes().ClearAll();
}

TEST(ModelPlacement, ConvertedModelsClassifyLikeTheirSource) {
  CapturedMessages messages;
  TempTree tree;
  ModelTraits traits = WithMap("main road");
  traits.properties.push_back({"class", "road"});
  traits.memoryPoints = {{"connect1", {0, 0, 0}}, {"connect2", {0, 0, 2}}};
  const std::string bytes = mlod::WriteModel(MakeModel(traits));
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  LODShape source;
  ASSERT_TRUE(source.Load(in, "road.p3d"));
  const RString converted = (tree / "road.p3d").string();
  ASSERT_TRUE(SaveRuntimeModel(source, converted));
  Shapes().ClearAll();
  ModelObjectPlacer placer(55, nullptr);
  Landscape land;
  ASSERT_TRUE(placer.PlaceObject(land, 3, "road.p3d", wrp::PlacedAt(0, 0, 0), converted));
  const ModelClassification expected = ClassifyModel(source, nullptr);
  const LandscapeObject& object = land.objects[0];
  EXPECT_EQ(object.kind, ObjectKind::kNetwork);
  EXPECT_EQ(object.mapType, expected.mapType);
  EXPECT_EQ(object.cellFlagByte, expected.cellFlagByte);
  EXPECT_EQ(object.recordProperty, expected.recordProperty);
  EXPECT_EQ(object.propertyClass, "road");
  EXPECT_EQ(object.roadPoints, expected.roadPoints);
  EXPECT_EQ(object.roadPoints.size(), 2u);
  Shapes().ClearAll();
}

}  // namespace
