#pragma once
// The shadow step of a model: whether the visual LODs can cast shadows, the shadow-buffer
// source from the geometry LOD's "sbsource" property (0 visual LODs, 1 shadow volumes
// turned into shadow-buffer LODs, 2 explicit shadow-buffer LODs, 3 none), and the
// shadow-volume LODs that were set aside while the LODs were read.
#include "el/qstream/basic_types.h"
#include "lib/shape/prepare_lod.h"
#include "lib/shape/shape.h"

class LODShape;

// A shadow-volume LOD kept out of the LOD list until the shadow step.
struct SetAsideLod {
  ShapeRef lod;
  float resolution = 0.0f;
};

// True when the visual LODs can cast shadows.
bool VisualShadowsPossible(const LODShape& model);

// Runs the shadow step; the set-aside LODs are added as shadow-buffer LODs where the
// source asks for it (prepared with `settings`).
void PrepareShadows(LODShape& model, const AutoArray<SetAsideLod>& setAside, const LodPreparationSettings& settings);
