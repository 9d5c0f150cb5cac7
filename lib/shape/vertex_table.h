#pragma once
// The vertex table of one LOD: what the renderer draws, vertex by vertex.
//
// All per-vertex arrays have the vertex count as their length, or are empty where the
// LOD has no such data (second UV set, tangents, bone weights, neighbour bones). The
// clip flags, the normals and the packed UVs may be held condensed (one value repeated)
// while every vertex has the same value; adding a vertex expands them again.
#include <cstdint>

#include "el/qstream/basic_types.h"
#include "el/qstream/compact_array.h"
#include "el/qstream/vector3.h"
#include "lib/shape/uv_set.h"

// Up to four (bone, weight) pairs of a vertex: bone is a subskeleton slot (255 = none),
// weight 0-255 (255 = full).
struct VertexWeights {
  static constexpr int kMaxPairs = 4;
  static constexpr uint8_t kNoBone = 255;
  int32_t count = 0;
  uint8_t pairs[kMaxPairs][2] = {{kNoBone, 0}, {kNoBone, 0}, {kNoBone, 0}, {kNoBone, 0}};
  friend bool operator==(const VertexWeights&, const VertexWeights&) = default;
};
static_assert(sizeof(VertexWeights) == 12, "bone weights are 12-byte records");

// Tangent space of a vertex: two directions packed like normals.
struct VertexTangent {
  uint32_t tangentS = 0;
  uint32_t tangentT = 0;
  friend bool operator==(const VertexTangent&, const VertexTangent&) = default;
};
static_assert(sizeof(VertexTangent) == 8, "tangents are 8-byte records");

// For shadow volumes of skinned LODs: the two vertices beside a vertex in the first face
// that draws it (the next and the previous corner), each with its bone weights as slots of
// the window of the section that draws the vertex, so that the face can be skinned and
// its plane found after animation.
struct NeighborBones {
  uint16_t vertex = 0;
  uint16_t reserved = 0;
  VertexWeights weights;
  friend bool operator==(const NeighborBones&, const NeighborBones&) = default;
};
struct VertexNeighborInfo {
  NeighborBones next;
  NeighborBones previous;
  friend bool operator==(const VertexNeighborInfo&, const VertexNeighborInfo&) = default;
};
static_assert(sizeof(VertexNeighborInfo) == 32, "neighbour bone records are 32 bytes");

class VertexTable {
 public:
  // The largest vertex count: indices are uint16 and 65535 means "none".
  static constexpr int kMaxVertices = 65535;
  static constexpr uint16_t kNoVertex = 65535;

  int NVertices() const { return static_cast<int>(positions_.size()); }
  bool Empty() const { return positions_.empty(); }

  // Appends a vertex; `uv1` is used when the table has a second UV set. Returns its index.
  int Add(const Vector3& position, uint32_t packedNormal, uint32_t clipFlags, uint32_t uv0, uint32_t uv1 = 0);
  void Reserve(int count);
  // Removes every vertex and every per-vertex array (UV ranges are kept).
  void Clear();
  // Gives the table a second UV set (empty; filled by Add from now on) or removes it.
  void SetSecondUVSet(bool present);
  bool HasSecondUVSet() const { return hasUV1_; }

  const Vector3& Position(int index) const { return positions_[static_cast<size_t>(index)]; }
  uint32_t Normal(int index) const { return normals_[index]; }
  Vector3 UnpackedNormal(int index) const;
  uint32_t ClipFlags(int index) const { return clipFlags_[index]; }

  const AutoArray<Vector3>& Positions() const { return positions_; }
  AutoArray<Vector3>& Positions() { return positions_; }
  const CompactArray<uint32_t>& Normals() const { return normals_; }
  CompactArray<uint32_t>& Normals() { return normals_; }
  const CompactArray<uint32_t>& ClipFlagArray() const { return clipFlags_; }
  CompactArray<uint32_t>& ClipFlagArray() { return clipFlags_; }
  // UV set 0 or 1.
  const UVSet& UV(int set) const { return uv_[set ? 1 : 0]; }
  UVSet& UV(int set) { return uv_[set ? 1 : 0]; }

  // Filled by the preparation; empty until then.
  AutoArray<VertexTangent>& Tangents() { return tangents_; }
  const AutoArray<VertexTangent>& Tangents() const { return tangents_; }
  AutoArray<VertexWeights>& Weights() { return weights_; }
  const AutoArray<VertexWeights>& Weights() const { return weights_; }
  AutoArray<VertexNeighborInfo>& Neighbors() { return neighbors_; }
  const AutoArray<VertexNeighborInfo>& Neighbors() const { return neighbors_; }

  // Condenses each of the clip flags, normals and packed UVs whose values are all equal.
  void Condense();
  // Turns condensed arrays back into lists.
  void Expand();

  // OR and AND of all vertices' clip flags, masked with 0x0FFFFF00 (both 0 without
  // vertices).
  uint32_t ClipFlagsOr() const;
  uint32_t ClipFlagsAnd() const;

  // Bounding box, centre (middle of the box) and radius (about the centre) of the
  // positions; all zero without vertices.
  struct Bounds {
    Vector3 min, max, center;
    float radius = 0.0f;
  };
  Bounds ComputeBounds() const;

 private:
  AutoArray<Vector3> positions_;
  CompactArray<uint32_t> normals_;
  CompactArray<uint32_t> clipFlags_;
  UVSet uv_[2];
  bool hasUV1_ = false;
  AutoArray<VertexTangent> tangents_;
  AutoArray<VertexWeights> weights_;
  AutoArray<VertexNeighborInfo> neighbors_;
};
