// The account of a runtime model file, as text and as JSON.
#include <gtest/gtest.h>

#include "lib/shape/odol_model.h"
#include "lib/shape/runtime_model_dump.h"
#include "tests/lib/shape/odol_test_support.h"
#include "tests/support/json_members.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace odol_test;
using shape_test::ShapeTest;
using Json = nlohmann::ordered_json;

class RuntimeModelDump : public ShapeTest {
 protected:
  std::string SaveSample() {
    LODShape model;
    model.SetName("sample.p3d");
    ShapeRef visual = TriangleShape(2, FilledMaterial("data\\paint.rvmat"));
    visual->Sections()[0].boneWindowLength = 0;
    NamedSelection door("door");
    door.Faces() = {1};
    door.Vertices() = {3, 4, 5};
    visual->Selections().push_back(door);
    visual->Properties().Set("lodnoshadow", "1");
    model.AddLod(visual, 1.0f);
    model.AddLod(TriangleShape(1, nullptr, ""), 1e13f);
    model.PropertyValues().className = "house";
    std::string path = (tree_ / "sample.p3d").string();
    EXPECT_TRUE(SaveRuntimeModel(model, path));
    return path;
  }
  TempTree tree_;
};

TEST_F(RuntimeModelDump, Text) {
  std::string out;
  ASSERT_TRUE(DumpRuntimeModel(SaveSample(), false, out)) << out;
  for (const char* piece : {"magic: ODOL\n", "version: 54\n", "lodCount: 2\n", "  class: house\n", "  geometry: 1\n",
                            "lod 0:\n", "    resolution: 1\n", "    permanent: yes\n", "    vertices: 6\n",
                            "    faces: 2\n", "    sectionCount: 1\n", "      material: data\\paint.rvmat\n",
                            "      boneWindowStart: 0\n", "      pixelShader: 107\n", "      name: door\n",
                            "      value: 1\n", "    name: geometry\n"})
    EXPECT_NE(out.find(piece), std::string::npos) << piece << "\n" << out;
}

TEST_F(RuntimeModelDump, Json) {
  std::string out;
  ASSERT_TRUE(DumpRuntimeModel(SaveSample(), true, out)) << out;
  const Json dump = Json::parse(out);
  std::vector<std::string> keys;
  for (const auto& item : dump.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"file", "ok", "messages", "magic", "version", "lodCount", "model",
                                            "animations", "lods"}));
  const Json top = Json::parse(R"({"ok": true, "magic": "ODOL", "version": 54, "lodCount": 2})");
  EXPECT_EQ(JsonMembers(dump, top), top);
  EXPECT_EQ(dump["model"]["class"], "house");
  EXPECT_EQ(dump["model"]["boundingMin"].size(), 3u);
  ASSERT_EQ(dump["lods"].size(), 2u);
  const Json& visual = dump["lods"][0];
  const Json lod = Json::parse(R"({"index": 0, "resolution": 1, "name": "1", "permanent": true, "vertices": 6,
      "faces": 2, "sectionCount": 1, "uvSets": 1,
      "selections": [{"name": "door", "faces": 1, "vertices": 3, "sections": 0}],
      "properties": [{"name": "lodnoshadow", "value": "1"}]})");
  EXPECT_EQ(JsonMembers(visual, lod), lod);
  ASSERT_EQ(visual["sections"].size(), 1u);
  const Json section = Json::parse(R"({"material": "data\\paint.rvmat", "boneWindowStart": 0,
      "boneWindowLength": 0})");
  EXPECT_EQ(JsonMembers(visual["sections"][0], section), section);
  EXPECT_EQ(visual["materials"][0]["pixelShader"], 107);
  EXPECT_EQ(dump["lods"][1]["name"], "geometry");
  EXPECT_EQ(dump["lods"][1]["resolution"].get<float>(), 1e13f);
}

TEST_F(RuntimeModelDump, BrokenAndForeignFiles) {
  std::string out;
  std::string path = SaveSample();
  std::string bytes = tree_.Read("sample.p3d");
  tree_.Write("short.p3d", bytes.substr(0, bytes.size() / 2));
  EXPECT_FALSE(DumpRuntimeModel((tree_ / "short.p3d").string(), false, out));
  EXPECT_NE(out.find("ok: no"), std::string::npos) << out;
  EXPECT_NE(out.find("reason: corrupt data"), std::string::npos) << out;
  tree_.Write("source.p3d", "MLOD\x01\x01\0\0");
  EXPECT_FALSE(DumpRuntimeModel((tree_ / "source.p3d").string(), true, out));
  const Json failed = Json::parse(out);
  EXPECT_EQ(failed["ok"], false) << out;
  EXPECT_EQ(failed["error"], 1) << out;
  EXPECT_EQ(failed["reason"], "not a runtime model (no \"ODOL\" magic)") << out;
  EXPECT_FALSE(DumpRuntimeModel((tree_ / "missing.p3d").string(), false, out));
  EXPECT_NE(out.find("reason: file not found"), std::string::npos) << out;
}

}  // namespace
