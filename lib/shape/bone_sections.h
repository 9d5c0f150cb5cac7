#pragma once
// Cutting the sections of a skinned LOD so that none needs more than a given number of
// bones, placing each section's bone window in the LOD's subskeleton, and rewriting the
// vertices' bones from skeleton bones to subskeleton slots.
#include "el/qstream/basic_types.h"
#include "lib/shape/bone_weights.h"

class Shape;
class Skeleton;

// What the cut found, for the callers' messages and tests.
struct BoneSectionResult {
  int oldSections = 0;
  int newSections = 0;
  int duplicatedVertices = 0;  // vertices copied so that each section's slots lie in its window
};

// Cuts the sections of `shape` at `bonesInterval` bones, fills its subskeleton (both
// directions) and its vertices' weights (as slots), from `weights` (one per vertex, as
// skeleton bones). A shadow-volume LOD also gets its neighbour records, whose bones count
// for the cut. Logs "Info: Old sections %d, new sections %d" when the count changes.
BoneSectionResult BuildBoneSections(Shape& shape, const Skeleton& skeleton, const AutoArray<SkeletonWeights>& weights,
                                    int bonesInterval, bool shadowVolume, const BoneMessageNames& names);
