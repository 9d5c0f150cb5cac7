// Seeds of the model fuzz targets: source models from our writer, material files as text
// and as binary configurations.
#include <cstdio>
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "engine/material_cache.h"
#include "fuzz/seeds/seed_registry.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/material_bank.h"
#include "lib/shape/source_model_reader.h"
#include "lib/shape/tex_material.h"
#include "lib/shape/testing/mlod_writer.h"

namespace {

// A seed that our own reader refuses is a defect of the writer or the reader.
void RequireValid(bool valid, const std::string& what) {
  if (valid) return;
  std::fprintf(stderr, "seed does not load back: %s\n", what.c_str());
  std::abort();
}

std::vector<mlod::Model> SampleModels() {
  std::vector<mlod::Model> models;
  {
    mlod::Lod visual = mlod::MakeGridLod(3, 2, 1.0f, "data\\wall.pac");
    visual.points[0].flags = 0x00020101;
    visual.AddSelectionOf("door", {0, 1, 4}, {0, 2});
    visual.AddSelection("weighted", std::vector<uint8_t>(visual.points.size(), 128), std::vector<uint8_t>(12, 0));
    visual.AddProperty("keyframe", "1");
    visual.AddKeyFrame(0.5f, std::vector<Vector3>(visual.points.size(), Vector3{0, 1, 0}));
    visual.AddMaterialIndex(0xFF000000, 0xFFFFFFFF, 0, 0);
    std::vector<float> uv;
    for (const mlod::Face& face : visual.faces)
      for (uint32_t c = 0; c < face.n; ++c) {
        uv.push_back(face.corners[c].u);
        uv.push_back(1.0f - face.corners[c].v);
      }
    visual.AddUVSet(1, uv);
    mlod::Lod geometry = mlod::MakeGridLod(1, 1, 1e13f, "");
    geometry.AddMasses({1, 2, 3, 4});
    geometry.AddProperty("map", "house");
    mlod::Lod memory;
    memory.resolution = 1e15f;
    memory.points = {{{0, 1, 0}, 0}};
    memory.AddSelectionOf("pos", {0}, {});
    models.push_back({mlod::Container::MLOD, 0x101, {visual, geometry, memory}, std::nullopt});
  }
  {
    mlod::Lod sp3x = mlod::MakeGridLod(2, 2, 1.0f, "data\\x_co.paa", "", true);
    sp3x.form = mlod::LodForm::SP3X;
    sp3x.headerSize = 36;
    mlod::Lod shadow = mlod::MakeGridLod(1, 1, 10000.0f, "");
    models.push_back({mlod::Container::NLOD, 0, {sp3x, shadow}, std::nullopt});
  }
  {
    mlod::Lod sp3d = mlod::MakeGridLod(2, 1, 0.0f);
    sp3d.form = mlod::LodForm::SP3D;
    sp3d.AddTag(std::string(70, 'l'), std::string(sp3d.points.size() + sp3d.faces.size(), '\x01'), true);
    models.push_back({mlod::Container::Bare, 0, {sp3d}, std::nullopt});
  }
  return models;
}

int WriteModelSeeds(const std::filesystem::path& folder) {
  SetNoLogs(true);
  int written = 0;
  int index = 0;
  for (const mlod::Model& model : SampleModels()) {
    std::string bytes = mlod::WriteModel(model);
    QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
    LODShape shape;
    SourceModelIntake intake;
    RequireValid(ReadSourceModel(in, "seed.p3d", shape, intake) && shape.NLods() == static_cast<int>(model.lods.size()),
                 "model " + std::to_string(index));
    written += WriteSeed(folder, "model_" + std::to_string(index++), bytes);
  }
  Materials().DeleteAll();
  SetNoLogs(false);
  return written;
}

const char* const kMaterialTexts[] = {
    "diffuse[] = {1, 0, 0, 1};\n",
    R"(ambient[] = {0.5, 0.5, 0.5, 1};
specularPower = 40;
PixelShaderID = "NormalMapDiffuse";
VertexShaderID = "NormalMapDiffuse";
mainLight = "Sun";
fogMode = "FogAlpha";
renderFlags[] = {"NoZWrite", "AlphaTest64"};
surfaceInfo = "data\metal.bisurf";
class Stage1 { texture = "data\a_nohq.paa"; uvSource = "tex"; filter = "Trilinear"; };
class Stage2 { texture = "data\a_dt.paa"; uvSource = "tex";
  class uvTransform { aside[] = {4, 0, 0}; up[] = {0, 4, 0}; dir[] = {0, 0, 0}; pos[] = {0, 0, 0}; }; };
class StageTI { texture = "data\a_ti.paa"; };
)",
    R"(PixelShaderID = "Super";
class TexGen0 { uvSource = "tex"; uvTransform[] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}; };
class TexGen1 { uvSource = "tex1"; };
class Stage1 { texture = "n.paa"; texGen = 0; };
class Stage2 { texture = "d.paa"; texGen = 1; useWorldEnvMap = 1; };
class Stage3 { texture = "m.paa"; texGen = 0; };
nextPass = "second.rvmat";
)",
};

int WriteMaterialSeeds(const std::filesystem::path& folder) {
  SetNoLogs(true);
  int written = 0;
  int index = 0;
  for (const char* text : kMaterialTexts) {
    std::string bytes(text);
    TexMaterial material("seed.rvmat");
    RequireValid(LoadMaterialFromBytes(material, bytes.data(), bytes.size()), "material text");
    written += WriteSeed(folder, "text_" + std::to_string(index), bytes);
    ParamFile file;
    QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
    RequireValid(file.Parse(in) == 0, "material parse");
    QOStrStream binary;
    RequireValid(file.SaveBin(binary), "material binary");
    std::string saved = binary.Str();
    TexMaterial back("seed.rvmat");
    RequireValid(LoadMaterialFromBytes(back, saved.data(), saved.size()), "material binary load");
    written += WriteSeed(folder, "binary_" + std::to_string(index++), saved);
  }
  SetNoLogs(false);
  return written;
}

SeedRegistration modelSeeds("shape_source_model", WriteModelSeeds);
SeedRegistration materialSeeds("shape_material", WriteMaterialSeeds);

}  // namespace
