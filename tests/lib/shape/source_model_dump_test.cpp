// The source model summary of the companion tool, as text and as JSON.
#include <gtest/gtest.h>

#include "lib/shape/source_model_dump.h"
#include "tests/lib/shape/prepare_test_support.h"
#include "tests/support/json_members.h"

namespace {

using namespace shape_test;
using Json = nlohmann::ordered_json;

class SourceModelDump : public ShapeTest {
 protected:
  TempTree tree_;
};

mlod::Model SampleModel() {
  mlod::Lod visual = mlod::MakeGridLod(2, 1, 1.0f, "data\\body_co.paa", "#paint");
  visual.AddSelectionOf("Wheel", {0, 1}, {0});
  visual.AddSelection("weighted", {100, 0, 0, 0, 0, 0}, {0, 0, 0, 0});
  visual.AddProperty("keyframe", "1");
  visual.AddKeyFrame(0.0f, std::vector<Vector3>(6)).AddKeyFrame(0.5f, std::vector<Vector3>(6));
  visual.AddUVSet(1, std::vector<float>(24, 0.5f));
  mlod::Lod geometry = mlod::MakeGridLod(1, 1, 1e13f, "");
  geometry.AddMasses({1, 2, 3, 4});
  geometry.AddProperty("class", "\"car\"");
  return ModelOf({visual, geometry});
}

TEST_F(SourceModelDump, Text) {
  std::string path = prepare_test::WriteModel(tree_, "car.p3d", SampleModel());
  std::string out;
  ASSERT_TRUE(DumpSourceModel(path, false, out)) << out;
  for (const char* piece :
       {"container: MLOD, version 1.01", "lods: 2", "lod 0: 1 (resolution 1, kind 0)",
        "points 6, vertices 6, faces 4, UV sets 2", "textures: data\\body_co.paa", "materials: #paint",
        "selection wheel: points 2, faces 1, vertices 2", "selection weighted: points 1, faces 0, vertices 1, weighted",
        "key frames: 0 0.5", "lod 1: geometry (resolution 1e+13, kind 3, special)", "property class = \"car\"",
        "masses: 4 points, total 10", "message: Material paint not found in CfgMaterials"})
    EXPECT_NE(out.find(piece), std::string::npos) << piece << "\n" << out;
}

TEST_F(SourceModelDump, Json) {
  std::string path = prepare_test::WriteModel(tree_, "car.p3d", SampleModel());
  std::string out;
  ASSERT_TRUE(DumpSourceModel(path, true, out)) << out;
  const Json dump = Json::parse(out);
  std::vector<std::string> keys;
  for (const auto& item : dump.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"file", "ok", "messages", "container", "version", "versionText", "lods",
                                            "masses"}));
  const Json top = Json::parse(R"({"ok": true, "messages": ["Material paint not found in CfgMaterials"],
      "container": "MLOD", "version": 257, "versionText": "1.01", "masses": {"count": 4, "total": 10}})");
  EXPECT_EQ(JsonMembers(dump, top), top);
  ASSERT_EQ(dump["lods"].size(), 2u);
  const Json visual = Json::parse(R"({"index": 0, "resolution": 1, "name": "1", "kind": 0, "special": false,
      "points": 6, "vertices": 6, "faces": 4, "uvSets": 2, "warnings": false,
      "textures": ["data\\body_co.paa"], "materials": ["#paint"],
      "selections": [{"name": "wheel", "points": 2, "faces": 1, "vertices": 2, "weighted": false},
                     {"name": "weighted", "points": 1, "faces": 0, "vertices": 1, "weighted": true}],
      "properties": [{"name": "keyframe", "value": "1"}], "keyFrames": [0, 0.5]})");
  EXPECT_EQ(dump["lods"][0], visual);
  const Json geometry = Json::parse(R"({"index": 1, "resolution": 1e13, "name": "geometry", "kind": 3,
      "special": true, "properties": [{"name": "class", "value": "\"car\""}], "keyFrames": []})");
  EXPECT_EQ(JsonMembers(dump["lods"][1], geometry), geometry);
}

TEST_F(SourceModelDump, BrokenFile) {
  std::string path = (tree_ / "broken.p3d").string();
  tree_.Write("broken.p3d", "MLOD\x01\x01");
  std::string out;
  EXPECT_FALSE(DumpSourceModel(path, false, out));
  EXPECT_EQ(out, "Error loading " + path + " (nLods)\n");
  EXPECT_FALSE(DumpSourceModel(path, true, out));
  const Json failed = {{"file", path}, {"ok", false}, {"messages", {"Error loading " + path + " (nLods)"}}};
  EXPECT_EQ(Json::parse(out), failed) << out;
  EXPECT_FALSE(DumpSourceModel((tree_ / "none.p3d").string(), false, out));
  EXPECT_NE(out.find("Cannot open object"), std::string::npos);
  // The messages still reach the installed sink.
  EXPECT_TRUE(HasLine(messages, "Cannot open object"));
}

}  // namespace
