// The account of a runtime world file, as text and as JSON; saving through the atomic
// output.
#include "lib/landscape/runtime_world_dump.h"

#include <gtest/gtest.h>

#include "runtime_test_world.h"
#include "tests/support/captured_messages.h"
#include "tests/support/json_members.h"
#include "tests/support/temp_tree.h"

using Json = nlohmann::ordered_json;

TEST(RuntimeWorldDump, TextAndJson) {
  CapturedMessages messages;
  TempTree tree;
  Landscape land = MakeTestWorld();
  const std::string path = (tree / "island.wrp").string();
  ASSERT_TRUE(SaveRuntimeWorld(land, path, false));
  std::string text, json;
  ASSERT_TRUE(DumpRuntimeWorld(path, false, text)) << text;
  for (const char* piece : {"magic: OPRW\n", "version: 28\n", "landWidth: 16\n", "terrainWidth: 32\n", "cellSize: 10\n",
                            "minHeight: -8\n", "maxHeight: 10\n", "textures: 3\n", "    name: data\\sand.paa\n",
                            "objectCount: 40\n", "    primary: 8\n", "    building: 8\n", "    vehicle: 8\n",
                            "recordBytes: 1440\n", "    elements: 1\n", "firstRecords: 8\n", "  record 0:\n"})
    EXPECT_NE(text.find(piece), std::string::npos) << piece << "\n" << text;
  ASSERT_TRUE(DumpRuntimeWorld(path, true, json)) << json;
  const Json dump = Json::parse(json);
  std::vector<std::string> keys;
  for (const auto& item : dump.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"file", "ok", "messages", "magic", "version", "landWidth", "landHeight",
                                            "terrainWidth", "terrainHeight", "cellSize", "minHeight", "maxHeight",
                                            "peaks", "textures", "objectCount", "objectsByKind", "maxObjectId",
                                            "quadTreeBytes", "recordBytes", "cellDataBytes", "entityCount",
                                            "modelNames", "roads", "firstRecords"}));
  const Json top = Json::parse(R"({"ok": true, "magic": "OPRW", "version": 28, "landWidth": 16, "terrainWidth": 32,
      "cellSize": 10, "minHeight": -8, "maxHeight": 10, "objectCount": 40, "recordBytes": 1440})");
  EXPECT_EQ(JsonMembers(dump, top), top);
  EXPECT_EQ(dump["textures"].size(), 3u);
  const Json kinds = Json::parse(R"({"primary": 8, "building": 8, "vehicle": 8})");
  EXPECT_EQ(JsonMembers(dump["objectsByKind"], kinds), kinds);
  EXPECT_TRUE(dump["quadTreeBytes"].contains("cellFlags")) << json;
  EXPECT_EQ(dump["roads"]["elements"], 1);
  EXPECT_EQ(dump["modelNames"][0].get<std::string>().rfind("data\\model", 0), 0u) << json;
  ASSERT_EQ(dump["firstRecords"].size(), 8u);
  EXPECT_EQ(dump["firstRecords"][0]["position"].size(), 3u);

  // The older version names the same counts, without trees.
  const std::string oldPath = (tree / "old.wrp").string();
  ASSERT_TRUE(SaveRuntimeWorld(land, oldPath, true));
  ASSERT_TRUE(DumpRuntimeWorld(oldPath, false, text)) << text;
  EXPECT_NE(text.find("version: 3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    cellFlags: 0\n"), std::string::npos) << text;
}

TEST(RuntimeWorldDump, BrokenFilesSayWhy) {
  TempTree tree;
  std::string out;
  EXPECT_FALSE(DumpRuntimeWorld((tree / "missing.wrp").string(), false, out));
  EXPECT_NE(out.find("reason: file not found"), std::string::npos) << out;
  tree.Write("short.wrp", std::string("OPRW\x1c\x00\x00\x00", 8));
  EXPECT_FALSE(DumpRuntimeWorld((tree / "short.wrp").string(), true, out));
  const Json failed = Json::parse(out);
  EXPECT_EQ(failed["ok"], false) << out;
  EXPECT_EQ(failed["reason"], "corrupt data") << out;
  tree.Write("v14.wrp", std::string("OPRW\x0e\x00\x00\x00", 8));
  EXPECT_FALSE(DumpRuntimeWorld((tree / "v14.wrp").string(), false, out));
  EXPECT_NE(out.find("Bad version 14 in landscape"), std::string::npos) << out;
}

TEST(RuntimeWorldSave, WritesAtomicallyAndReportsAnUnwritablePath) {
  CapturedMessages messages;
  TempTree tree;
  Landscape land = MakeTestWorld(4, 1);
  tree.Write("keep.wrp", "old contents");
  const std::string blocked = (tree / "keep.wrp" / "inside.wrp").string();
  EXPECT_FALSE(SaveRuntimeWorld(land, blocked, false));
  EXPECT_TRUE(messages.Errored("Cannot save world '" + blocked + "'")) << messages.Text();
  EXPECT_EQ(tree.Read("keep.wrp"), "old contents");
  ASSERT_TRUE(SaveRuntimeWorld(land, (tree / "keep.wrp").string(), false));
  EXPECT_EQ(tree.Read("keep.wrp").substr(0, 4), "OPRW");
  // Only the destination is left in the folder (no temporary file).
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(tree.Root())) ++files;
  EXPECT_EQ(files, 1u);
}
