#include "lib/shape/bone_slots.h"

#include <algorithm>
#include <optional>

#include "el/appframe/app_frame.h"
#include "lib/shape/shape.h"

namespace {

constexpr int kFirstSlotOutOfByte = 255;

// The weights of `w` as slots of `slots` within [first, last].
VertexWeights MapToWindow(const SkeletonWeights& w, const AutoArray<int>& slots, int first, int last) {
  VertexWeights mapped;
  for (int p = 0; p < w.count; ++p) {
    int bone = w.bone[p];
    int slot = -1;
    for (int s = std::max(first, 0); s <= last && s < static_cast<int>(slots.size()); ++s)
      if (slots[static_cast<size_t>(s)] == bone) {
        slot = s;
        break;
      }
    if (slot < 0) {
      ErrorMessage("Bone in range %d ... %d not found in subskeleton:", first, last);
      for (int s = 0; s < static_cast<int>(slots.size()); ++s)
        if (slots[static_cast<size_t>(s)] == bone) ErrorMessage("- %d", s);
      continue;
    }
    if (slot >= kFirstSlotOutOfByte) {
      ReportSubSkeletonIndex(slot);
      continue;
    }
    mapped.pairs[mapped.count][0] = static_cast<uint8_t>(slot);
    mapped.pairs[mapped.count][1] = w.weight[p];
    ++mapped.count;
  }
  return mapped;
}

class SlotWriter {
 public:
  SlotWriter(Shape& shape, const AutoArray<SkeletonWeights>& weights, const BoneMessageNames& names)
      : shape_(shape), table_(shape.Vertices()), weights_(weights), names_(names),
        assigned_(static_cast<size_t>(shape.NVertices())), copies_(static_cast<size_t>(shape.NVertices())) {}

  int Run() {
    const AutoArray<int>& slots = shape_.SubSkeletonToSkeleton();
    AutoArray<uint16_t> buffer = shape_.Faces().Buffer();
    const FaceData& faces = shape_.Faces();
    for (const ShapeSection& section : shape_.Sections()) {
      int first = section.boneWindowStart;
      int last = section.boneWindowStart + section.boneWindowLength - 1;
      for (int o = std::max(section.beg, 0); o < section.end && o < faces.End(); o = faces.Next(o)) {
        size_t at = static_cast<size_t>(o) / 2;
        int n = buffer[at];
        for (int i = 0; i < n; ++i) {
          uint16_t& index = buffer[at + 1 + static_cast<size_t>(i)];
          if (index >= weights_.size()) continue;
          index = VertexFor(index, MapToWindow(weights_[index], slots, first, last));
        }
      }
    }
    // Vertices no face draws: the first slot anywhere.
    int lastSlot = static_cast<int>(slots.size()) - 1;
    for (size_t v = 0; v < assigned_.size(); ++v)
      if (!assigned_[v] && v < weights_.size()) assigned_[v] = MapToWindow(weights_[v], slots, 0, lastSlot);
    int nFaces = faces.NFaces();
    shape_.Faces().SetBuffer(std::move(buffer), nFaces);
    AutoArray<VertexWeights>& out = table_.Weights();
    out.assign(static_cast<size_t>(table_.NVertices()), VertexWeights{});
    for (size_t v = 0; v < assigned_.size(); ++v)
      if (assigned_[v]) out[v] = *assigned_[v];
    AddCopiesToSelections();
    return copied_;
  }

 private:
  // The vertex to draw `vertex` with the slots `mapped`: itself, or a copy.
  uint16_t VertexFor(uint16_t vertex, const VertexWeights& mapped) {
    std::optional<VertexWeights>& own = assigned_[vertex];
    if (!own) {
      own = mapped;
      return vertex;
    }
    if (*own == mapped) return vertex;
    for (uint16_t copy : copies_[vertex])
      if (assigned_[copy] && *assigned_[copy] == mapped) return copy;
    if (table_.NVertices() >= VertexTable::kMaxVertices) {
      if (!reportedFull_)
        ErrorMessage("Error: %s:%s: Too many vertices to separate bone windows", names_.model.c_str(),
                     names_.lod.c_str());
      reportedFull_ = true;
      shape_.MarkWarnings();
      return vertex;
    }
    uint16_t copy = Copy(vertex);
    assigned_.emplace_back(mapped);
    copies_.emplace_back();
    copies_[vertex].push_back(copy);
    return copy;
  }

  uint16_t Copy(uint16_t vertex) {
    uint32_t uv1 = table_.HasSecondUVSet() && vertex < table_.UV(1).Size() ? table_.UV(1).Packed()[vertex] : 0;
    uint32_t uv0 = vertex < table_.UV(0).Size() ? table_.UV(0).Packed()[vertex] : 0;
    uint32_t normal = vertex < table_.Normals().Size() ? table_.Normal(vertex) : 0;
    uint32_t clip = vertex < table_.ClipFlagArray().Size() ? table_.ClipFlags(vertex) : 0;
    Vector3 position = table_.Position(vertex);
    int index = table_.Add(position, normal, clip, uv0, uv1);
    if (table_.Tangents().size() == static_cast<size_t>(index))
      table_.Tangents().push_back(table_.Tangents()[vertex]);
    if (table_.Neighbors().size() == static_cast<size_t>(index))
      table_.Neighbors().push_back(table_.Neighbors()[vertex]);
    AutoArray<uint16_t>& toPoint = shape_.VertexToPoint();
    if (toPoint.size() == static_cast<size_t>(index)) toPoint.push_back(vertex < toPoint.size() ? toPoint[vertex] : 0);
    ++copied_;
    origin_.emplace_back(vertex, static_cast<uint16_t>(index));
    return static_cast<uint16_t>(index);
  }

  // A selection that holds a vertex holds its copies too, with the same weight.
  void AddCopiesToSelections() {
    if (origin_.empty()) return;
    for (NamedSelection& selection : shape_.Selections()) {
      AutoArray<uint16_t>& vertices = selection.Vertices();
      AutoArray<uint8_t>& weights = selection.VertexWeights();
      if (weights.size() != vertices.size()) weights.resize(vertices.size(), 255);
      AutoArray<std::pair<uint16_t, uint8_t>> pairs;
      for (size_t i = 0; i < vertices.size(); ++i) pairs.emplace_back(vertices[i], weights[i]);
      bool added = false;
      for (const auto& [from, to] : origin_) {
        auto it = std::lower_bound(vertices.begin(), vertices.end(), from);
        if (it == vertices.end() || *it != from) continue;
        pairs.emplace_back(to, weights[static_cast<size_t>(it - vertices.begin())]);
        added = true;
      }
      if (!added) continue;
      std::sort(pairs.begin(), pairs.end());
      vertices.clear();
      weights.clear();
      for (const auto& [v, w] : pairs) {
        vertices.push_back(v);
        weights.push_back(w);
      }
    }
  }

  Shape& shape_;
  VertexTable& table_;
  const AutoArray<SkeletonWeights>& weights_;
  const BoneMessageNames& names_;
  AutoArray<std::optional<VertexWeights>> assigned_;
  AutoArray<AutoArray<uint16_t>> copies_;
  AutoArray<std::pair<uint16_t, uint16_t>> origin_;  // (original, copy), copies ascending
  int copied_ = 0;
  bool reportedFull_ = false;
};

}  // namespace

int RewriteVertexSlots(Shape& shape, const AutoArray<SkeletonWeights>& weights, const BoneMessageNames& names) {
  return SlotWriter(shape, weights, names).Run();
}
