#include "sample/sample_repository.h"

#include <fstream>
#include <string>

#include "lib/shape/testing/mlod_writer.h"
#include "sample/tga_writer.h"

namespace {

constexpr float kGeometry = 1e13f;

bool WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

// The configuration of an addon: its patch class, after `includes`.
std::string AddonConfig(const std::string& includes, const std::string& name, const std::string& body) {
  return includes + "\nclass CfgPatches\n{\n  class " + name +
         "\n  {\n    units[] = {};\n    weapons[] = {};\n    requiredVersion = 0.1;\n  };\n};\n" + body;
}

std::string Material(const std::string& stageTexture) {
  return "ambient[] = {1, 1, 1, 1};\ndiffuse[] = {1, 1, 1, 1};\nspecular[] = {0.2, 0.2, 0.2, 1};\n"
         "specularPower = 20;\nPixelShaderID = \"NormalMapDiffuse\";\nVertexShaderID = \"NormalMap\";\n"
         "class Stage1\n{\n  texture = \"" +
         stageTexture +
         "\";\n  uvSource = \"tex\";\n};\n"
         "class Stage2\n{\n  texture = \"#(argb,8,8,3)color(0.5,0.5,0.5,1,dt)\";\n  uvSource = \"tex\";\n};\n";
}

mlod::Model Model(const std::string& texture, const std::string& material, int cells) {
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(cells, cells, 1.0f, texture, material));
  mlod::Lod geometry = mlod::MakeGridLod(1, 1, kGeometry, "");
  geometry.AddMasses(std::vector<float>(geometry.points.size(), 10.0f));
  model.lods.push_back(geometry);
  return model;
}

constexpr char kModelCfg[] =
    "class CfgSkeletons\n{\n  class Default\n  {\n    isDiscrete = 1;\n    skeletonInherit = \"\";\n"
    "    skeletonBones[] = {};\n  };\n};\n"
    "class CfgModels\n{\n  class Default\n  {\n    sectionsInherit = \"\";\n    sections[] = {};\n"
    "    skeletonName = \"\";\n  };\n  class crate : Default {};\n  class cart : Default {};\n};\n";

}  // namespace

bool WriteSampleRepository(const std::filesystem::path& root, bool laidOut) {
  auto addon = [&](const std::string& name) {
    return laidOut ? root / "x" / "kilnsample" / "addons" / name : root / "addons" / name;
  };
  const std::filesystem::path core = addon("core"), props = addon("props"), vehicles = addon("vehicles");
  return
      // core: the shared macros and the metal material and texture.
      WriteText(core / kSamplePrefixFile, "\\x\\kilnsample\\addons\\core\r\n") &&
      WriteText(
          core / "script_macros.hpp",
          "#define KS_QUOTE(x) #x\n#define KS_PATH(addon,file) KS_QUOTE(\\x\\kilnsample\\addons\\addon\\file)\n") &&
      WriteText(core / "config.cpp",
                AddonConfig("#include \"script_macros.hpp\"", "ks_core",
                            "class KS_Settings\n{\n  metal = KS_PATH(core,data\\metal.rvmat);\n};\n")) &&
      WriteText(core / "data" / "metal.rvmat", Material("\\X\\KilnSample\\Addons\\Core\\Data\\Metal_NOHQ.paa")) &&
      WriteText(core / "textures.lst",
                "\\x\\kilnsample\\addons\\core\\data\\metal_co.tga\n"
                "\\x\\kilnsample\\addons\\core\\data\\metal_nohq.tga\n") &&
      WriteSampleTga(core / "data" / "metal_co.tga", 32, 32, false) &&
      WriteSampleTga(core / "data" / "metal_nohq.tga", 16, 16, false) &&
      // props: a crate made of core's metal; a header for the addons that use props.
      WriteText(props / kSamplePrefixFile, "\n\\x\\kilnsample\\addons\\props\n") &&
      WriteText(props / "props_macros.hpp",
                "#include \"\\X\\KilnSample\\Addons\\Core\\script_macros.hpp\"\n#define KS_CRATE "
                "KS_PATH(props,models\\crate.p3d)\n") &&
      WriteText(props / "config.cpp", AddonConfig("#include \"props_macros.hpp\"", "ks_props",
                                                  "class KS_Props\n{\n  crate = KS_CRATE;\n};\n")) &&
      WriteText(props / "models" / "model.cfg", kModelCfg) &&
      mlod::WriteModelFile(Model("\\X\\KilnSample\\Addons\\Core\\Data\\Metal_CO.paa",
                                 "\\x\\kilnsample\\addons\\core\\data\\metal.rvmat", 2),
                           props / "models" / "crate.p3d") &&
      WriteText(props / "data" / "wood.rvmat", Material("\\x\\KILNSAMPLE\\addons\\props\\data\\wood_co.paa")) &&
      WriteText(props / "textures.lst", "\\x\\kilnsample\\addons\\props\\data\\wood_co.tga\n") &&
      WriteSampleTga(props / "data" / "wood_co.tga", 32, 16, false) &&
      // vehicles: a cart of props' wood and core's metal, with the configuration of both.
      WriteText(vehicles / kSamplePrefixFile, "\\x\\kilnsample\\addons\\vehicles\n") &&
      WriteText(
          vehicles / "config.cpp",
          AddonConfig(
              "#include \"\\x\\KilnSample\\addons\\PROPS\\props_macros.hpp\"", "ks_vehicles",
              "class KS_Vehicles\n{\n  cargo = KS_CRATE;\n  frame = KS_PATH(vehicles,models\\cart.p3d);\n};\n")) &&
      WriteText(vehicles / "models" / "model.cfg", kModelCfg) &&
      mlod::WriteModelFile(Model("\\x\\KilnSample\\Addons\\PROPS\\data\\Wood_CO.paa",
                                 "\\x\\kilnsample\\addons\\props\\data\\wood.rvmat", 3),
                           vehicles / "models" / "cart.p3d");
}
