#pragma once
// Bone weights of the vertices of one LOD, from the named selections that carry the
// skeleton's bone names: at most four (skeleton bone, weight) pairs per vertex, normalised
// so that the weights of a vertex sum to 255.
#include <cstdint>

#include "el/qstream/basic_types.h"

class Shape;
class Skeleton;

// The weights of one vertex, bones as skeleton indices.
struct SkeletonWeights {
  static constexpr int kMaxPairs = 4;
  int count = 0;
  int bone[kMaxPairs] = {-1, -1, -1, -1};
  uint8_t weight[kMaxPairs] = {0, 0, 0, 0};
};

// Names used in the messages: the model's and the LOD's.
struct BoneMessageNames {
  RString model;
  RString lod;
};

// Weights every vertex of `shape` by the selections named like the bones of `skeleton`,
// reporting too many bones, bones that share vertices and sums far from 100 %. Warnings
// mark the LOD.
AutoArray<SkeletonWeights> ComputeBoneWeights(Shape& shape, const Skeleton& skeleton, const BoneMessageNames& names);

// Reports a bone or slot index that does not fit the one-byte form of the runtime model.
void ReportSubSkeletonIndex(int index);
