// Runs of the built converter over folders of worlds: source worlds of several versions,
// broken worlds, missing models, runtime worlds written again, -GX1, the world's class
// and converted models below the textures folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "el/qstream/qi_file_stream.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/runtime_world.h"
#include "lib/landscape/testing/source_world_writer.h"
#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

constexpr float kGeometry = 1e13f;

ProgramResult Kilnify(const TempTree& tree, std::vector<std::string> args) {
  return RunProgram(BuiltProgram("kilnify"), args, {.workingFolder = tree.Root()});
}

// A model of a 2 x 2 m grid whose geometry level names the map type `map`.
void WriteModel(const TempTree& tree, const std::string& relative, const std::string& map) {
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f));
  mlod::Lod geometry = mlod::MakeGridLod(2, 2, kGeometry, "");
  geometry.AddProperty("map", map);
  geometry.AddMasses(std::vector<float>(geometry.points.size(), 5.0f));
  model.lods.push_back(geometry);
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / relative));
}

// A world of 16 x 16 cells of 10 m with a tree and a house (model names in engine form,
// relative to the run's folder).
wrp::World SmallWorld(int version) {
  wrp::World world = wrp::MakeFlatWorld(version, 16, 32, 10.0f, 5.0f);
  world.objects.push_back({11, "models\\tree.p3d", wrp::PlacedAt(15, 5, 25), 1.5f, 2.5f, 0, 0});
  world.objects.push_back({12, "models\\house.p3d", wrp::PlacedAt(95, 5, 105), 9.5f, 10.5f, 0, 0});
  return world;
}

// The runtime world written to `relative`; the load's error code in `error`.
Landscape LoadOutput(const TempTree& tree, const std::string& relative, int& error) {
  Landscape land;
  QIFStream in;
  error = in.Open((tree / relative).string()) ? LoadRuntimeWorld(land, in, "test") : -1;
  return land;
}

int32_t VersionOf(const std::string& bytes) {
  int32_t version = -1;
  if (bytes.size() >= 8) std::memcpy(&version, bytes.data() + 4, 4);
  return version;
}

std::map<ObjectKind, int> KindCounts(const Landscape& land) {
  std::map<ObjectKind, int> counts;
  for (const LandscapeObject& object : land.objects) ++counts[object.kind];
  return counts;
}

class WorldRun : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteModel(tree, "models/tree.p3d", "tree");
    WriteModel(tree, "models/house.p3d", "house");
  }
  TempTree tree;
};

TEST_F(WorldRun, ConvertsWorldsOfEveryVersion) {
  for (int version = 2; version <= 8; ++version)
    ASSERT_TRUE(wrp::WriteWorldFile(SmallWorld(version), tree / ("src/w" + std::to_string(version) + ".wrp")));
  ProgramResult result = Kilnify(tree, {"src", "dst"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(WithoutSummary(result.err), "");
  for (int version = 2; version <= 8; ++version) {
    const std::string name = "w" + std::to_string(version);
    EXPECT_NE(result.out.find("Convert world src\\" + name + ".wrp -> dst\\" + name + ".wrp\n<world = \"src\\" + name +
                              ".wrp\">\nTotal 2 objects, max. id " + (version <= 3 ? "2" : "12") + "\n"),
              std::string::npos)
        << result.out;
    const std::string bytes = tree.Read("dst/" + name + ".wrp");
    EXPECT_EQ(bytes.substr(0, 4), "OPRW");
    EXPECT_EQ(VersionOf(bytes), 28);
    int error = 0;
    Landscape land = LoadOutput(tree, "dst/" + name + ".wrp", error);
    ASSERT_EQ(error, 0) << name;
    EXPECT_EQ(land.landWidth, 16);
    EXPECT_EQ(land.terrainWidth, version < 5 ? 16 : 32) << name;
    ASSERT_EQ(land.objects.size(), 2u) << name;
    EXPECT_EQ(land.objects[0].mapType, MapType::kTreeHard) << name;
    EXPECT_EQ(land.objects[1].kind, ObjectKind::kBuilding) << name;
    EXPECT_EQ(land.objects[1].modelName, "models\\house.p3d") << name;
  }
  size_t ends = 0;
  for (size_t at = result.out.find("[InitGeography] done\n</world>\n"); at != std::string::npos;
       at = result.out.find("[InitGeography] done\n</world>\n", at + 1))
    ++ends;
  EXPECT_EQ(ends, 7u);
}

TEST_F(WorldRun, BrokenWorldIsReportedAndTheRunGoesOn) {
  wrp::World huge = SmallWorld(8);
  huge.landWidth = huge.landHeight = 1 << 30;
  ASSERT_TRUE(wrp::WriteWorldFile(huge, tree / "src/a_huge.wrp"));
  tree.Write("src/b_garbage.wrp", "9WVR and some bytes that are no world");
  ASSERT_TRUE(wrp::WriteWorldFile(SmallWorld(8), tree / "src/c_good.wrp"));
  ProgramResult result = Kilnify(tree, {"src", "dst"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.err.find("Cannot load world 'src\\a_huge.wrp'\n"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("Cannot load world 'src\\b_garbage.wrp'\n"), std::string::npos) << result.err;
  int error = 0;
  Landscape good = LoadOutput(tree, "dst/c_good.wrp", error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(good.objects.size(), 2u);
  // A broken world is still written, as far as it was read: here nothing.
  Landscape broken = LoadOutput(tree, "dst/b_garbage.wrp", error);
  EXPECT_EQ(error, 0);
  EXPECT_TRUE(broken.objects.empty());
}

TEST_F(WorldRun, ModelNamesNeverReachHostFilesOutsideTheWorkDrive) {
  // A real model outside the work drive, named by its absolute path and by climbing to it.
  TempTree outside;
  WriteModel(outside, "bait.p3d", "house");
  const std::string rooted = "\\" + outside.Root().relative_path().string() + "\\bait.p3d";
  std::string engineRooted = rooted;
  for (char& c : engineRooted) if (c == '/') c = '\\';
  wrp::World world = SmallWorld(8);
  world.objects.push_back({13, engineRooted, wrp::PlacedAt(50, 5, 50)});
  world.objects.push_back({14, "..\\..\\..\\..\\..\\..\\bait.p3d", wrp::PlacedAt(60, 5, 50)});
  ASSERT_TRUE(wrp::WriteWorldFile(world, tree / "src/w.wrp"));
  ProgramResult result = Kilnify(tree, {"src", "dst"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("Unable to process object \"" + engineRooted + "\". id: 13\n"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("Unable to process object \"..\\..\\..\\..\\..\\..\\bait.p3d\". id: 14\n"),
            std::string::npos);
  // Each name is reported once, with the world that holds it.
  EXPECT_NE(result.err.find("Name " + engineRooted + " in src\\w.wrp was not found"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("in src\\w.wrp"), result.err.rfind("in src\\w.wrp")) << result.err;
  int error = 0;
  Landscape land = LoadOutput(tree, "dst/w.wrp", error);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(land.objects.size(), 2u);
}

TEST_F(WorldRun, ObjectsOfMissingModelsAreSkipped) {
  wrp::World world = SmallWorld(7);
  world.objects.push_back({13, "models\\gone.p3d", wrp::PlacedAt(50, 5, 50)});
  world.objects.push_back({14, "models\\gone.p3d", wrp::PlacedAt(60, 5, 50)});
  ASSERT_TRUE(wrp::WriteWorldFile(world, tree / "src/w.wrp"));
  ProgramResult result = Kilnify(tree, {"src", "dst"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("Unable to process object \"models\\gone.p3d\". id: 13\n"), std::string::npos);
  EXPECT_NE(result.out.find("Unable to process object \"models\\gone.p3d\". id: 14\n"), std::string::npos);
  EXPECT_NE(result.out.find("Total 4 objects, max. id 14\n"), std::string::npos) << result.out;
  // The missing model is looked for once and reported once, with the place tried.
  EXPECT_EQ(WithoutSummary(result.err),
            "Name models\\gone.p3d in src\\w.wrp was not found; tried work drive " + tree.Root().string() + "\n");
  int error = 0;
  Landscape land = LoadOutput(tree, "dst/w.wrp", error);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(land.objects.size(), 2u);
}

TEST_F(WorldRun, RuntimeWorldIsLoadedAndWrittenAgain) {
  ASSERT_TRUE(wrp::WriteWorldFile(SmallWorld(8), tree / "src/w.wrp"));
  ASSERT_EQ(Kilnify(tree, {"src", "dst"}).exitCode, 0);
  std::filesystem::create_directories(tree / "again");
  std::filesystem::copy_file(tree / "dst/w.wrp", tree / "again/w.wrp");
  ProgramResult result = Kilnify(tree, {"again", "dst2"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(WithoutSummary(result.err), "");
  // No source reader ran: no object list was read.
  EXPECT_EQ(result.out.find("Total "), std::string::npos) << result.out;
  int firstError = 0, secondError = 0;
  Landscape first = LoadOutput(tree, "dst/w.wrp", firstError);
  Landscape second = LoadOutput(tree, "dst2/w.wrp", secondError);
  ASSERT_EQ(firstError, 0);
  ASSERT_EQ(secondError, 0);
  EXPECT_EQ(second.heights, first.heights);
  EXPECT_EQ(second.cellFlags, first.cellFlags);
  EXPECT_EQ(second.soundMap, first.soundMap);
  ASSERT_EQ(second.objects.size(), first.objects.size());
  EXPECT_EQ(KindCounts(second), KindCounts(first));
  EXPECT_EQ(tree.Read("dst2/w.wrp"), tree.Read("dst/w.wrp"));
}

TEST_F(WorldRun, OlderFormatOnRequest) {
  ASSERT_TRUE(wrp::WriteWorldFile(SmallWorld(4), tree / "src/w.wrp"));
  ASSERT_TRUE(mlod::WriteModelFile([] {
    mlod::Model model;
    model.lods.push_back(mlod::MakeGridLod(1, 1, 1.0f));
    return model;
  }(), tree / "src/m.p3d"));
  ProgramResult result = Kilnify(tree, {"-GX1", "src", "dst"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(VersionOf(tree.Read("dst/w.wrp")), 3);
  EXPECT_EQ(tree.Read("dst/m.p3d").substr(0, 4), "ODOL");  // models are not affected
  int error = 0;
  Landscape land = LoadOutput(tree, "dst/w.wrp", error);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(land.landWidth, 16);
}

TEST_F(WorldRun, ClassIsNamedByTheFileNameUpToItsFirstDot) {
  tree.Write("src/config.cpp",
             "class CfgWorlds { class DefaultWorld { LandGrid = 10; }; class island { LandGrid = 25; }; };\n");
  // Version 4 takes its cell size from LandGrid of the world's class.
  ASSERT_TRUE(wrp::WriteWorldFile(SmallWorld(4), tree / "src/island.old.wrp"));
  ASSERT_TRUE(wrp::WriteWorldFile(SmallWorld(4), tree / "src/other.wrp"));
  ProgramResult result = Kilnify(tree, {"src", "dst"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  int error = 0;
  EXPECT_EQ(LoadOutput(tree, "dst/island.old.wrp", error).cellSize, 25.0f);
  EXPECT_EQ(LoadOutput(tree, "dst/other.wrp", error).cellSize, 10.0f);
}

TEST_F(WorldRun, ConvertedModelBelowTheTexturesFolderIsUsedWhenNotOlder) {
  // The copy below the textures folder says "house" where the source model says "tree".
  WriteModel(tree, "textures/models/tree.p3d", "house");
  ASSERT_TRUE(wrp::WriteWorldFile(SmallWorld(8), tree / "src/w.wrp"));
  ASSERT_TRUE(wrp::WriteWorldFile(SmallWorld(5), tree / "src/old.wrp"));
  tree.SetWriteTime("models/tree.p3d", 1000000000);
  tree.SetWriteTime("textures/models/tree.p3d", 1000000100);
  ProgramResult result = Kilnify(tree, {"-textures=textures", "src", "dst"});
  EXPECT_EQ(result.exitCode, 0);
  int error = 0;
  Landscape land = LoadOutput(tree, "dst/w.wrp", error);
  ASSERT_EQ(land.objects.size(), 2u);
  EXPECT_EQ(land.objects[0].mapType, MapType::kHouse);
  EXPECT_EQ(land.objects[0].modelName, "models\\tree.p3d");  // the object keeps its model's name
  // Before version 6 the source model is always used.
  EXPECT_EQ(LoadOutput(tree, "dst/old.wrp", error).objects[0].mapType, MapType::kTreeHard);

  // An older copy is passed over.
  tree.SetWriteTime("textures/models/tree.p3d", 999999000);
  result = Kilnify(tree, {"-always", "-textures=textures", "src", "dst"});
  EXPECT_EQ(LoadOutput(tree, "dst/w.wrp", error).objects[0].mapType, MapType::kTreeHard);
}

TEST(SampleTerrain, ConvertsWithTheSampleModels) {
  TempTree tree;
  ASSERT_EQ(RunProgram(BuiltProgram("kilnify-sample"), {tree.Root().string()}).exitCode, 0);
  ProgramResult result =
      RunProgram(BuiltProgram("kilnify"), {"-addon=kilnify_sample", "kilnify_sample", "converted"},
                 {.workingFolder = tree.Root(), .environment = {"KILNIFY_WORK_DRIVE=" + tree.Root().string()}});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(WithoutSummary(result.err), "");
  EXPECT_NE(result.out.find("<world = \"kilnify_sample\\world\\sample_island.wrp\">\nTotal 590 objects, max. id 590\n"),
            std::string::npos)
      << result.out;
  int error = 0;
  Landscape land = LoadOutput(tree, "converted/world/sample_island.wrp", error);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(land.landWidth, 256);
  EXPECT_EQ(land.terrainWidth, 512);
  EXPECT_EQ(land.objects.size(), 590u);  // every object found its model
  EXPECT_EQ(land.textures.size(), 4u);
  EXPECT_FALSE(land.peaks.empty());
  std::map<ObjectKind, int> kinds = KindCounts(land);
  EXPECT_EQ(kinds[ObjectKind::kNetwork], 210);
  EXPECT_EQ(kinds[ObjectKind::kBuilding], 30);  // 24 houses and 6 crates
  size_t roads = 0;
  for (const auto& cell : land.roads) roads += cell.size();
  EXPECT_EQ(roads, 210u);
  // The lake: cells under water.
  EXPECT_TRUE(std::any_of(land.cellFlags.begin(), land.cellFlags.end(), [](uint16_t f) { return (f & 3) == 3; }));
}

}  // namespace
