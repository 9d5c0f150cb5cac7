#include "lib/shape/section_sort.h"

#include <algorithm>
#include <numeric>

#include "lib/shape/shape.h"
#include "lib/shape/tex_material.h"

namespace {

// The material order: no material first, then by name (names identify materials).
int CompareMaterials(const Shape& shape, int a, int b) {
  if (a == b) return 0;
  const auto& list = shape.Materials();
  const TexMaterial* ma = a >= 0 && static_cast<size_t>(a) < list.size() ? list[static_cast<size_t>(a)].get() : nullptr;
  const TexMaterial* mb = b >= 0 && static_cast<size_t>(b) < list.size() ? list[static_cast<size_t>(b)].get() : nullptr;
  if (ma == mb) return 0;
  if (!ma) return -1;
  if (!mb) return 1;
  int byName = ma->Name().compare(mb->Name());
  if (byName != 0) return byName;
  return a < b ? -1 : 1;
}

bool SameDrawing(const FaceProperties& a, const FaceProperties& b) {
  return a.textureIndex == b.textureIndex && a.materialIndex == b.materialIndex && a.special == b.special;
}

// Puts the faces of every selection (and their weights) through `newIndex`.
void RemapSelectionFaces(Shape& shape, const AutoArray<int>& newIndex) {
  for (NamedSelection& selection : shape.Selections()) {
    AutoArray<int>& faces = selection.Faces();
    AutoArray<uint8_t>& weights = selection.FaceWeights();
    bool weighted = weights.size() == faces.size() && !weights.empty();
    AutoArray<std::pair<int, uint8_t>> pairs;
    pairs.reserve(faces.size());
    for (size_t i = 0; i < faces.size(); ++i) {
      int face = faces[i];
      if (face < 0 || static_cast<size_t>(face) >= newIndex.size()) continue;
      pairs.emplace_back(newIndex[static_cast<size_t>(face)], weighted ? weights[i] : uint8_t{255});
    }
    std::sort(pairs.begin(), pairs.end());
    faces.clear();
    if (weighted) weights.clear();
    for (const auto& [face, weight] : pairs) {
      faces.push_back(face);
      if (weighted) weights.push_back(weight);
    }
  }
}

}  // namespace

void SortFacesIntoSections(Shape& shape) {
  FaceData& faces = shape.Faces();
  AutoArray<FaceProperties>& props = shape.FaceProps();
  AutoArray<int> offsets = faces.FaceOffsets();
  size_t n = offsets.size();
  props.resize(n);
  AutoArray<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const FaceProperties& pa = props[static_cast<size_t>(a)];
    const FaceProperties& pb = props[static_cast<size_t>(b)];
    bool alphaA = (pa.special & face_flags::kAlphaSorted) != 0;
    bool alphaB = (pb.special & face_flags::kAlphaSorted) != 0;
    if (alphaA != alphaB) return alphaB;
    if (alphaA) return false;  // alpha faces keep their order
    int byMaterial = CompareMaterials(shape, pa.materialIndex, pb.materialIndex);
    if (byMaterial != 0) return byMaterial < 0;
    if (pa.special != pb.special) return pa.special < pb.special;
    if (pa.textureIndex != pb.textureIndex) return pa.textureIndex < pb.textureIndex;
    return false;  // stable: position in the LOD
  });

  const AutoArray<uint16_t>& buffer = faces.Buffer();
  AutoArray<uint16_t> sorted;
  sorted.reserve(buffer.size());
  AutoArray<FaceProperties> sortedProps;
  sortedProps.reserve(n);
  AutoArray<int> newIndex(n);
  AutoArray<ShapeSection>& sections = shape.Sections();
  sections.clear();
  for (size_t i = 0; i < n; ++i) {
    int face = order[i];
    newIndex[static_cast<size_t>(face)] = static_cast<int>(i);
    const FaceProperties& p = props[static_cast<size_t>(face)];
    int offset = static_cast<int>(sorted.size() * sizeof(uint16_t));
    if (sections.empty() || !SameDrawing(sortedProps.back(), p)) {
      ShapeSection section;
      section.beg = offset;
      section.textureIndex = p.textureIndex;
      section.materialIndex = p.materialIndex;
      section.special = p.special;
      sections.push_back(section);
    }
    size_t start = static_cast<size_t>(offsets[static_cast<size_t>(face)]) / 2;
    size_t count = 1 + static_cast<size_t>(buffer[start]);
    sorted.insert(sorted.end(), buffer.begin() + static_cast<std::ptrdiff_t>(start),
                  buffer.begin() + static_cast<std::ptrdiff_t>(start + count));
    sortedProps.push_back(p);
    sections.back().end = static_cast<int>(sorted.size() * sizeof(uint16_t));
  }
  faces.SetBuffer(std::move(sorted), static_cast<int>(n));
  props = std::move(sortedProps);
  RemapSelectionFaces(shape, newIndex);
  AssignSelectionSections(shape);
}

void AssignSelectionSections(Shape& shape) {
  const AutoArray<ShapeSection>& sections = shape.Sections();
  AutoArray<int> offsets = shape.Faces().FaceOffsets();
  // The first face index of every section and its face count.
  AutoArray<int> first(sections.size(), 0), count(sections.size(), 0);
  size_t face = 0;
  for (size_t s = 0; s < sections.size(); ++s) {
    while (face < offsets.size() && offsets[face] < sections[s].beg) ++face;
    first[s] = static_cast<int>(face);
    while (face < offsets.size() && offsets[face] < sections[s].end) ++face;
    count[s] = static_cast<int>(face) - first[s];
  }
  for (NamedSelection& selection : shape.Selections()) {
    AutoArray<int>& covered = selection.Sections();
    covered.clear();
    const AutoArray<int>& faces = selection.Faces();
    for (size_t s = 0; s < sections.size(); ++s) {
      if (count[s] == 0) continue;
      auto lo = std::lower_bound(faces.begin(), faces.end(), first[s]);
      auto hi = std::lower_bound(faces.begin(), faces.end(), first[s] + count[s]);
      if (hi - lo == count[s]) covered.push_back(static_cast<int>(s));
    }
  }
}

int SectionOfFaceOffset(const Shape& shape, int offset) {
  const AutoArray<ShapeSection>& sections = shape.Sections();
  for (size_t s = 0; s < sections.size(); ++s)
    if (offset >= sections[s].beg && offset < sections[s].end) return static_cast<int>(s);
  return -1;
}
