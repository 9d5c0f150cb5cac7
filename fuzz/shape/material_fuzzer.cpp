// Arbitrary bytes through the material reader: a binary configuration or text.
#include <cstdint>
#include <cstdlib>

#include "fuzz/shape/shape_fuzz.h"
#include "lib/shape/material_bank.h"
#include "lib/shape/tex_material.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PrepareShapeFuzzing();
  TexMaterial material("fuzz.rvmat");
  LoadMaterialFromBytes(material, reinterpret_cast<const char*>(data), size);
  if (material.StageCount() > TexMaterial::kMaxStages || material.TexGenCount() > TexMaterial::kTexGenSlots) std::abort();
  if (material.pixelShaderID < 0 || material.pixelShaderID >= pixel_shader::kCount) std::abort();
  FinishShapeInput();
  return 0;
}
