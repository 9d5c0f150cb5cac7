#include "lib/shape/prepare_area.h"

#include <algorithm>
#include <cmath>

#include "el/appframe/app_frame.h"
#include "lib/shape/shape.h"

namespace {

constexpr int kMaxFaceVertices = 65534;
constexpr float kSmallestUVArea = 1e-12f;

float TriangleArea(const Vector3& a, const Vector3& b, const Vector3& c) {
  Vector3 e1{b.x - a.x, b.y - a.y, b.z - a.z};
  Vector3 e2{c.x - a.x, c.y - a.y, c.z - a.z};
  Vector3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
  return 0.5f * std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
}

float TriangleUVArea(float u0, float v0, float u1, float v1, float u2, float v2) {
  return 0.5f * std::fabs((u1 - u0) * (v2 - v0) - (u2 - u0) * (v1 - v0));
}

float Median(AutoArray<float>& values) {
  if (values.empty()) return 0.0f;
  size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
  return values[middle];
}

}  // namespace

void ComputeAreaValues(Shape& shape) {
  const FaceData& faces = shape.Faces();
  const VertexTable& table = shape.Vertices();
  int sets = table.HasSecondUVSet() && table.UV(1).Size() == table.NVertices() ? 2 : 1;
  bool hasUV0 = table.UV(0).Size() == table.NVertices();
  float lodArea = 0.0f;
  for (ShapeSection& section : shape.Sections()) {
    AutoArray<float> ratios[2];
    for (int o = std::max(section.beg, 0); o < section.end && o < faces.End(); o = faces.Next(o)) {
      FaceRef face = faces.Face(o);
      int n = face.N();
      if (n < 3 || n > kMaxFaceVertices) {
        ErrorMessage("Degenerate face - %d vertices", n);
        continue;
      }
      bool valid = true;
      for (int i = 0; i < n; ++i) valid = valid && face.Vertex(i) < table.NVertices();
      if (!valid) continue;
      float area = 0.0f;
      float uvArea[2] = {0.0f, 0.0f};
      // A fan of triangles from the first vertex.
      for (int i = 1; i + 1 < n; ++i) {
        int a = face.Vertex(0), b = face.Vertex(i), c = face.Vertex(i + 1);
        area += TriangleArea(table.Position(a), table.Position(b), table.Position(c));
        for (int set = 0; set < sets; ++set) {
          if (set == 0 && !hasUV0) continue;
          float ua, va, ub, vb, uc, vc;
          table.UV(set).Get(a, ua, va);
          table.UV(set).Get(b, ub, vb);
          table.UV(set).Get(c, uc, vc);
          uvArea[set] += TriangleUVArea(ua, va, ub, vb, uc, vc);
        }
      }
      lodArea += area;
      for (int set = 0; set < sets; ++set)
        if (uvArea[set] > kSmallestUVArea) ratios[set].push_back(area / uvArea[set]);
    }
    section.areaOverTex[0] = Median(ratios[0]);
    section.areaOverTex[1] = Median(ratios[1]);
  }
  shape.SetArea(lodArea);
}
