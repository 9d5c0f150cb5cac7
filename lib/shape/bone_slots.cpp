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

// What a vertex carries in one window: its own weights and its neighbour record.
struct SlotAssignment {
  VertexWeights weights;
  VertexNeighborInfo neighbors;
  friend bool operator==(const SlotAssignment&, const SlotAssignment&) = default;
};

class SlotWriter {
 public:
  SlotWriter(Shape& shape, const AutoArray<SkeletonWeights>& weights, const AutoArray<VertexNeighbors>& neighbors,
             const BoneMessageNames& names)
      : shape_(shape), table_(shape.Vertices()), weights_(weights), neighbors_(neighbors), names_(names),
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
          index = VertexFor(index, Assign(index, slots, first, last));
        }
      }
    }
    // Vertices no face draws: the first slot anywhere.
    int lastSlot = static_cast<int>(slots.size()) - 1;
    for (size_t v = 0; v < assigned_.size(); ++v)
      if (!assigned_[v] && v < weights_.size()) assigned_[v] = Assign(v, slots, 0, lastSlot);
    int nFaces = faces.NFaces();
    shape_.Faces().SetBuffer(std::move(buffer), nFaces);
    size_t nVertices = static_cast<size_t>(table_.NVertices());
    AutoArray<VertexWeights>& out = table_.Weights();
    out.assign(nVertices, VertexWeights{});
    for (size_t v = 0; v < assigned_.size(); ++v)
      if (assigned_[v]) out[v] = assigned_[v]->weights;
    AutoArray<VertexNeighborInfo>& outNeighbors = table_.Neighbors();
    outNeighbors.clear();
    if (!neighbors_.empty()) {
      outNeighbors.assign(nVertices, VertexNeighborInfo{});
      for (size_t v = 0; v < assigned_.size(); ++v)
        if (assigned_[v]) outNeighbors[v] = assigned_[v]->neighbors;
    }
    AddCopiesToSelections();
    return copied_;
  }

 private:
  // The weights of `vertex` and of its neighbours as slots of the window [first, last].
  SlotAssignment Assign(size_t vertex, const AutoArray<int>& slots, int first, int last) {
    SlotAssignment result;
    result.weights = MapToWindow(weights_[vertex], slots, first, last);
    if (vertex >= neighbors_.size()) return result;
    auto neighbor = [&](uint16_t other) {
      NeighborBones bones;
      bones.vertex = other;
      if (other < weights_.size()) bones.weights = MapToWindow(weights_[other], slots, first, last);
      return bones;
    };
    result.neighbors.next = neighbor(neighbors_[vertex].next);
    result.neighbors.previous = neighbor(neighbors_[vertex].previous);
    return result;
  }

  // The vertex to draw `vertex` with the assignment `mapped`: itself, or a copy.
  uint16_t VertexFor(uint16_t vertex, const SlotAssignment& mapped) {
    std::optional<SlotAssignment>& own = assigned_[vertex];
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
  const AutoArray<VertexNeighbors>& neighbors_;
  const BoneMessageNames& names_;
  AutoArray<std::optional<SlotAssignment>> assigned_;
  AutoArray<AutoArray<uint16_t>> copies_;
  AutoArray<std::pair<uint16_t, uint16_t>> origin_;  // (original, copy), copies ascending
  int copied_ = 0;
  bool reportedFull_ = false;
};

}  // namespace

int RewriteVertexSlots(Shape& shape, const AutoArray<SkeletonWeights>& weights,
                       const AutoArray<VertexNeighbors>& neighbors, const BoneMessageNames& names) {
  return SlotWriter(shape, weights, neighbors, names).Run();
}
