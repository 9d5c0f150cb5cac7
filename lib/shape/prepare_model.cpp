#include "lib/shape/prepare_model.h"

#include "engine/process_flags.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/model_config_values.h"
#include "lib/shape/prepare_animation_type.h"
#include "lib/shape/prepare_bounds.h"
#include "lib/shape/prepare_materials.h"
#include "lib/shape/prepare_properties.h"
#include "lib/shape/prepare_selections.h"
#include "lib/shape/prepare_shrink.h"
#include "lib/shape/tex_material.h"

namespace {

// The shader marker: a visual LOD draws a section with an alpha-tested shader.
bool UsesThroughShaders(const Shape& shape) {
  for (const ShapeSection& section : shape.Sections()) {
    int index = section.materialIndex;
    if (index >= 0 && static_cast<size_t>(index) < shape.Materials().size() &&
        UsesThroughShader(shape.Materials()[static_cast<size_t>(index)].get()))
      return true;
  }
  return false;
}

// The first LOD that may cast shadows: the first visual LOD (the runtime writer refines
// it by face counts); the LOD count when there is none.
void ChooseShadowLodLimit(LODShape& model) {
  SpecialLodIndices& special = model.Special();
  special.shadowLodLimit = special.visualLodCount > 0 ? 0 : model.NLods();
}

}  // namespace

void ModelPreparation::BeginModel(LODShape& model) {
  shrink_ = ShrinkModels();
  setAside_.clear();
  ReadModelConfigValues(model);
  settings_.skeleton = model.Config().skeleton.get();
  settings_.bonesInterval = model.TargetBonesInterval();
}

bool ModelPreparation::AddLod(LODShape& model, ShapeRef lod, float resolution) {
  if (!lod) return true;
  if (shrink_ && ShrinkDropsResolution(resolution)) return true;
  if (IsShadowVolumeResolution(resolution)) {
    setAside_.push_back({std::move(lod), resolution});
    return true;
  }
  if (!model.AddLod(lod, resolution)) return true;
  int index = model.NLods() - 1;
  PrepareLod(model, index, SpecialLodKind(resolution), settings_);
  if (!(resolution > lod_resolution::kVisualLimit) && UsesThroughShaders(*lod)) model.SetShaderMarker(1);
  return true;
}

void ModelPreparation::EndModel(LODShape& model) {
  ChooseShadowLodLimit(model);
  ReadPlacementProperties(model);
  RecomputeModelValues(model);
  if (shrink_) {
    ShrinkVisualLods(model);
    RecomputeModelValues(model);
  }
  DecideAnimationType(model);
  PrepareShadows(model, setAside_, settings_);
  RecomputeModelValues(model);
  ReadObjectProperties(model);
  ComputeLodDensity(model);
  RemoveConfiguredSelections(model);
  setAside_.clear();
}
