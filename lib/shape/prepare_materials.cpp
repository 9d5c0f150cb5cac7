#include "lib/shape/prepare_materials.h"

#include <algorithm>
#include <iterator>

#include "lib/shape/material_enums.h"
#include "lib/shape/tex_material.h"

namespace {

constexpr int kThroughShaders[] = {3, 58, 60, 61, 107, 108, 114, 115, 116, 117, 120};
constexpr int kUVSourceTex1 = 5;

}  // namespace

bool UsesThroughShader(const TexMaterial* material) {
  return material && std::find(std::begin(kThroughShaders), std::end(kThroughShaders), material->pixelShaderID) !=
                         std::end(kThroughShaders);
}

bool IsShadowBufferMaterial(const TexMaterial* material) { return UsesThroughShader(material); }

bool NeedsSecondUVSet(const TexMaterial* material) {
  if (!material) return false;
  int stages = std::min(material->StageCount(), TexMaterial::kMaxStages);
  for (int i = 0; i < stages; ++i) {
    int texGen = material->stages[static_cast<size_t>(i)].texGen;
    if (texGen < 0 || texGen >= TexMaterial::kTexGenSlots) continue;
    if (material->texGens[static_cast<size_t>(texGen)].uvSource == kUVSourceTex1) return true;
  }
  return false;
}
