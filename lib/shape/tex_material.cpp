#include "lib/shape/tex_material.h"

#include <algorithm>

TexMaterial::TexMaterial(RString name) : name_(std::move(name)) {
  // A stage uses the generator of its own index unless it names another.
  for (int i = 0; i < kMaxStages; ++i) stages[static_cast<size_t>(i)].texGen = i;
}

void TexMaterial::Reset() {
  RString name = std::move(name_);
  *this = TexMaterial(std::move(name));
}

AutoArray<RString> TexMaterial::TextureNames() const {
  AutoArray<RString> names;
  for (int i = 0; i < stageCount_; ++i)
    if (!stages[static_cast<size_t>(i)].texture.empty()) names.push_back(stages[static_cast<size_t>(i)].texture);
  if (hasStageTI && !stageTI.texture.empty()) names.push_back(stageTI.texture);
  return names;
}

void TexMaterial::DeriveCounts() {
  stageCount_ = 0;
  for (int i = kMaxStages - 1; i >= 0; --i) {
    if (!stages[static_cast<size_t>(i)].texture.empty()) {
      stageCount_ = i + 1;
      break;
    }
  }
  texGenCount_ = 0;
  for (int i = 0; i < stageCount_; ++i)
    texGenCount_ = std::max(texGenCount_, stages[static_cast<size_t>(i)].texGen + 1);
}
