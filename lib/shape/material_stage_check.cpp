#include "lib/shape/material_stage_check.h"

#include <string>

#include "el/appframe/app_frame.h"
#include "lib/shape/tex_material.h"

namespace {

using namespace default_texture;

// The stages (from 1 on) that a pixel shader samples and what each gets when missing.
struct ShaderStages {
  int shader;
  const char* stages[6];  // stage 1, 2, ...; nullptr ends the list
};

constexpr ShaderStages kShaderStages[] = {
    {2, {kFlatNormal}},                                                     // NormalMap
    {3, {kFlatNormal}},                                                     // NormalMapThrough
    {4, {kFlatNormal}},                                                     // NormalMapGrass
    {5, {kFlatNormal, kNeutralDetail}},                                     // NormalMapDiffuse
    {6, {kNeutralDetail}},                                                  // Detail
    {15, {kNeutralDetail, kWhite, kWhite}},                                 // DetailMacroAS
    {16, {kFlatNormal, kWhite, kWhite}},                                    // NormalMapMacroAS
    {17, {kFlatNormal, kNeutralDetail, kWhite, kWhite}},                    // NormalMapDiffuseMacroAS
    {18, {kFlatNormal, kNoSpecular}},                                       // NormalMapSpecularMap
    {19, {kFlatNormal, kNeutralDetail, kNoSpecular}},                       // NormalMapDetailSpecularMap
    {20, {kFlatNormal, kWhite, kWhite, kNoSpecular}},                       // NormalMapMacroASSpecularMap
    {21, {kFlatNormal, kNeutralDetail, kWhite, kWhite, kNoSpecular}},       // NormalMapDetailMacroASSpecularMap
    {22, {kFlatNormal, kNoSpecular}},                                       // NormalMapSpecularDIMap
    {23, {kFlatNormal, kNeutralDetail, kNoSpecular}},                       // NormalMapDetailSpecularDIMap
    {24, {kFlatNormal, kWhite, kWhite, kNoSpecular}},                       // NormalMapMacroASSpecularDIMap
    {25, {kFlatNormal, kNeutralDetail, kWhite, kWhite, kNoSpecular}},       // NormalMapDetailMacroASSpecularDIMap
    {58, {kFlatNormal}},                                                    // NormalMapSpecularThrough
    {60, {kFlatNormal}},                                                    // NormalMapThroughSimple
    {61, {kFlatNormal}},                                                    // NormalMapSpecularThroughSimple
    {68, {kFlatNormal}},                                                    // NormalMapThroughLowEnd
    {102, {kFlatNormal, kNeutralDetail, kWhite, kWhite, kNoSpecular}},      // Super
    {127, {kFlatNormal, kNeutralDetail, kWhite, kWhite, kNoSpecular}},      // SuperExt
    {128, {kFlatNormal, kNeutralDetail, kWhite, kWhite, kNoSpecular}},      // SuperAToC
    {129, {kFlatNormal, kNeutralDetail, kWhite, kWhite, kNoSpecular}},      // SuperHair
    {130, {kFlatNormal, kNeutralDetail, kWhite, kWhite, kNoSpecular}},      // SuperHairAToC
};

// Stages up to this one are reported when the shader needs them and they are missing.
constexpr int kReportedStages = 3;

const ShaderStages* FindShader(int shader) {
  for (const ShaderStages& entry : kShaderStages)
    if (entry.shader == shader) return &entry;
  return nullptr;
}

}  // namespace

void CheckMaterialStages(TexMaterial& m) {
  std::string shaderName(MaterialEnumName(MaterialEnum::PixelShader, m.pixelShaderID));
  for (int i = 0; i < m.StageCount(); ++i) {
    const TexStageInfo& stage = m.stages[static_cast<size_t>(i)];
    if (stage.texture.empty()) continue;
    if (m.texGens[static_cast<size_t>(stage.texGen)].uvSource == uv_source::kNone)
      WarningMessage("Bad uvSource None in %s stage %d (%s, tex %s)", m.Name().c_str(), i, shaderName.c_str(),
                     stage.texture.c_str());
  }
  const ShaderStages* needed = FindShader(m.pixelShaderID);
  if (!needed) return;
  for (int i = 1; i <= 6 && needed->stages[i - 1]; ++i) {
    TexStageInfo& stage = m.stages[static_cast<size_t>(i)];
    if (!stage.texture.empty()) continue;
    if (i <= kReportedStages)
      ErrorMessage("Error in material %s - stage %d texture not specified for %s", m.Name().c_str(), i,
                   shaderName.c_str());
    stage.texture = needed->stages[i - 1];
  }
}
