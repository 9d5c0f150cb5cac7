#pragma once
// Preparing a model for the runtime format as the source reader hands it over: the model
// configuration before the LODs, the intake and preparation of each LOD, and the
// model-level steps after the last one.
#include "lib/shape/prepare_lod.h"
#include "lib/shape/prepare_shadows.h"
#include "lib/shape/source_model_reader.h"

class ModelPreparation : public SourceModelIntake {
 public:
  // Reads the model configuration (skeleton, removed selections, ...).
  void BeginModel(LODShape& model) override;
  // Drops LODs a shrunk model does without, sets shadow volumes aside, adds and prepares
  // every other LOD.
  bool AddLod(LODShape& model, ShapeRef lod, float resolution) override;
  // The model-level steps, in order: placement properties and centring, the LOD
  // reduction of "-shrinkP3D", animation type, shadows, object properties, LOD density,
  // removed selections.
  void EndModel(LODShape& model) override;

 private:
  LodPreparationSettings settings_;
  AutoArray<SetAsideLod> setAside_;
  bool shrink_ = false;
};
