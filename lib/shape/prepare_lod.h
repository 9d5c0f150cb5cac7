#pragma once
// Preparing one LOD as it is added to the model: proxies, shadow-LOD face treatment, the
// face sort into sections, bone weights and bone sections (with a skeleton), the second
// UV set check, the vertex tangents and the area values.
class LODShape;
class Skeleton;

struct LodPreparationSettings {
  const Skeleton* skeleton = nullptr;  // the model's skeleton, null when it has none
  int bonesInterval = 55;              // most bones per section
};

// Prepares LOD `index` of `model` with the processing of `kind` (SpecialLodKind).
void PrepareLod(LODShape& model, int index, int kind, const LodPreparationSettings& settings);
