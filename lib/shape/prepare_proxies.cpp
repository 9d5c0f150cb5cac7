#include "lib/shape/prepare_proxies.h"

#include <cmath>
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "lib/shape/bone_weights.h"
#include "lib/shape/section_sort.h"
#include "lib/shape/shape.h"
#include "lib/shape/vector_ops.h"
#include "platform/ascii.h"

namespace {

constexpr std::string_view kProxyPrefix = "proxy:";

bool StartsWithProxy(std::string_view name) {
  return name.size() >= kProxyPrefix.size() && AsciiEqualIgnoreCase(name.substr(0, kProxyPrefix.size()), kProxyPrefix);
}

}  // namespace

Matrix4 ProxyTransform(const Vector3& a, const Vector3& b, const Vector3& c) {
  const Vector3 corners[3] = {a, b, c};
  int best = 0;
  float bestCos = 2.0f;
  for (int i = 0; i < 3; ++i) {
    Vector3 e1 = Normalized(Sub(corners[(i + 1) % 3], corners[i]), {});
    Vector3 e2 = Normalized(Sub(corners[(i + 2) % 3], corners[i]), {});
    float cosine = std::fabs(Dot(e1, e2));
    if (cosine < bestCos) {
      bestCos = cosine;
      best = i;
    }
  }
  const Vector3& origin = corners[best];
  Vector3 e1 = Sub(corners[(best + 1) % 3], origin);
  Vector3 e2 = Sub(corners[(best + 2) % 3], origin);
  if (Dot(e1, e1) < Dot(e2, e2)) std::swap(e1, e2);
  Matrix4 m;
  m.axisZ = Normalized(e1, {0, 0, 1});
  Vector3 up = Normalized(e2, {0, 1, 0});
  m.axisX = Normalized(Cross(up, m.axisZ), {1, 0, 0});
  m.axisY = Normalized(Cross(m.axisZ, m.axisX), {0, 1, 0});
  m.position = origin;
  return m;
}

void FindProxies(Shape& shape, const RString& modelName, const RString& lodName) {
  shape.Proxies().clear();
  AutoArray<int> offsets = shape.Faces().FaceOffsets();
  for (size_t s = 0; s < shape.Selections().size(); ++s) {
    const NamedSelection& selection = shape.Selections()[s];
    const RString& name = selection.Name();
    if (!StartsWithProxy(name)) continue;
    if (selection.Vertices().size() != 3) {
      ErrorMessage("%s:%s: Bad proxy object definition %s", modelName.c_str(), lodName.c_str(), name.c_str());
      shape.MarkWarnings();
      continue;
    }
    if (selection.Faces().empty()) continue;
    if (selection.Faces().size() != 1) {
      ErrorMessage("%s: Proxy object should be single face %s", modelName.c_str(), name.c_str());
      shape.MarkWarnings();
    }
    int face = selection.Faces().front();
    if (face < 0 || static_cast<size_t>(face) >= offsets.size()) continue;
    FaceRef ref = shape.Faces().Face(offsets[static_cast<size_t>(face)]);
    if (ref.N() < 3) continue;
    ProxyObject proxy;
    RString rest = name.substr(kProxyPrefix.size());
    size_t dot = rest.rfind('.');
    proxy.name = dot == RString::npos ? rest : rest.substr(0, dot);
    proxy.id = dot == RString::npos ? -1 : std::atoi(rest.c_str() + dot + 1);
    const VertexTable& table = shape.Vertices();
    int v0 = ref.Vertex(0), v1 = ref.Vertex(1), v2 = ref.Vertex(2);
    if (v0 >= table.NVertices() || v1 >= table.NVertices() || v2 >= table.NVertices()) continue;
    proxy.transform = ProxyTransform(table.Position(v0), table.Position(v1), table.Position(v2));
    proxy.selection = static_cast<int>(s);
    shape.Proxies().push_back(proxy);
    if (static_cast<size_t>(face) < shape.FaceProps().size())
      shape.FaceProps()[static_cast<size_t>(face)].textureIndex = -1;
  }
}

void FinishProxies(Shape& shape, const AutoArray<SkeletonWeights>& weights) {
  AutoArray<int> offsets = shape.Faces().FaceOffsets();
  for (ProxyObject& proxy : shape.Proxies()) {
    if (proxy.selection < 0 || static_cast<size_t>(proxy.selection) >= shape.Selections().size()) continue;
    const NamedSelection& selection = shape.Selections()[static_cast<size_t>(proxy.selection)];
    proxy.sectionIndex = -1;
    if (!selection.Faces().empty()) {
      int face = selection.Faces().front();
      if (face >= 0 && static_cast<size_t>(face) < offsets.size())
        proxy.sectionIndex = SectionOfFaceOffset(shape, offsets[static_cast<size_t>(face)]);
    }
    proxy.boneIndex = -1;
    if (selection.Vertices().empty()) continue;
    size_t vertex = selection.Vertices().front();
    if (vertex >= weights.size()) continue;
    const SkeletonWeights& w = weights[vertex];
    if (w.count == 0) continue;
    proxy.boneIndex = w.bone[0];
    if (w.count > 1) WarningMessage("Warning: proxy object attached to selection that have more than 1 weight");
  }
}
