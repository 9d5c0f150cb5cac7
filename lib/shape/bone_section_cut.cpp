#include "lib/shape/bone_section_cut.h"

#include <algorithm>

#include "lib/shape/shape.h"
#include "lib/shape/skeleton.h"

AutoArray<AutoArray<int>> FaceBoneSets(const Shape& shape, const Skeleton& skeleton,
                                       const AutoArray<SkeletonWeights>& weights,
                                       const AutoArray<VertexNeighbors>& neighbors) {
  // For each bone, the bones of the groups that hold it.
  AutoArray<AutoArray<int>> grouped(static_cast<size_t>(skeleton.NBones()));
  for (const AutoArray<int>& group : skeleton.BoneGroups())
    for (int bone : group)
      if (bone >= 0 && bone < skeleton.NBones())
        grouped[static_cast<size_t>(bone)].insert(grouped[static_cast<size_t>(bone)].end(), group.begin(), group.end());

  auto addWeights = [&](size_t v, AutoArray<int>& bones) {
    if (v >= weights.size()) return;
    const SkeletonWeights& w = weights[v];
    for (int p = 0; p < w.count; ++p) {
      int bone = w.bone[p];
      if (bone < 0) continue;
      bones.push_back(bone);
      if (static_cast<size_t>(bone) < grouped.size())
        bones.insert(bones.end(), grouped[static_cast<size_t>(bone)].begin(), grouped[static_cast<size_t>(bone)].end());
    }
  };

  const FaceData& faces = shape.Faces();
  AutoArray<AutoArray<int>> sets;
  sets.reserve(static_cast<size_t>(faces.NFaces()));
  for (int o = faces.Begin(); o < faces.End(); o = faces.Next(o)) {
    FaceRef face = faces.Face(o);
    AutoArray<int> bones;
    for (int i = 0; i < face.N(); ++i) {
      size_t v = face.Vertex(i);
      addWeights(v, bones);
      if (v >= neighbors.size()) continue;
      addWeights(neighbors[v].next, bones);
      addWeights(neighbors[v].previous, bones);
    }
    std::sort(bones.begin(), bones.end());
    bones.erase(std::unique(bones.begin(), bones.end()), bones.end());
    sets.push_back(std::move(bones));
  }
  return sets;
}

AutoArray<BoneSection> CutSectionsByBones(const Shape& shape, const AutoArray<AutoArray<int>>& faceBones,
                                          int bonesInterval) {
  const FaceData& faces = shape.Faces();
  AutoArray<BoneSection> output;
  size_t faceIndex = 0;
  int o = faces.Begin();
  for (const ShapeSection& sorted : shape.Sections()) {
    // Faces before the section (there are none when sections partition the faces).
    while (o < faces.End() && o < sorted.beg) {
      o = faces.Next(o);
      ++faceIndex;
    }
    BoneSection current{sorted, {}};
    current.section.end = sorted.beg;
    current.section.boneWindowStart = current.section.boneWindowLength = 0;
    for (; o < faces.End() && o < sorted.end; o = faces.Next(o), ++faceIndex) {
      const AutoArray<int>& bones = faceBones[faceIndex];
      AutoArray<int> added;
      for (int bone : bones)
        if (std::find(current.bones.begin(), current.bones.end(), bone) == current.bones.end()) added.push_back(bone);
      bool empty = current.section.end == current.section.beg;
      if (!empty && current.bones.size() + added.size() > static_cast<size_t>(bonesInterval)) {
        output.push_back(std::move(current));
        current = BoneSection{sorted, {}};
        current.section.beg = o;
        current.section.boneWindowStart = current.section.boneWindowLength = 0;
        current.bones = bones;
      } else {
        current.bones.insert(current.bones.end(), added.begin(), added.end());
      }
      current.section.end = faces.Next(o);
    }
    current.section.end = sorted.end;
    output.push_back(std::move(current));
  }
  return output;
}
