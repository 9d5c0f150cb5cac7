#include "lib/shape/bone_weights.h"

#include <algorithm>
#include <set>
#include <utility>

#include "el/appframe/app_frame.h"
#include "el/qstream/stream_report.h"
#include "lib/shape/shape.h"
#include "lib/shape/skeleton.h"

namespace {

// The skeletal-animation code reports under this source name.
constexpr const char* kAnimationSource = "lib/rtanimation";
constexpr int kFirstIndexOutOfByte = 255;
constexpr int kFullWeight = 255;
constexpr float kLowestSum = 0.8f;
constexpr float kHighestSum = 1.2f;

// Adds (bone, weight) to `w`; with four pairs already, the lightest pair lighter than the
// new one gives way (never the first), or the new bone is dropped. Returns the bone
// removed, or -1 when nothing was removed.
int AddPair(SkeletonWeights& w, int bone, uint8_t weight) {
  if (w.count < SkeletonWeights::kMaxPairs) {
    w.bone[w.count] = bone;
    w.weight[w.count] = weight;
    ++w.count;
    return -1;
  }
  int lightest = 0;
  for (int i = 1; i < SkeletonWeights::kMaxPairs; ++i)
    if (w.weight[i] < w.weight[lightest]) lightest = i;
  if (w.weight[lightest] >= weight || lightest == 0) return bone;
  int removed = w.bone[lightest];
  w.bone[lightest] = bone;
  w.weight[lightest] = weight;
  return removed;
}

// Rescales the weights of `w` to sum to 255.
void Normalise(SkeletonWeights& w, int sum) {
  if (w.count == 1) {
    w.weight[0] = kFullWeight;
    return;
  }
  int total = 0, heaviest = 0;
  for (int i = 0; i < w.count; ++i) {
    int scaled = (w.weight[i] * kFullWeight + sum / 2) / sum;
    w.weight[i] = static_cast<uint8_t>(std::min(scaled, kFullWeight));
    total += w.weight[i];
    if (w.weight[i] > w.weight[heaviest]) heaviest = i;
  }
  int rest = w.weight[heaviest] + (kFullWeight - total);
  w.weight[heaviest] = static_cast<uint8_t>(std::clamp(rest, 0, kFullWeight));
}

}  // namespace

void ReportSubSkeletonIndex(int index) {
  ErrorMessage("SubSkeletonIndex: %d", index);
  ReportAtSource(kAnimationSource, 412, "Error: SubSkeletonIndex out of bounds");
}

AutoArray<SkeletonWeights> ComputeBoneWeights(Shape& shape, const Skeleton& skeleton, const BoneMessageNames& names) {
  int nVertices = shape.NVertices();
  AutoArray<SkeletonWeights> weights(static_cast<size_t>(nVertices));
  // Bone of a full weight from a selection without weights, per vertex (-1 = none).
  AutoArray<int> rigidBone(static_cast<size_t>(nVertices), -1);
  std::set<std::pair<int, int>> reportedShares;
  for (int bone = 0; bone < skeleton.NBones(); ++bone) {
    int index = shape.FindSelection(skeleton.Bone(bone).name);
    if (index < 0) continue;
    const NamedSelection& selection = shape.Selections()[static_cast<size_t>(index)];
    if (selection.Vertices().empty()) continue;
    if (bone >= kFirstIndexOutOfByte) ReportSubSkeletonIndex(bone);
    bool rigid = !selection.HasWeights();
    for (size_t i = 0; i < selection.Vertices().size(); ++i) {
      int v = selection.Vertices()[i];
      if (v >= nVertices) continue;
      uint8_t weight = rigid ? uint8_t{kFullWeight} : selection.VertexWeights()[i];
      SkeletonWeights& w = weights[static_cast<size_t>(v)];
      int removed = AddPair(w, bone, weight);
      if (removed >= 0) {
        WarningMessage("Warning: %s:%s, too many bones (more than 4) on vertex %d, removed %s", names.model.c_str(),
                       names.lod.c_str(), v, skeleton.Bone(removed).name.c_str());
        shape.MarkWarnings();
      }
      if (!rigid) continue;
      int other = rigidBone[static_cast<size_t>(v)];
      rigidBone[static_cast<size_t>(v)] = bone;
      if (other < 0 || !reportedShares.insert({other, bone}).second) continue;
      if (skeleton.ParentIndex(bone) == other) {
        WarningMessage("Warning: %s:%s, vertices of bone %s are shared with parent bone %s", names.model.c_str(),
                       names.lod.c_str(), skeleton.Bone(bone).name.c_str(), skeleton.Bone(other).name.c_str());
        shape.MarkWarnings();
      } else {
        ErrorMessage("Error: %s:%s, vertices of bone %s are shared with bone %s", names.model.c_str(),
                     names.lod.c_str(), skeleton.Bone(bone).name.c_str(), skeleton.Bone(other).name.c_str());
      }
    }
  }
  for (int v = 0; v < nVertices; ++v) {
    SkeletonWeights& w = weights[static_cast<size_t>(v)];
    if (w.count == 0) continue;
    int sum = 0;
    for (int i = 0; i < w.count; ++i) sum += w.weight[i];
    float fraction = static_cast<float>(sum) / kFullWeight;
    if (fraction < kLowestSum || fraction > kHighestSum) {
      WarningMessage("Warning: %s:%s, vertex: %d, sum of weights is %.0f, should be 100 ", names.model.c_str(),
                     names.lod.c_str(), v, static_cast<double>(fraction * 100.0f));
      shape.MarkWarnings();
    }
    if (sum == 0) {
      ReportAtSource(kAnimationSource, 388, "Sum zero");
      continue;
    }
    Normalise(w, sum);
  }
  return weights;
}
