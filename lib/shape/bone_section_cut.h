#pragma once
// The cut of sorted sections by bone count: faces are taken in order and a section is
// closed before the face whose new bones would take it over the limit.
#include "el/qstream/basic_types.h"
#include "lib/shape/bone_weights.h"
#include "lib/shape/shape_section.h"
#include "lib/shape/vertex_neighbors.h"

class Shape;
class Skeleton;

// One output section and the skeleton bones its faces use, in order of first use.
struct BoneSection {
  ShapeSection section;
  AutoArray<int> bones;
};

// The bones of every face of `shape` (in face order): the bones of its vertices' weights
// and of their `neighbors`' weights (empty unless the LOD is a shadow volume), each with
// the bones of every "BoneGroups" group that holds it; sorted.
AutoArray<AutoArray<int>> FaceBoneSets(const Shape& shape, const Skeleton& skeleton,
                                       const AutoArray<SkeletonWeights>& weights,
                                       const AutoArray<VertexNeighbors>& neighbors);

// Cuts the sections of `shape` so that no output section lists more than `bonesInterval`
// bones, unless one face alone needs more (it then has a section of its own).
AutoArray<BoneSection> CutSectionsByBones(const Shape& shape, const AutoArray<AutoArray<int>>& faceBones,
                                          int bonesInterval);
