#include "lib/shape/material_enums.h"

#include <span>

#include "platform/ascii.h"

namespace {

constexpr std::string_view kPixelShaders[] = {
    "Normal", "NormalDXTA", "NormalMap", "NormalMapThrough", "NormalMapGrass", "NormalMapDiffuse", "Detail",
    "Interpolation", "Water", "WaterSimple", "White", "WhiteAlpha", "AlphaShadow", "AlphaNoShadow", "Dummy0",
    "DetailMacroAS", "NormalMapMacroAS", "NormalMapDiffuseMacroAS", "NormalMapSpecularMap",
    "NormalMapDetailSpecularMap", "NormalMapMacroASSpecularMap", "NormalMapDetailMacroASSpecularMap",
    "NormalMapSpecularDIMap", "NormalMapDetailSpecularDIMap", "NormalMapMacroASSpecularDIMap",
    "NormalMapDetailMacroASSpecularDIMap", "Terrain1", "Terrain2", "Terrain3", "Terrain4", "Terrain5", "Terrain6",
    "Terrain7", "Terrain8", "Terrain9", "Terrain10", "Terrain11", "Terrain12", "Terrain13", "Terrain14", "Terrain15",
    "TerrainSimple1", "TerrainSimple2", "TerrainSimple3", "TerrainSimple4", "TerrainSimple5", "TerrainSimple6",
    "TerrainSimple7", "TerrainSimple8", "TerrainSimple9", "TerrainSimple10", "TerrainSimple11", "TerrainSimple12",
    "TerrainSimple13", "TerrainSimple14", "TerrainSimple15", "Glass", "NonTL", "NormalMapSpecularThrough", "Grass",
    "NormalMapThroughSimple", "NormalMapSpecularThroughSimple", "Road", "Shore", "ShoreWet", "Road2Pass",
    "ShoreFoam", "NonTLFlare", "NormalMapThroughLowEnd", "TerrainGrass1", "TerrainGrass2", "TerrainGrass3",
    "TerrainGrass4", "TerrainGrass5", "TerrainGrass6", "TerrainGrass7", "TerrainGrass8", "TerrainGrass9",
    "TerrainGrass10", "TerrainGrass11", "TerrainGrass12", "TerrainGrass13", "TerrainGrass14", "TerrainGrass15",
    "Crater1", "Crater2", "Crater3", "Crater4", "Crater5", "Crater6", "Crater7", "Crater8", "Crater9", "Crater10",
    "Crater11", "Crater12", "Crater13", "Crater14", "Sprite", "SpriteSimple", "Cloud", "Horizon", "Super", "Multi",
    "TerrainX", "TerrainSimpleX", "TerrainGrassX", "Tree", "TreePRT", "TreeSimple", "Skin", "CalmWater", "TreeAToC",
    "GrassAToC", "TreeAdv", "TreeAdvSimple", "TreeAdvTrunk", "TreeAdvTrunkSimple", "TreeAdvAToC",
    "TreeAdvSimpleAToC", "TreeSN", "SpriteExtTi", "TerrainSNX", "SimulWeatherClouds",
    "SimulWeatherCloudsWithLightning", "SimulWeatherCloudsCPU", "SimulWeatherCloudsWithLightningCPU", "SuperExt",
    "SuperAToC", "SuperHair", "SuperHairAToC", "NonTLHeatHaze", "Planet",
};
static_assert(std::size(kPixelShaders) == pixel_shader::kCount);

constexpr std::string_view kVertexShaders[] = {
    "Basic", "NormalMap", "NormalMapDiffuse", "Grass", "Dummy1", "Dummy2", "ShadowVolume", "Water", "WaterSimple",
    "Sprite", "Point", "NormalMapThrough", "Dummy3", "Terrain", "BasicAS", "NormalMapAS", "NormalMapDiffuseAS",
    "Glass", "NormalMapSpecularThrough", "NormalMapThroughNoFade", "NormalMapSpecularThroughNoFade", "Shore",
    "TerrainGrass", "Super", "Multi", "Tree", "TreeNoFade", "TreePRT", "TreePRTNoFade", "Skin", "CalmWater",
    "TreeAdv", "TreeAdvTrunk", "SimulWeatherClouds", "SimulWeatherCloudsCPU", "TreeAdvModNormals",
};
static_assert(std::size(kVertexShaders) == vertex_shader::kCount);

// Values 1 and 2 have no name.
constexpr std::string_view kMainLights[] = {"None", "", "", "Sun", "Sky", "Horizon", "Stars", "SunObject",
                                            "SunHaloObject", "MoonObject", "MoonHaloObject"};
constexpr std::string_view kFogModes[] = {"None", "Fog", "Alpha", "FogAlpha"};
constexpr std::string_view kUVSources[] = {"None", "Tex", "TexWaterAnim", "Pos", "Norm",
                                           "Tex1", "WorldPos", "WorldNorm", "TexShoreAnim"};
constexpr std::string_view kFilters[] = {"Point", "Linear", "Trilinear", "Anizotropic",
                                         "Anizotropic2", "Anizotropic4", "Anizotropic8", "Anizotropic16"};
constexpr std::string_view kRenderFlags[] = {"AlwaysInShadow", "NoZWrite", "LandShadow", "Dummy0", "NoColorWrite",
                                             "NoAlphaWrite", "AddBlend", "AlphaTest32", "AlphaTest64",
                                             "AlphaTest128", "Road", "NoTiWrite", "SurfaceDecal"};

std::span<const std::string_view> Names(MaterialEnum kind) {
  switch (kind) {
    case MaterialEnum::PixelShader: return kPixelShaders;
    case MaterialEnum::VertexShader: return kVertexShaders;
    case MaterialEnum::MainLight: return kMainLights;
    case MaterialEnum::FogMode: return kFogModes;
    case MaterialEnum::UVSource: return kUVSources;
    case MaterialEnum::Filter: return kFilters;
    case MaterialEnum::RenderFlag: return kRenderFlags;
  }
  return {};
}

}  // namespace

std::optional<int> MaterialEnumValue(MaterialEnum kind, std::string_view name) {
  if (name.empty()) return std::nullopt;
  std::span<const std::string_view> names = Names(kind);
  for (size_t i = 0; i < names.size(); ++i)
    if (AsciiEqualIgnoreCase(names[i], name)) return static_cast<int>(i);
  return std::nullopt;
}

std::string_view MaterialEnumName(MaterialEnum kind, int value) {
  std::span<const std::string_view> names = Names(kind);
  if (value < 0 || static_cast<size_t>(value) >= names.size()) return {};
  return names[static_cast<size_t>(value)];
}

int MaterialEnumCount(MaterialEnum kind) { return static_cast<int>(Names(kind).size()); }
