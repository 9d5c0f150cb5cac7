#include "lib/shape/bone_sections.h"

#include <algorithm>

#include "el/appframe/app_frame.h"
#include "lib/shape/bone_section_cut.h"
#include "lib/shape/bone_slots.h"
#include "lib/shape/bone_windows.h"
#include "lib/shape/section_sort.h"
#include "lib/shape/shape.h"
#include "lib/shape/skeleton.h"

namespace {

// Bones that have a non-empty selection in the LOD but no slot yet get one, in skeleton
// order.
void AddSelectedBones(const Shape& shape, const Skeleton& skeleton, AutoArray<int>& slots) {
  for (int bone = 0; bone < skeleton.NBones(); ++bone) {
    if (std::find(slots.begin(), slots.end(), bone) != slots.end()) continue;
    int index = shape.FindSelection(skeleton.Bone(bone).name);
    if (index >= 0 && !shape.Selections()[static_cast<size_t>(index)].IsEmpty()) slots.push_back(bone);
  }
}

AutoArray<AutoArray<int>> SkeletonToSlots(const AutoArray<int>& slots, int nBones) {
  AutoArray<AutoArray<int>> result(static_cast<size_t>(std::max(nBones, 0)));
  for (size_t s = 0; s < slots.size(); ++s) {
    int bone = slots[s];
    if (bone >= 0 && bone < nBones) result[static_cast<size_t>(bone)].push_back(static_cast<int>(s));
  }
  return result;
}

}  // namespace

BoneSectionResult BuildBoneSections(Shape& shape, const Skeleton& skeleton, const AutoArray<SkeletonWeights>& weights,
                                    int bonesInterval, bool shadowVolume, const BoneMessageNames& names) {
  BoneSectionResult result;
  result.oldSections = static_cast<int>(shape.Sections().size());
  AutoArray<VertexNeighbors> neighbors;
  if (shadowVolume) neighbors = FindVertexNeighbors(shape.Faces(), shape.NVertices());
  AutoArray<AutoArray<int>> faceBones = FaceBoneSets(shape, skeleton, weights, neighbors);
  AutoArray<BoneSection> cut = CutSectionsByBones(shape, faceBones, std::max(bonesInterval, 1));

  AutoArray<int> slots;
  PlaceBoneWindows(cut, slots, bonesInterval);
  AddSelectedBones(shape, skeleton, slots);

  AutoArray<ShapeSection>& sections = shape.Sections();
  sections.clear();
  for (BoneSection& section : cut) sections.push_back(section.section);
  result.newSections = static_cast<int>(sections.size());
  shape.SkeletonToSubSkeleton() = SkeletonToSlots(slots, skeleton.NBones());
  shape.SubSkeletonToSkeleton() = std::move(slots);
  result.duplicatedVertices = RewriteVertexSlots(shape, weights, neighbors, names);
  if (result.newSections != result.oldSections) {
    LogMessage("Info: Old sections %d, new sections %d", result.oldSections, result.newSections);
    AssignSelectionSections(shape);
  }
  return result;
}
