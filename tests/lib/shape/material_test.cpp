// Material files: the key table with its defaults, enumerations by name, both stage
// layouts, "stageTI", derived counts, the stage check, '#' names from "CfgMaterials",
// binary files, missing files and names that are not lower case.
#include <gtest/gtest.h>

#include <functional>

#include "el/paramfile/param_file.h"
#include "engine/global_config.h"
#include "lib/shape/material_bank.h"
#include "lib/shape/material_stage_check.h"
#include "lib/shape/tex_material.h"
#include "tests/lib/shape/shape_test_support.h"
#include "tests/support/environment_variable.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace shape_test;

// Material files live below a temporary work drive; names are engine paths ("\data\x").
class MaterialFiles : public ShapeTest {
 protected:
  void SetUp() override {
    ShapeTest::SetUp();
    GlobalConfig().Clear();
  }
  void TearDown() override {
    GlobalConfig().Clear();
    ShapeTest::TearDown();
  }
  // Writes data/<file> below the work drive; returns its engine name.
  std::string WriteMaterial(const std::string& file, const std::string& text) {
    tree_.Write("data/" + file, text);
    return "\\data\\" + file;
  }
  void SetGlobalConfig(const std::string& text) {
    tree_.Write("config.cpp", text);
    ASSERT_EQ(GlobalConfig().Parse((tree_ / "config.cpp").string()), 0) << messages.Text();
  }
  std::shared_ptr<TexMaterial> Load(const std::string& text) {
    return MaterialByName(WriteMaterial("m" + std::to_string(counter_++) + ".rvmat", text));
  }

  TempTree tree_;
  ScopedEnvironment drive_{"KILNIFY_WORK_DRIVE", tree_.Root().string()};
  int counter_ = 0;
};

TEST(TexMaterialDefaults, TableOfDefaults) {
  TexMaterial m("x");
  EXPECT_EQ(m.emmisive, (MaterialColor{0, 0, 0, 1}));
  EXPECT_EQ(m.ambient, (MaterialColor{1, 1, 1, 1}));
  EXPECT_EQ(m.diffuse, (MaterialColor{1, 1, 1, 1}));
  EXPECT_EQ(m.forcedDiffuse, (MaterialColor{0, 0, 0, 0}));
  EXPECT_EQ(m.specular, (MaterialColor{0, 0, 0, 1}));
  EXPECT_EQ(m.treeColorization, (MaterialColor{0, 0, 0, 1}));
  EXPECT_EQ(m.plantWind, (std::array<float, 4>{0, 0, 0.3f, 0.99f}));
  EXPECT_EQ(m.superExt, (std::array<float, 4>{1, 1, 1, 1}));
  EXPECT_EQ(m.multiTopProjectionLayer, -1);
  EXPECT_EQ(m.multiTopProjectionLayerNormal, -1);
  EXPECT_EQ(m.degAngleTopProjectionStart, 30.0f);
  EXPECT_EQ(m.degAngleTopProjectionEnd, 45.0f);
  EXPECT_EQ(m.projectionVector, (Vector3{0, 1, 0}));
  EXPECT_EQ(m.pixelShaderID, 0);
  EXPECT_EQ(m.vertexShaderID, 0);
  EXPECT_EQ(m.mainLight, 3);
  EXPECT_EQ(m.fogMode, 1);
  EXPECT_EQ(m.stages[0].filter, 3);
  EXPECT_EQ(m.stages[7].texGen, 7);
  EXPECT_EQ(m.texGens[2].uvSource, 1);
  EXPECT_EQ(m.texGens[2].uvTransform, Matrix4::Identity());
  EXPECT_EQ(m.StageCount(), 0);
  EXPECT_EQ(m.TexGenCount(), 0);
}

TEST(MaterialEnumNames, NumbersAndNames) {
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::PixelShader, "Normal"), 0);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::PixelShader, "normalmapthrough"), 3);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::PixelShader, "Super"), 102);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::PixelShader, "TreeSN"), 120);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::PixelShader, "Planet"), 132);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::VertexShader, "TreeAdvModNormals"), 35);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::VertexShader, "Skin"), 29);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::MainLight, "None"), 0);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::MainLight, "MoonHaloObject"), 10);
  EXPECT_FALSE(MaterialEnumValue(MaterialEnum::MainLight, ""));
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::FogMode, "FogAlpha"), 3);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::UVSource, "TexShoreAnim"), 8);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::Filter, "Anizotropic16"), 7);
  EXPECT_EQ(MaterialEnumValue(MaterialEnum::RenderFlag, "SurfaceDecal"), 12);
  EXPECT_FALSE(MaterialEnumValue(MaterialEnum::PixelShader, "NoSuchShader"));
  EXPECT_EQ(MaterialEnumName(MaterialEnum::PixelShader, 58), "NormalMapSpecularThrough");
  EXPECT_EQ(MaterialEnumName(MaterialEnum::MainLight, 1), "");
}

TEST_F(MaterialFiles, KeysLeftOutKeepTheirDefaults) {
  struct Row {
    const char* text;
    std::function<void(TexMaterial&)> set;  // the keys the text sets
  };
  const Row rows[] = {
      {"", [](TexMaterial&) {}},
      {"diffuse[] = {1, 0, 0, 1};\n", [](TexMaterial& m) { m.diffuse = {1, 0, 0, 1}; }},
      // Enumerations by number.
      {"mainLight = 9;\nfogMode = 0;\n", [](TexMaterial& m) { m.mainLight = 9, m.fogMode = 0; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    auto m = Load(row.text);
    TexMaterial expected(m->Name());
    row.set(expected);
    ExpectSameMaterial(*m, expected);
  }
  EXPECT_TRUE(messages.lines.empty()) << messages.Text();
}

TEST_F(MaterialFiles, EveryKeyWithAValue) {
  auto m = Load(R"(
emmisive[] = {0.1, 0.2, 0.3, 0.4};
ambient[] = {0.5, 0.5, 0.5, 1};
diffuse[] = {0.9, 0.8, 0.7, 0.6};
forcedDiffuse[] = {0.01, 0.02, 0.03, 0.04};
specular[] = {0.2, 0.2, 0.2, 1};
treeColorization[] = {1, 2, 3, 4};
plantWind[] = {5, 6, 7, 8};
superExt[] = {9, 10, 11, 12};
specularPower = 40;
parallaxScale = 0.05;
terrainIndirectLocalShadowBias = 0.5;
shadowBias = 0.25;
sortBias = 2;
superAllowProjectionLayer = 1;
treeAllowProjectionLayer = 1;
multiTopProjectionLayer = 3;
degAngleTopProjectionStart = 10;
degAngleTopProjectionEnd = 20;
multiTopProjectionBlend = 1;
multiTopProjectionLayerNormal = 4;
projectionVector[] = {0, 0, 1};
PixelShaderID = "Super";
VertexShaderID = "Super";
mainLight = "Sky";
fogMode = "Alpha";
renderFlags[] = {"NoZWrite", "AddBlend", "SurfaceDecal"};
nextPass = "";
surfaceInfo = "data\surface.bisurf";
class Stage1 { texture = "Data\Tank_NOHQ.paa"; filter = "Trilinear"; uvSource = "tex"; };
class Stage2 { texture = "data\tank_dt.paa"; texGen = 1; useWorldEnvMap = 1; };
class Stage3 { texture = "data\tank_mc.paa"; };
class Stage4 { texture = "data\tank_as.paa"; };
class Stage5 { texture = "data\tank_smdi.paa"; };
class StageTI { texture = "data\tank_ti.paa"; };
)");
  EXPECT_EQ(m->emmisive, (MaterialColor{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_EQ(m->ambient, (MaterialColor{0.5f, 0.5f, 0.5f, 1}));
  EXPECT_EQ(m->diffuse, (MaterialColor{0.9f, 0.8f, 0.7f, 0.6f}));
  EXPECT_EQ(m->forcedDiffuse, (MaterialColor{0.01f, 0.02f, 0.03f, 0.04f}));
  EXPECT_EQ(m->specular, (MaterialColor{0.2f, 0.2f, 0.2f, 1}));
  EXPECT_EQ(m->treeColorization, (MaterialColor{1, 2, 3, 4}));
  EXPECT_EQ(m->plantWind, (std::array<float, 4>{5, 6, 7, 8}));
  EXPECT_EQ(m->superExt, (std::array<float, 4>{9, 10, 11, 12}));
  EXPECT_EQ(m->specularPower, 40.0f);
  EXPECT_FLOAT_EQ(m->parallaxScale, 0.05f);
  EXPECT_EQ(m->terrainIndirectLocalShadowBias, 0.5f);
  EXPECT_EQ(m->shadowBias, 0.25f);
  EXPECT_EQ(m->sortBias, 2);
  EXPECT_EQ(m->superAllowProjectionLayer, 1);
  EXPECT_EQ(m->treeAllowProjectionLayer, 1);
  EXPECT_EQ(m->multiTopProjectionLayer, 3);
  EXPECT_EQ(m->degAngleTopProjectionStart, 10.0f);
  EXPECT_EQ(m->degAngleTopProjectionEnd, 20.0f);
  EXPECT_EQ(m->multiTopProjectionBlend, 1);
  EXPECT_EQ(m->multiTopProjectionLayerNormal, 4);
  EXPECT_EQ(m->projectionVector, (Vector3{0, 0, 1}));
  EXPECT_EQ(m->pixelShaderID, 102);
  EXPECT_EQ(m->vertexShaderID, 23);
  EXPECT_EQ(m->mainLight, 4);
  EXPECT_EQ(m->fogMode, 2);
  EXPECT_EQ(m->renderFlags, (1u << 1) | (1u << 6) | (1u << 12));
  EXPECT_EQ(m->nextPass, "");
  EXPECT_EQ(m->surfaceInfo, "data\\surface.bisurf");
  // Old layout (no "texGen0"): each stage is also its own texture generator.
  EXPECT_EQ(m->stages[1].texture, "data\\tank_nohq.paa");
  EXPECT_EQ(m->stages[1].filter, 2);
  EXPECT_EQ(m->stages[2].texGen, 1);
  EXPECT_TRUE(m->stages[2].useWorldEnvMap);
  EXPECT_EQ(m->texGens[1].uvSource, 1);
  EXPECT_EQ(m->stageTI.texture, "data\\tank_ti.paa");
  EXPECT_TRUE(m->hasStageTI);
  EXPECT_EQ(m->StageCount(), 6);
  EXPECT_EQ(m->TexGenCount(), 6);
  EXPECT_TRUE(messages.lines.empty()) << messages.Text();
}

TEST_F(MaterialFiles, TextureGeneratorLayout) {
  auto m = Load(R"(
class TexGen0 { uvSource = "tex"; class uvTransform { aside[] = {2, 0, 0}; up[] = {0, 3, 0}; dir[] = {0, 0, 1}; pos[] = {0.5, 0.25, 0}; }; };
class TexGen1 { uvSource = "Tex1"; uvTransform[] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 7}; };
class TexGen7 { uvSource = "WorldPos"; };
class Stage0 { texture = "a.paa"; texGen = 1; };
class Stage1 { texture = "b.paa"; texGen = 0; uvSource = "None"; };
class Stage3 { texture = "d.paa"; texGen = 7; };
class Stage9 { texGen = 9; };
)");
  EXPECT_EQ(m->texGens[0].uvSource, 1);  // stage 1's own uvSource means nothing in this layout
  EXPECT_EQ(m->texGens[0].uvTransform.axisX, (Vector3{2, 0, 0}));
  EXPECT_EQ(m->texGens[0].uvTransform.axisY, (Vector3{0, 3, 0}));
  EXPECT_EQ(m->texGens[0].uvTransform.position, (Vector3{0.5f, 0.25f, 0}));
  EXPECT_EQ(m->texGens[1].uvSource, 5);
  EXPECT_EQ(m->texGens[1].uvTransform.position, (Vector3{0, 0, 7}));
  EXPECT_EQ(m->texGens[7].uvSource, 6);
  EXPECT_EQ(m->stages[2].texture, "");
  EXPECT_EQ(m->stages[2].texGen, 2);
  // Counts: the last textured stage is 3, its generators go up to 7 (stage 9 is beyond).
  EXPECT_EQ(m->StageCount(), 4);
  EXPECT_EQ(m->TexGenCount(), 8);
  // The textures are known to the engine's texture bank.
  EXPECT_TRUE(Textures().Find("a.paa"));
  EXPECT_TRUE(Textures().Find("d.paa"));
}

TEST_F(MaterialFiles, StageWithoutCoordinatesIsReported) {
  auto m = Load(R"(
class Stage0 { texture = "a.paa"; };
class Stage1 { texture = "b.paa"; uvSource = "None"; };
)");
  EXPECT_TRUE(HasLine(messages, "Bad uvSource None in " + m->Name() + " stage 1 (Normal, tex b.paa)"))
      << messages.Text();
}

TEST_F(MaterialFiles, ShaderStagesGetDefaultTextures) {
  auto m = Load("PixelShaderID = \"NormalMapDiffuse\";\nclass Stage0 { texture = \"a_co.paa\"; };\n");
  EXPECT_TRUE(HasLine(messages, "Error in material " + m->Name() + " - stage 1 texture not specified for NormalMapDiffuse"));
  EXPECT_TRUE(HasLine(messages, "Error in material " + m->Name() + " - stage 2 texture not specified for NormalMapDiffuse"));
  EXPECT_EQ(m->stages[1].texture, default_texture::kFlatNormal);
  EXPECT_EQ(m->stages[2].texture, default_texture::kNeutralDetail);
  EXPECT_EQ(m->StageCount(), 3);

  messages.lines.clear();
  auto super = Load("PixelShaderID = \"Super\";\nclass Stage1 { texture = \"n.paa\"; };\n"
                    "class Stage2 { texture = \"d.paa\"; };\nclass Stage3 { texture = \"m.paa\"; };\n");
  // Stages 4 and 5 are filled without a report.
  EXPECT_TRUE(messages.lines.empty()) << messages.Text();
  EXPECT_EQ(super->stages[4].texture, default_texture::kWhite);
  EXPECT_EQ(super->stages[5].texture, default_texture::kNoSpecular);
  EXPECT_EQ(super->StageCount(), 6);
}

TEST_F(MaterialFiles, FailedReadsResetToDefaults) {
  for (const char* text : {"diffuse[] = {1, 0, 0};\nspecularPower = 9;\n", "PixelShaderID = \"NoSuchShader\";\n",
                           "renderFlags[] = {\"NoZWrite\", \"Bogus\"};\n", "specularPower[] = {1};\n",
                           "class diffuse {};\n", "stage1 = 3;\n", "class Stage1 { texGen = 99; };\n",
                           "class Stage1 { filter = \"Blurry\"; };\n"}) {
    messages.lines.clear();
    auto m = Load(text);
    EXPECT_TRUE(HasLine(messages, "Error while loading material " + m->Name())) << text << messages.Text();
    ExpectSameMaterial(*m, TexMaterial(m->Name()));
  }
}

TEST_F(MaterialFiles, PixelShaderByNumber) {
  EXPECT_EQ(Load("PixelShaderID = 3;\n")->pixelShaderID, 3);
}

TEST_F(MaterialFiles, SharedByNameThroughTheCache) {
  std::string name = WriteMaterial("shared.rvmat", "specularPower = 7;\n");
  auto a = MaterialByName(name);
  auto b = MaterialByName(name);
  EXPECT_EQ(a, b);
  EXPECT_EQ(Materials().Size(), 1u);
  Materials().DeleteAll();
  EXPECT_NE(MaterialByName(name), a);
  EXPECT_EQ(MaterialByName(""), nullptr);
}

TEST_F(MaterialFiles, MissingFileKeepsDefaults) {
  auto m = MaterialByName("\\data\\none.rvmat");
  ASSERT_TRUE(m);
  ExpectSameMaterial(*m, TexMaterial(m->Name()));
  EXPECT_TRUE(HasLine(messages, "Material not loaded: \\data\\none.rvmat"));
  EXPECT_TRUE(HasLine(messages, "\tIn lib/shape/material:"));
}

TEST_F(MaterialFiles, UpperCaseNamesAreReportedAndLoaded) {
  WriteMaterial("red.rvmat", "diffuse[] = {1, 0, 0, 1};\n");
  auto m = MaterialByName("\\Data\\RED.rvmat");
  EXPECT_TRUE(HasLine(messages, "Material name is not lowercase \\Data\\RED.rvmat"));
  EXPECT_EQ(m->Name(), "\\Data\\RED.rvmat");
  EXPECT_EQ(m->diffuse, (MaterialColor{1, 0, 0, 1}));
  // The cache finds it under any case.
  EXPECT_EQ(MaterialByName("\\data\\red.rvmat"), m);
  EXPECT_EQ(CountLines(messages, "not lowercase"), 1);
}

TEST_F(MaterialFiles, BinaryMaterialFile) {
  ParamFile source;
  ASSERT_EQ(source.Parse(WriteMaterial("text.rvmat", "specular[] = {1, 1, 0, 1};\nPixelShaderID = \"Glass\";\n"
                                                     "class Stage0 { texture = \"glass.paa\"; };\n")),
            0);
  ASSERT_TRUE(source.SaveBin((tree_ / "data/bin.rvmat").string()));
  auto m = MaterialByName("\\data\\bin.rvmat");
  EXPECT_EQ(m->specular, (MaterialColor{1, 1, 0, 1}));
  EXPECT_EQ(m->pixelShaderID, 56);
  EXPECT_EQ(m->stages[0].texture, "glass.paa");
  EXPECT_EQ(m->StageCount(), 1);
}

TEST_F(MaterialFiles, HashNamesComeFromCfgMaterials) {
  ExpectSameMaterial(*MaterialByName("#glass"), TexMaterial("#glass"));
  EXPECT_TRUE(HasLine(messages, "Material glass not found in CfgMaterials"));
  Materials().DeleteAll();
  SetGlobalConfig(R"(
class CfgMaterials {
  class Base { diffuse[] = {0, 1, 0, 1}; specularPower = 3; };
  class Glass: Base { PixelShaderID = "Glass"; };
};
)");
  auto glass = MaterialByName("#glass");
  EXPECT_EQ(glass->pixelShaderID, 56);
  EXPECT_EQ(glass->diffuse, (MaterialColor{0, 1, 0, 1}));  // inherited
  EXPECT_EQ(glass->specularPower, 3.0f);
  messages.Clear();
  ExpectSameMaterial(*MaterialByName("#steel"), TexMaterial("#steel"));
  EXPECT_TRUE(HasLine(messages, "Material steel not found in CfgMaterials")) << messages.Text();
}

TEST_F(MaterialFiles, PassChainsAndModelsThatUseMoreThanTwoPasses) {
  std::string third = WriteMaterial("p3.rvmat", "");
  std::string second = WriteMaterial("p2.rvmat", "nextPass = \"" + third + "\";\n");
  std::string first = WriteMaterial("p1.rvmat", "nextPass = \"" + second + "\";\n");
  EXPECT_EQ(MaterialPassCount(*MaterialByName(first)), 3);
  EXPECT_EQ(MaterialPassCount(*MaterialByName(second)), 2);
  // A chain that loops ends where it began.
  std::string loopA = WriteMaterial("la.rvmat", "nextPass = \"\\data\\lb.rvmat\";\n");
  WriteMaterial("lb.rvmat", "nextPass = \"\\data\\la.rvmat\";\n");
  EXPECT_EQ(MaterialPassCount(*MaterialByName(loopA)), 2);

  mlod::Lod lod = TriangleLod();
  lod.faces[0].material = first;
  lod.faces.push_back(lod.faces[0]);
  lod.faces[1].material = second;
  EXPECT_EQ(Read({lod}).Materials().size(), 2u);
  EXPECT_EQ(CountLines(messages, "More than 2-pass material used - " + first + " (3 passes)"), 1) << messages.Text();
  EXPECT_EQ(CountLines(messages, "More than 2-pass"), 1);
}

TEST_F(MaterialFiles, MaterialFromBytes) {
  TexMaterial m("mem");
  std::string text = "diffuse[] = {0.5, 0.5, 0.5, 1};\n";
  ASSERT_TRUE(LoadMaterialFromBytes(m, text.data(), text.size()));
  EXPECT_EQ(m.diffuse, (MaterialColor{0.5f, 0.5f, 0.5f, 1}));
  std::string broken = "diffuse[] = {0.5, ";
  EXPECT_FALSE(LoadMaterialFromBytes(m, broken.data(), broken.size()));
  ExpectSameMaterial(m, TexMaterial("mem"));
}

}  // namespace
