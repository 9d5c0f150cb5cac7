#pragma once
// A named selection of a LOD: points with weights, faces, and what is derived from them.
//
// The source model selects points (weight 1-255, 255 = full) and faces; the vertices of
// the selected points (with their point's weight) are derived when the vertex table is
// built, the sections it covers when sections are built.
#include <cstdint>

#include "el/qstream/basic_types.h"

class NamedSelection {
 public:
  NamedSelection() = default;
  explicit NamedSelection(RString name) : name_(std::move(name)) {}

  // Lower case.
  const RString& Name() const { return name_; }
  void SetName(RString name) { name_ = std::move(name); }

  // Source points, ascending, with one weight each.
  AutoArray<int>& Points() { return points_; }
  const AutoArray<int>& Points() const { return points_; }
  AutoArray<uint8_t>& PointWeights() { return pointWeights_; }
  const AutoArray<uint8_t>& PointWeights() const { return pointWeights_; }
  // Face indices (in face order), ascending.
  AutoArray<int>& Faces() { return faces_; }
  const AutoArray<int>& Faces() const { return faces_; }
  // Face weights (may be empty).
  AutoArray<uint8_t>& FaceWeights() { return faceWeights_; }
  const AutoArray<uint8_t>& FaceWeights() const { return faceWeights_; }
  // Vertices of the selected points, ascending, with their point's weight.
  AutoArray<uint16_t>& Vertices() { return vertices_; }
  const AutoArray<uint16_t>& Vertices() const { return vertices_; }
  AutoArray<uint8_t>& VertexWeights() { return vertexWeights_; }
  const AutoArray<uint8_t>& VertexWeights() const { return vertexWeights_; }
  // Sections that the selection covers.
  AutoArray<int>& Sections() { return sections_; }
  const AutoArray<int>& Sections() const { return sections_; }

  // True when some point has a weight below full.
  bool HasWeights() const;
  // The weight of point `point` (0 when not selected).
  uint8_t PointWeight(int point) const;
  bool IsEmpty() const { return points_.empty() && faces_.empty(); }

 private:
  RString name_;
  AutoArray<int> points_;
  AutoArray<uint8_t> pointWeights_;
  AutoArray<int> faces_;
  AutoArray<uint8_t> faceWeights_;
  AutoArray<uint16_t> vertices_;
  AutoArray<uint8_t> vertexWeights_;
  AutoArray<int> sections_;
};
