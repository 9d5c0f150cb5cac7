// The account of a runtime model file, as text and as JSON.
#include <gtest/gtest.h>

#include "lib/shape/odol_model.h"
#include "lib/shape/runtime_model_dump.h"
#include "tests/lib/shape/odol_test_support.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace odol_test;
using shape_test::ShapeTest;

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
  for (const char* piece : {"\"ok\": true", "\"magic\": \"ODOL\"", "\"version\": 54", "\"lodCount\": 2",
                            "\"class\": \"house\"", "\"index\": 0, \"resolution\": 1, \"name\": \"1\", \"permanent\": true",
                            "\"vertices\": 6, \"faces\": 2, \"sectionCount\": 1, \"uvSets\": 1",
                            "\"material\": \"data\\\\paint.rvmat\"", "\"boneWindowStart\": 0, \"boneWindowLength\": 0",
                            "{\"name\": \"door\", \"faces\": 1, \"vertices\": 3, \"sections\": 0}",
                            "{\"name\": \"lodnoshadow\", \"value\": \"1\"}", "\"name\": \"geometry\""})
    EXPECT_NE(out.find(piece), std::string::npos) << piece << "\n" << out;
  EXPECT_EQ(out.front(), '{');
  EXPECT_EQ(out.substr(out.size() - 2), "}\n");
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
  EXPECT_NE(out.find("\"ok\": false"), std::string::npos) << out;
  EXPECT_NE(out.find("\"error\": 1"), std::string::npos) << out;
  EXPECT_FALSE(DumpRuntimeModel((tree_ / "missing.p3d").string(), false, out));
  EXPECT_NE(out.find("reason: file not found"), std::string::npos) << out;
}

}  // namespace
