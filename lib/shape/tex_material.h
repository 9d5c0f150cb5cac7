#pragma once
// TexMaterial: how the faces of a section are shaded, as a material file or a class of
// "CfgMaterials" defines it. Shared by name through the engine's material cache.
//
// The members carry the keys of the material file (same names); a new material, and one
// whose definition could not be read, has the defaults below.
#include <array>
#include <memory>

#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"
#include "lib/shape/material_enums.h"
#include "lib/shape/matrix4.h"

struct MaterialColor {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
  friend bool operator==(const MaterialColor&, const MaterialColor&) = default;
};

// One texture stage ("stage0" ... "stage14", "stageTI").
struct TexStageInfo {
  int filter = texture_filter::kAnizotropic;
  RString texture;  // file name, lower case; empty = none
  int texGen = 0;   // texture generator of the stage
  bool useWorldEnvMap = false;
  friend bool operator==(const TexStageInfo&, const TexStageInfo&) = default;
};

// One texture-coordinate generator ("texGen0" ... "texGen7").
struct TexGenInfo {
  int uvSource = uv_source::kTex;
  Matrix4 uvTransform;
  friend bool operator==(const TexGenInfo&, const TexGenInfo&) = default;
};

class TexMaterial {
 public:
  static constexpr int kMaxStages = 15;   // "stage0" ... "stage14"
  static constexpr int kMaxTexGens = 8;   // "texGen0" ... "texGen7"
  // A stage may name any generator slot up to its own stage index.
  static constexpr int kTexGenSlots = kMaxStages;

  explicit TexMaterial(RString name);

  const RString& Name() const { return name_; }
  // Every key back to its default; no stage, no generator.
  void Reset();

  // The number of stages: one more than the index of the last stage with a texture.
  int StageCount() const { return stageCount_; }
  // The number of texture generators: one more than the highest "texGen" of those stages.
  int TexGenCount() const { return texGenCount_; }
  // Recomputes both counts from the stages.
  void DeriveCounts();
  // The texture names of the stages in use and of "stageTI" (procedural ones included).
  AutoArray<RString> TextureNames() const;

  MaterialColor emmisive{0, 0, 0, 1};
  MaterialColor ambient{1, 1, 1, 1};
  MaterialColor diffuse{1, 1, 1, 1};
  MaterialColor forcedDiffuse{0, 0, 0, 0};
  MaterialColor specular{0, 0, 0, 1};
  MaterialColor treeColorization{0, 0, 0, 1};
  std::array<float, 4> plantWind{0.0f, 0.0f, 0.3f, 0.99f};
  std::array<float, 4> superExt{1.0f, 1.0f, 1.0f, 1.0f};
  float specularPower = 0.0f;
  float parallaxScale = 0.0f;
  float terrainIndirectLocalShadowBias = 0.0f;
  float shadowBias = 0.0f;
  int sortBias = 0;
  int superAllowProjectionLayer = 0;
  int treeAllowProjectionLayer = 0;
  int multiTopProjectionLayer = -1;
  float degAngleTopProjectionStart = 30.0f;
  float degAngleTopProjectionEnd = 45.0f;
  int multiTopProjectionBlend = 0;
  int multiTopProjectionLayerNormal = -1;
  Vector3 projectionVector{0.0f, 1.0f, 0.0f};
  int pixelShaderID = pixel_shader::kNormal;
  int vertexShaderID = vertex_shader::kBasic;
  int mainLight = main_light::kSun;
  int fogMode = fog_mode::kFog;
  uint32_t renderFlags = 0;  // bit n: render flag n
  RString nextPass;          // a further material drawn after this one
  RString surfaceInfo;       // name of a surface description
  std::array<TexStageInfo, kMaxStages> stages{};
  std::array<TexGenInfo, kTexGenSlots> texGens{};
  TexStageInfo stageTI;
  bool hasStageTI = false;

 private:
  RString name_;
  int stageCount_ = 0;
  int texGenCount_ = 0;
};

using TexMaterialRef = std::shared_ptr<TexMaterial>;
