#include "lib/shape/vertex_neighbors.h"

#include "lib/shape/face_data.h"

AutoArray<VertexNeighbors> FindVertexNeighbors(const FaceData& faces, int nVertices) {
  size_t n = static_cast<size_t>(nVertices > 0 ? nVertices : 0);
  AutoArray<VertexNeighbors> result(n);
  AutoArray<bool> found(n, false);
  for (size_t v = 0; v < n; ++v) result[v] = {static_cast<uint16_t>(v), static_cast<uint16_t>(v)};
  for (int o = faces.Begin(); o < faces.End(); o = faces.Next(o)) {
    FaceRef face = faces.Face(o);
    int corners = face.N();
    for (int i = 0; i < corners; ++i) {
      size_t v = face.Vertex(i);
      if (v >= n || found[v]) continue;
      found[v] = true;
      result[v] = {face.Vertex((i + 1) % corners), face.Vertex((i + corners - 1) % corners)};
    }
  }
  return result;
}
