#pragma once
// Arithmetic on Vector3 for the geometry of models.
#include <cmath>

#include "el/qstream/vector3.h"

inline Vector3 Add(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 Sub(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 Scale(const Vector3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
inline float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector3 Cross(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// `v` scaled to length 1, or `fallback` when `v` has no usable length.
inline Vector3 Normalized(const Vector3& v, const Vector3& fallback) {
  float length = std::sqrt(Dot(v, v));
  if (!(length > 1e-12f) || !std::isfinite(length)) return fallback;
  return {v.x / length, v.y / length, v.z / length};
}
