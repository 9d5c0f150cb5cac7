#include "lib/shape/shape.h"

#include "platform/ascii.h"

namespace {

template <class Ref>
int IndexOrAppend(AutoArray<Ref>& list, const Ref& item) {
  if (!item) return -1;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == item) return static_cast<int>(i);
  list.push_back(item);
  return static_cast<int>(list.size()) - 1;
}

}  // namespace

int Shape::AddTexture(const TextureRef& texture) { return IndexOrAppend(textures_, texture); }

int Shape::AddMaterial(const TexMaterialRef& material) { return IndexOrAppend(materials_, material); }

int Shape::FindSelection(std::string_view name) const {
  for (size_t i = 0; i < selections_.size(); ++i)
    if (AsciiEqualIgnoreCase(selections_[i].Name(), name)) return static_cast<int>(i);
  return -1;
}

void Shape::DeriveSelectionVertices(NamedSelection& selection) const {
  AutoArray<uint16_t>& vertices = selection.Vertices();
  AutoArray<uint8_t>& weights = selection.VertexWeights();
  vertices.clear();
  weights.clear();
  if (selection.Points().empty()) return;
  // Weight of every point (0 = not selected).
  AutoArray<uint8_t> pointWeight(points_.size(), 0);
  const AutoArray<int>& points = selection.Points();
  for (size_t i = 0; i < points.size(); ++i)
    if (points[i] >= 0 && static_cast<size_t>(points[i]) < pointWeight.size())
      pointWeight[static_cast<size_t>(points[i])] = selection.PointWeights()[i];
  for (size_t v = 0; v < vertexToPoint_.size(); ++v) {
    uint16_t point = vertexToPoint_[v];
    if (point < pointWeight.size() && pointWeight[point] != 0) {
      vertices.push_back(static_cast<uint16_t>(v));
      weights.push_back(pointWeight[point]);
    }
  }
}
