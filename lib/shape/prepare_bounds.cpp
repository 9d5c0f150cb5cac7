#include "lib/shape/prepare_bounds.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "lib/shape/lod_shape.h"
#include "lib/shape/vector_ops.h"

namespace {

constexpr float kSmallestOffset2 = 1e-10f;
constexpr uint32_t kLandOnSurface = 0x100;
constexpr uint32_t kModelOnSurface = 0x2;

struct Box {
  Vector3 min, max;
  bool empty = true;
  void Add(const Vector3& p) {
    if (empty) {
      min = max = p;
      empty = false;
      return;
    }
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
  }
};

const AutoArray<Vector3>& PointsOf(const Shape& shape) {
  return shape.Points().empty() ? shape.Vertices().Positions() : shape.Points();
}

// Centre of mass and inertia tensor of the geometry LOD's points, when the masses fit it.
void ComputeMassValues(LODShape& model) {
  LODShapeBounds& b = model.Bounds();
  const AutoArray<float>& masses = model.Masses();
  float total = 0.0f;
  for (float m : masses) total += m;
  b.mass = total;
  b.invMass = total > 0.0f ? 1.0f / total : 1e10f;
  b.centerOfMass = {};
  static constexpr float kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  std::copy(std::begin(kIdentity), std::end(kIdentity), b.inertia);
  std::copy(std::begin(kIdentity), std::end(kIdentity), b.invInertia);
  const Shape* geometry = model.GeometryLod();
  if (!geometry || !(total > 0.0f) || masses.size() != geometry->Points().size()) return;
  const AutoArray<Vector3>& points = geometry->Points();
  Vector3 com;
  for (size_t i = 0; i < points.size(); ++i)
    com = Add(com, Scale(points[i], masses[i]));
  com = {com.x / total, com.y / total, com.z / total};
  b.centerOfMass = com;
  double t[9] = {};
  for (size_t i = 0; i < points.size(); ++i) {
    double m = masses[i];
    double r[3] = {points[i].x - com.x, points[i].y - com.y, points[i].z - com.z};
    double rr = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) t[row * 3 + col] += m * ((row == col ? rr : 0.0) - r[row] * r[col]);
  }
  double det = t[0] * (t[4] * t[8] - t[5] * t[7]) - t[1] * (t[3] * t[8] - t[5] * t[6]) +
               t[2] * (t[3] * t[7] - t[4] * t[6]);
  for (int i = 0; i < 9; ++i) b.inertia[i] = static_cast<float>(t[i]);
  if (!(std::fabs(det) > 1e-20)) return;
  double inv[9] = {t[4] * t[8] - t[5] * t[7], t[2] * t[7] - t[1] * t[8], t[1] * t[5] - t[2] * t[4],
                   t[5] * t[6] - t[3] * t[8], t[0] * t[8] - t[2] * t[6], t[2] * t[3] - t[0] * t[5],
                   t[3] * t[7] - t[4] * t[6], t[1] * t[6] - t[0] * t[7], t[0] * t[4] - t[1] * t[3]};
  for (int i = 0; i < 9; ++i) b.invInertia[i] = static_cast<float>(inv[i] / det);
}

void MoveShape(Shape& shape, const Vector3& offset) {
  for (Vector3& p : shape.Points()) p = Sub(p, offset);
  for (Vector3& p : shape.Vertices().Positions()) p = Sub(p, offset);
  for (ShapeKeyFrame& frame : shape.KeyFrames())
    for (Vector3& p : frame.points) p = Sub(p, offset);
  for (ProxyObject& proxy : shape.Proxies()) proxy.transform.position = Sub(proxy.transform.position, offset);
}

}  // namespace

void RecomputeModelValues(LODShape& model) {
  LODShapeBounds& b = model.Bounds();
  Box all, visual;
  uint32_t clipAnd = ~0u, clipOr = 0;
  bool anyVertices = false;
  int visualCount = model.Special().visualLodCount;
  for (int i = 0; i < model.NLods(); ++i) {
    const Shape* shape = model.Lod(i).get();
    if (!shape) continue;
    for (const Vector3& p : PointsOf(*shape)) {
      all.Add(p);
      if (i < visualCount) visual.Add(p);
    }
    if (shape->NVertices() > 0) {
      clipAnd &= shape->Vertices().ClipFlagsAnd();
      clipOr |= shape->Vertices().ClipFlagsOr();
      anyVertices = true;
    }
  }
  model.SetClipFlags(anyVertices ? clipAnd : 0u, clipOr);
  b.min = all.min;
  b.max = all.max;
  b.visualMin = visual.empty ? all.min : visual.min;
  b.visualMax = visual.empty ? all.max : visual.max;
  ComputeMassValues(model);
  CentreModel(model);
  float radius2 = 0.0f;
  for (int i = 0; i < model.NLods(); ++i)
    if (const Shape* shape = model.Lod(i).get())
      for (const Vector3& p : PointsOf(*shape)) radius2 = std::max(radius2, p.x * p.x + p.y * p.y + p.z * p.z);
  b.radius = std::sqrt(radius2);
}

void CentreModel(LODShape& model) {
  LODShapeBounds& b = model.Bounds();
  const LODShapePropertyValues& values = model.PropertyValues();
  Vector3 c{(b.min.x + b.max.x) * 0.5f, (b.min.y + b.max.y) * 0.5f, (b.min.z + b.max.z) * 0.5f};
  if (model.NLods() > 0 && model.Lod(0)) {
    const Shape& first = *model.Lod(0);
    if ((first.Vertices().ClipFlagsAnd() & kLandOnSurface) && (first.Special() & kModelOnSurface)) c.y = 0.0f;
  }
  if (!values.autoCenter || model.NLods() == 0) c = {-b.center.x, -b.center.y, -b.center.z};
  if (values.lockAutoCenter) c = {};
  if (c.x * c.x + c.y * c.y + c.z * c.z < kSmallestOffset2) return;
  b.center = Add(b.center, c);
  b.min = Sub(b.min, c);
  b.max = Sub(b.max, c);
  b.visualMin = Sub(b.visualMin, c);
  b.visualMax = Sub(b.visualMax, c);
  b.pointA = Sub(b.pointA, c);
  std::set<const Shape*> moved;
  for (int i = 0; i < model.NLods(); ++i) {
    Shape* shape = model.Lod(i).get();
    if (shape && moved.insert(shape).second) MoveShape(*shape, c);
  }
  if (b.mass > 0.0f) b.centerOfMass = Sub(b.centerOfMass, c);
}
