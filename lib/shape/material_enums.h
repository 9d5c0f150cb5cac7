#pragma once
// The named values of material files: shaders, main light, fog mode, texture-coordinate
// source, texture filter and render flags. Names are matched without regard to case; the
// runtime format stores the numbers.
#include <optional>
#include <string_view>

enum class MaterialEnum {
  PixelShader,   // "pixelShaderID"; 133 shaders, Normal = 0
  VertexShader,  // "vertexShaderID"; 36 shaders, Basic = 0
  MainLight,     // "mainLight"; Sun = 3
  FogMode,       // "fogMode"; Fog = 1
  UVSource,      // "uvSource"; Tex = 1
  Filter,        // "filter"; Anizotropic = 3
  RenderFlag,    // one name of "renderFlags"; flag n sets bit n
};

// The number of `name` in `kind`, or nothing when the name is unknown.
std::optional<int> MaterialEnumValue(MaterialEnum kind, std::string_view name);
// The name of `value` in `kind`, or "" when it has none.
std::string_view MaterialEnumName(MaterialEnum kind, int value);
// The number of values of `kind` (the highest value + 1).
int MaterialEnumCount(MaterialEnum kind);

namespace pixel_shader {
constexpr int kNormal = 0;
constexpr int kCount = 133;
}  // namespace pixel_shader
namespace vertex_shader {
constexpr int kBasic = 0;
constexpr int kCount = 36;
}  // namespace vertex_shader
namespace main_light {
constexpr int kSun = 3;
}
namespace fog_mode {
constexpr int kFog = 1;
}
namespace uv_source {
constexpr int kNone = 0;
constexpr int kTex = 1;
}  // namespace uv_source
namespace texture_filter {
constexpr int kAnizotropic = 3;
constexpr int kMax = 7;
}  // namespace texture_filter
