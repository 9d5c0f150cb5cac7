// "kiln dump" of source worlds: the account in text and JSON, and broken files.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "lib/landscape/testing/source_world_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

using Json = nlohmann::ordered_json;

ProgramResult KilnDump(const TempTree& tree, const std::string& file, bool json = false) {
  std::vector<std::string> args = {"dump", file};
  if (json) args.push_back("--json");
  return RunProgram(BuiltProgram("kiln"), args, {.workingFolder = tree.Root()});
}

wrp::World DumpedWorld() {
  wrp::World world = wrp::MakeFlatWorld(7, 4, 8, 25.0f, 9.0f);
  world.rawHeights.assign(64, 20);
  world.rawHeights[3] = -100;
  world.rawHeights[60] = 1000;
  world.textures.push_back({"data\\rock.paa", 5});
  world.textureIndices[0] = world.textureIndices[1] = 1;
  for (int i = 0; i < 12; ++i)
    world.objects.push_back({100 + i, i % 3 ? "data\\tree.p3d" : "data\\house.p3d",
                             wrp::PlacedAt(static_cast<float>(i), 1, 2)});
  return world;
}

TEST(SourceWorldDump, TextAccount) {
  TempTree tree;
  ASSERT_TRUE(wrp::WriteWorldFile(DumpedWorld(), tree / "w.wrp"));
  ProgramResult result = KilnDump(tree, "w.wrp");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string& out = result.out;
  EXPECT_NE(out.find("magic: 7WVR\nversion: 7\nland grid: 4 x 4\nterrain grid: 8 x 8\ncell size: 25\n"), std::string::npos)
      << out;
  EXPECT_NE(out.find("heights: -4.5 to 44.999996\n"), std::string::npos) << out;
  EXPECT_NE(out.find("textures: 2 entries\n  0: data\\grass.paa, attribute 3, 14 cells\n"
                     "  1: data\\rock.paa, attribute 5, 2 cells\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("objects: 12, max. id 111\n  4 x data\\house.p3d\n  8 x data\\tree.p3d\n"), std::string::npos) << out;
  EXPECT_NE(out.find("  object 100: data\\house.p3d at 0 1 2\n"), std::string::npos);
  EXPECT_NE(out.find("  object 109: "), std::string::npos);
  EXPECT_EQ(out.find("  object 110: "), std::string::npos);  // ten objects are listed
}

TEST(SourceWorldDump, JsonAccount) {
  TempTree tree;
  ASSERT_TRUE(wrp::WriteWorldFile(DumpedWorld(), tree / "w.wrp"));
  ProgramResult result = KilnDump(tree, "w.wrp", true);
  EXPECT_EQ(result.exitCode, 0);
  const std::string& out = result.out;
  // The first ten objects.
  Json first = Json::array();
  for (int i = 0; i < 10; ++i)
    first.push_back(
        {{"id", 100 + i}, {"model", i % 3 ? "data\\tree.p3d" : "data\\house.p3d"}, {"position", {i, 1, 2}}});
  // Every key in its place: an ordered document compares its keys in order.
  EXPECT_EQ(Json::parse(out), Json::parse(R"({"file": "w.wrp", "ok": true,
      "messages": ["Total 12 objects, max. id 111"], "magic": "7WVR", "version": 7, "landGrid": [4, 4],
      "terrainGrid": [8, 8], "cellSize": 25,
      "heights": {"min": -4.5, "max": 44.999996}, "textureCount": 2, "textures": [
        {"index": 0, "name": "data\\grass.paa", "attribute": 3, "cells": 14},
        {"index": 1, "name": "data\\rock.paa", "attribute": 5, "cells": 2}],
      "objects": {"count": 12, "maxId": 111, "models": [{"name": "data\\house.p3d", "count": 4},
        {"name": "data\\tree.p3d", "count": 8}], "first": )" + first.dump() + "}}"))
      << out;
  EXPECT_EQ(out.back(), '\n');
}

TEST(SourceWorldDump, BrokenWorldGetsTheReadersMessages) {
  TempTree tree;
  wrp::World world = DumpedWorld();
  world.landWidth = world.landHeight = 1 << 20;
  world.terrainWidth = world.terrainHeight = 1 << 20;
  ASSERT_TRUE(wrp::WriteWorldFile(world, tree / "big.wrp"));
  ProgramResult result = KilnDump(tree, "big.wrp");
  EXPECT_NE(result.exitCode, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "Cannot load world 'big.wrp'\nkiln dump: big.wrp is a broken source world\n");
  ProgramResult json = KilnDump(tree, "big.wrp", true);
  EXPECT_NE(json.exitCode, 0);
  const std::string document = json.err.substr(0, json.err.find("kiln dump: "));
  EXPECT_EQ(Json::parse(document),
            Json::parse(R"({"file": "big.wrp", "ok": false, "messages": ["Cannot load world 'big.wrp'"]})"))
      << json.err;

  const std::string bytes = wrp::WriteWorld(DumpedWorld());
  tree.Write("cut.wrp", bytes.substr(0, 100));
  ProgramResult cut = KilnDump(tree, "cut.wrp");
  EXPECT_NE(cut.exitCode, 0);
  EXPECT_NE(cut.err.find("Cannot load world 'cut.wrp'"), std::string::npos);
}

TEST(WorldDump, KilnTellsSourceAndRuntimeWorldsApart) {
  TempTree tree;
  ASSERT_TRUE(wrp::WriteWorldFile(DumpedWorld(), tree / "src/w.wrp"));
  ASSERT_EQ(RunProgram(BuiltProgram("kilnify"), {"src", "dst"}, {.workingFolder = tree.Root()}).exitCode, 0);
  ProgramResult runtime = KilnDump(tree, "dst/w.wrp", true);
  EXPECT_EQ(runtime.exitCode, 0) << runtime.err;
  const Json account = Json::parse(runtime.out);
  EXPECT_EQ(account["magic"], "OPRW");
  EXPECT_EQ(account["version"], 28);
  // The objects' models are missing: none was placed.
  EXPECT_EQ(account["objectCount"], 0) << runtime.out;

  tree.Write("cut.wrp", tree.Read("dst/w.wrp").substr(0, 60));
  ProgramResult cut = KilnDump(tree, "cut.wrp");
  EXPECT_NE(cut.exitCode, 0);
  EXPECT_NE(cut.err.find("kiln dump: cut.wrp is a broken runtime world\n"), std::string::npos) << cut.err;
}

}  // namespace
