#include "lib/shape/vertex_tangents.h"

#include <cmath>

#include "lib/shape/packed_normal.h"
#include "lib/shape/shape.h"
#include "lib/shape/vector_ops.h"

namespace {

// Below this |du1 dv2 - du2 dv1| a triangle's UVs give no direction.
constexpr float kSmallestUVArea = 1e-12f;

struct TangentSums {
  Vector3 s, t;
};

// Adds the tangent directions of the triangle (a, b, c), weighted by its size, to its
// corners.
void AddTriangle(const VertexTable& table, int a, int b, int c, AutoArray<TangentSums>& sums) {
  float ua, va, ub, vb, uc, vc;
  table.UV(0).Get(a, ua, va);
  table.UV(0).Get(b, ub, vb);
  table.UV(0).Get(c, uc, vc);
  Vector3 e1 = Sub(table.Position(b), table.Position(a));
  Vector3 e2 = Sub(table.Position(c), table.Position(a));
  float du1 = ub - ua, dv1 = vb - va, du2 = uc - ua, dv2 = vc - va;
  float r = du1 * dv2 - du2 * dv1;
  if (!(std::fabs(r) > kSmallestUVArea)) return;
  Vector3 s = Scale(Sub(Scale(e1, dv2), Scale(e2, dv1)), 1.0f / r);
  Vector3 t = Scale(Sub(Scale(e2, du1), Scale(e1, du2)), 1.0f / r);
  // Weighted by the triangle's area so that big faces count more than slivers.
  Vector3 doubleArea = Cross(e1, e2);
  float weight = std::sqrt(Dot(doubleArea, doubleArea));
  for (int v : {a, b, c}) {
    TangentSums& sum = sums[static_cast<size_t>(v)];
    sum.s = Add(sum.s, Scale(Normalized(s, {}), weight));
    sum.t = Add(sum.t, Scale(Normalized(t, {}), weight));
  }
}

// Some direction perpendicular to `n`.
Vector3 AnyPerpendicular(const Vector3& n) {
  Vector3 axis = std::fabs(n.x) < 0.9f ? Vector3{1, 0, 0} : Vector3{0, 1, 0};
  return Normalized(Cross(axis, n), {1, 0, 0});
}

VertexTangent Orthonormal(const Vector3& normal, const TangentSums& sum) {
  Vector3 n = Normalized(normal, {0, 1, 0});
  Vector3 s = Normalized(Sub(sum.s, Scale(n, Dot(n, sum.s))), AnyPerpendicular(n));
  Vector3 side = Cross(n, s);
  // T follows the UVs' handedness: mirrored UVs turn it the other way.
  Vector3 t = Dot(side, sum.t) < 0.0f ? Scale(side, -1.0f) : side;
  return {PackNormal(s), PackNormal(t)};
}

}  // namespace

void ComputeVertexTangents(Shape& shape) {
  VertexTable& table = shape.Vertices();
  int nVertices = table.NVertices();
  AutoArray<VertexTangent>& tangents = table.Tangents();
  tangents.clear();
  if (nVertices == 0 || table.UV(0).Size() != nVertices || table.Normals().Size() != nVertices) return;

  AutoArray<TangentSums> sums(static_cast<size_t>(nVertices));
  const FaceData& faces = shape.Faces();
  for (int o = faces.Begin(); o < faces.End(); o = faces.Next(o)) {
    FaceRef face = faces.Face(o);
    bool inside = true;
    for (int i = 0; i < face.N(); ++i) inside = inside && face.Vertex(i) < nVertices;
    if (!inside) continue;
    for (int i = 1; i + 1 < face.N(); ++i) AddTriangle(table, face.Vertex(0), face.Vertex(i), face.Vertex(i + 1), sums);
  }
  tangents.resize(static_cast<size_t>(nVertices));
  for (int v = 0; v < nVertices; ++v)
    tangents[static_cast<size_t>(v)] = Orthonormal(table.UnpackedNormal(v), sums[static_cast<size_t>(v)]);
}
