#include "lib/shape/vertex_table.h"

#include <algorithm>
#include <cmath>

#include "lib/shape/packed_normal.h"
#include "lib/shape/point_flags.h"

namespace {

template <class T>
void Append(CompactArray<T>& array, const T& value) {
  if (array.IsCondensed()) {
    if (value == array.CondensedValue()) {
      array.SetCondensed(array.Size() + 1, value);
      return;
    }
    array.Expand();
  }
  array.Elements().push_back(value);
}

}  // namespace

int VertexTable::Add(const Vector3& position, uint32_t packedNormal, uint32_t clipFlags, uint32_t uv0, uint32_t uv1) {
  int index = NVertices();
  positions_.push_back(position);
  Append(normals_, packedNormal);
  Append(clipFlags_, clipFlags);
  Append(uv_[0].Packed(), uv0);
  if (hasUV1_) Append(uv_[1].Packed(), uv1);
  return index;
}

void VertexTable::Reserve(int count) {
  size_t n = static_cast<size_t>(std::max(count, 0));
  positions_.reserve(n);
  normals_.Elements().reserve(n);
  clipFlags_.Elements().reserve(n);
  uv_[0].Packed().Elements().reserve(n);
  if (hasUV1_) uv_[1].Packed().Elements().reserve(n);
}

void VertexTable::Clear() {
  positions_.clear();
  normals_.SetElements({});
  clipFlags_.SetElements({});
  uv_[0].Packed().SetElements({});
  uv_[1].Packed().SetElements({});
  tangents_.clear();
  weights_.clear();
  neighbors_.clear();
}

void VertexTable::SetSecondUVSet(bool present) {
  hasUV1_ = present;
  uv_[1].Packed().SetElements({});
}

Vector3 VertexTable::UnpackedNormal(int index) const { return UnpackNormal(normals_[index]); }

void VertexTable::Condense() {
  normals_.Condense();
  clipFlags_.Condense();
  uv_[0].Packed().Condense();
  if (hasUV1_) uv_[1].Packed().Condense();
}

void VertexTable::Expand() {
  normals_.Expand();
  clipFlags_.Expand();
  uv_[0].Packed().Expand();
  uv_[1].Packed().Expand();
}

uint32_t VertexTable::ClipFlagsOr() const {
  uint32_t result = 0;
  if (clipFlags_.IsCondensed()) return clipFlags_.CondensedValue() & clip_flags::kSummaryMask;
  for (uint32_t flags : clipFlags_.Elements()) result |= flags;
  return result & clip_flags::kSummaryMask;
}

uint32_t VertexTable::ClipFlagsAnd() const {
  if (clipFlags_.Size() == 0) return 0;
  if (clipFlags_.IsCondensed()) return clipFlags_.CondensedValue() & clip_flags::kSummaryMask;
  uint32_t result = ~0u;
  for (uint32_t flags : clipFlags_.Elements()) result &= flags;
  return result & clip_flags::kSummaryMask;
}

VertexTable::Bounds VertexTable::ComputeBounds() const {
  Bounds bounds;
  if (positions_.empty()) return bounds;
  bounds.min = bounds.max = positions_.front();
  for (const Vector3& p : positions_) {
    bounds.min = {std::min(bounds.min.x, p.x), std::min(bounds.min.y, p.y), std::min(bounds.min.z, p.z)};
    bounds.max = {std::max(bounds.max.x, p.x), std::max(bounds.max.y, p.y), std::max(bounds.max.z, p.z)};
  }
  bounds.center = {(bounds.min.x + bounds.max.x) * 0.5f, (bounds.min.y + bounds.max.y) * 0.5f,
                   (bounds.min.z + bounds.max.z) * 0.5f};
  float radius2 = 0.0f;
  for (const Vector3& p : positions_) {
    float dx = p.x - bounds.center.x, dy = p.y - bounds.center.y, dz = p.z - bounds.center.z;
    radius2 = std::max(radius2, dx * dx + dy * dy + dz * dz);
  }
  bounds.radius = std::sqrt(radius2);
  return bounds;
}
