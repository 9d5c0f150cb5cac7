#include "lib/landscape/packed_quad_tree.h"

#include <algorithm>
#include <cstring>

#include "el/qstream/serialize_bin_stream.h"

int QuadTreeBits(int n) {
  int bits = 0;
  while (bits < 31 && (int64_t{1} << bits) < n) ++bits;
  return bits;
}

namespace {

// Leaf block of one leaf, in elements: 1x1, 2x1 or 2x2.
int LeafSpanX(int elementSize) { return elementSize == 4 ? 1 : 2; }
int LeafSpanY(int elementSize) { return elementSize == 1 ? 2 : 1; }

uint32_t ReadElement(const void* grid, int elementSize, size_t index) {
  switch (elementSize) {
    case 1: return static_cast<const uint8_t*>(grid)[index];
    case 2: return static_cast<const uint16_t*>(grid)[index];
    default: return static_cast<const uint32_t*>(grid)[index];
  }
}

void WriteElement(void* grid, int elementSize, size_t index, uint32_t value) {
  switch (elementSize) {
    case 1: static_cast<uint8_t*>(grid)[index] = static_cast<uint8_t>(value); break;
    case 2: static_cast<uint16_t*>(grid)[index] = static_cast<uint16_t>(value); break;
    default: static_cast<uint32_t*>(grid)[index] = value; break;
  }
}

}  // namespace

void PackedQuadTree::Init(int width, int height, int elementSize, uint32_t fill) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  elementSize_ = elementSize == 1 || elementSize == 2 ? elementSize : 4;
  const int bw = QuadTreeBits(width_), bh = QuadTreeBits(height_);
  switch (elementSize_) {
    case 4:
      levels_ = std::max((bh + 1) / 2, (bw + 1) / 2);
      bitsX_ = bitsY_ = 2 * levels_;
      break;
    case 2:
      levels_ = std::max((bh + 1) / 2, bw / 2);
      bitsY_ = 2 * levels_;
      bitsX_ = 2 * levels_ + 1;
      break;
    default:
      levels_ = std::max(bh / 2, bw / 2);
      bitsX_ = bitsY_ = 2 * levels_ + 1;
      break;
  }
  nodes_.clear();
  root_ = kNoRoot;
  flatValue_ = PackFill(fill);
}

uint32_t PackedQuadTree::ElementMask() const {
  return elementSize_ == 4 ? 0xFFFFFFFFu : elementSize_ == 2 ? 0xFFFFu : 0xFFu;
}

uint32_t PackedQuadTree::PackFill(uint32_t fill) const {
  switch (elementSize_) {
    case 1: return (fill & 0xFFu) * 0x01010101u;
    case 2: return (fill & 0xFFFFu) * 0x00010001u;
    default: return fill;
  }
}

void PackedQuadTree::Locate(int x, int y, int& lx, int& ly, int& shift) const {
  switch (elementSize_) {
    case 1:
      lx = x >> 1;
      ly = y >> 1;
      shift = 8 * ((y & 1) * 2 + (x & 1));
      break;
    case 2:
      lx = x >> 1;
      ly = y;
      shift = 16 * (x & 1);
      break;
    default:
      lx = x;
      ly = y;
      shift = 0;
      break;
  }
}

uint32_t PackedQuadTree::NewNode() {
  nodes_.emplace_back();
  return static_cast<uint32_t>(nodes_.size() - 1);
}

uint32_t PackedQuadTree::Get(int x, int y) const {
  int lx, ly, shift;
  Locate(x, y, lx, ly, shift);
  uint32_t leaf = flatValue_;
  if (root_ != kNoRoot) {
    uint32_t node = root_;
    for (int level = 0;; ++level) {
      const int digitShift = 2 * (levels_ - 1 - level);
      const int entry = ((lx >> digitShift) & 3) + 4 * ((ly >> digitShift) & 3);
      const Node& n = nodes_[node];
      if (!(n.mask & (1u << entry))) {
        leaf = n.entry[entry];
        break;
      }
      node = n.entry[entry];
    }
  }
  return (leaf >> shift) & ElementMask();
}

void PackedQuadTree::Set(int x, int y, uint32_t value) {
  value &= ElementMask();
  if (Get(x, y) == value) return;
  int lx, ly, shift;
  Locate(x, y, lx, ly, shift);
  const uint32_t keep = ~(ElementMask() << shift);
  if (levels_ == 0) {  // a single leaf: the tree stays flat
    flatValue_ = (flatValue_ & keep) | (value << shift);
    return;
  }
  if (root_ == kNoRoot) {
    root_ = NewNode();
    std::fill(std::begin(nodes_[root_].entry), std::end(nodes_[root_].entry), flatValue_);
  }
  // Walk down, splitting leaves into nodes of 16 copies, and remember the path.
  uint32_t path[32];
  int entries[32];
  uint32_t node = root_;
  for (int level = 0; level < levels_; ++level) {
    const int digitShift = 2 * (levels_ - 1 - level);
    const int entry = ((lx >> digitShift) & 3) + 4 * ((ly >> digitShift) & 3);
    path[level] = node;
    entries[level] = entry;
    if (level == levels_ - 1) {
      uint32_t& leaf = nodes_[node].entry[entry];
      leaf = (leaf & keep) | (value << shift);
      break;
    }
    if (!(nodes_[node].mask & (1u << entry))) {
      const uint32_t leaf = nodes_[node].entry[entry];
      const uint32_t child = NewNode();
      std::fill(std::begin(nodes_[child].entry), std::end(nodes_[child].entry), leaf);
      nodes_[node].mask |= static_cast<uint16_t>(1u << entry);
      nodes_[node].entry[entry] = child;
    }
    node = nodes_[node].entry[entry];
  }
  // Walk up, replacing nodes of 16 equal leaves by their leaf.
  for (int level = levels_ - 1; level >= 0; --level) {
    const Node& n = nodes_[path[level]];
    if (n.mask != 0 ||
        !std::all_of(std::begin(n.entry), std::end(n.entry), [&](uint32_t e) { return e == n.entry[0]; }))
      break;
    const uint32_t leaf = n.entry[0];
    if (level == 0) {
      flatValue_ = leaf;
      root_ = kNoRoot;
      nodes_.clear();
      break;
    }
    Node& parent = nodes_[path[level - 1]];
    parent.mask &= static_cast<uint16_t>(~(1u << entries[level - 1]));
    parent.entry[entries[level - 1]] = leaf;
  }
}

uint32_t PackedQuadTree::LeafAt(const void* grid, int lx, int ly, uint32_t fill) const {
  const int sx = LeafSpanX(elementSize_), sy = LeafSpanY(elementSize_);
  uint32_t leaf = 0;
  for (int dy = 0; dy < sy; ++dy) {
    for (int dx = 0; dx < sx; ++dx) {
      const int x = lx * sx + dx, y = ly * sy + dy;
      const uint32_t element =
          x < width_ && y < height_ ? ReadElement(grid, elementSize_, static_cast<size_t>(y) * width_ + x) : fill;
      leaf |= (element & ElementMask()) << (8 * elementSize_ * (dy * sx + dx));
    }
  }
  return leaf;
}

PackedQuadTree::Built PackedQuadTree::BuildLevel(const void* grid, int level, int lx, int ly, uint32_t fillLeaf) {
  // A block wholly outside the real grid holds the fill value.
  const int64_t span = int64_t{1} << (2 * (levels_ - level));
  if (lx * LeafSpanX(elementSize_) >= width_ || ly * LeafSpanY(elementSize_) >= height_) return {false, fillLeaf};
  if (level == levels_) return {false, LeafAt(grid, lx, ly, fillLeaf & ElementMask())};
  const int childSpan = static_cast<int>(span / 4);
  Built children[16];
  bool uniform = true;
  for (int entry = 0; entry < 16; ++entry) {
    children[entry] =
        BuildLevel(grid, level + 1, lx + (entry & 3) * childSpan, ly + (entry >> 2) * childSpan, fillLeaf);
    uniform = uniform && !children[entry].isNode && children[entry].value == children[0].value;
  }
  if (uniform) return {false, children[0].value};
  const uint32_t node = NewNode();
  Node& n = nodes_[node];
  for (int entry = 0; entry < 16; ++entry) {
    if (children[entry].isNode) n.mask |= static_cast<uint16_t>(1u << entry);
    n.entry[entry] = children[entry].value;
  }
  return {true, node};
}

void PackedQuadTree::BuildFrom(const void* grid, int gridElementSize, uint32_t fill) {
  nodes_.clear();
  root_ = kNoRoot;
  if (gridElementSize != elementSize_) return;  // a programming error: keep the tree flat
  const Built root = BuildLevel(grid, 0, 0, 0, PackFill(fill));
  if (root.isNode)
    root_ = root.value;
  else
    flatValue_ = root.value;
}

void PackedQuadTree::FillLeafBlock(void* grid, int gridElementSize, uint32_t leaf, int lx, int ly, int span) const {
  const int sx = LeafSpanX(elementSize_), sy = LeafSpanY(elementSize_);
  const int x0 = lx * sx, y0 = ly * sy;
  const int x1 = static_cast<int>(std::min<int64_t>(int64_t{x0} + int64_t{span} * sx, width_));
  const int y1 = static_cast<int>(std::min<int64_t>(int64_t{y0} + int64_t{span} * sy, height_));
  const int bits = 8 * elementSize_;
  for (int y = y0; y < y1; ++y) {
    const size_t row = static_cast<size_t>(y) * width_;
    for (int x = x0; x < x1; ++x) {
      const int shift = bits * ((y & (sy - 1)) * sx + (x & (sx - 1)));
      WriteElement(grid, gridElementSize, row + x, (leaf >> shift) & ElementMask());
    }
  }
}

void PackedQuadTree::ExtractNode(void* grid, int gridElementSize, uint32_t nodeIndex, int level, int lx, int ly) const {
  const int childSpan = 1 << (2 * (levels_ - level - 1));
  const Node& n = nodes_[nodeIndex];
  for (int entry = 0; entry < 16; ++entry) {
    const int cx = lx + (entry & 3) * childSpan, cy = ly + (entry >> 2) * childSpan;
    if (cx * LeafSpanX(elementSize_) >= width_ || cy * LeafSpanY(elementSize_) >= height_) continue;
    if (n.mask & (1u << entry))
      ExtractNode(grid, gridElementSize, n.entry[entry], level + 1, cx, cy);
    else
      FillLeafBlock(grid, gridElementSize, n.entry[entry], cx, cy, childSpan);
  }
}

void PackedQuadTree::ExtractTo(void* grid, int gridElementSize) const {
  if (gridElementSize != elementSize_) return;
  if (root_ == kNoRoot)
    FillLeafBlock(grid, gridElementSize, flatValue_, 0, 0, 1 << (2 * levels_));
  else
    ExtractNode(grid, gridElementSize, root_, 0, 0, 0);
}

size_t PackedQuadTree::NodeBytes(uint32_t nodeIndex) const {
  const Node& n = nodes_[nodeIndex];
  size_t bytes = 2;
  for (int entry = 0; entry < 16; ++entry) bytes += n.mask & (1u << entry) ? NodeBytes(n.entry[entry]) : 4;
  return bytes;
}

bool PackedQuadTree::TransferNode(SerializeBinStream& f, uint32_t nodeIndex, int level) {
  uint16_t mask = nodes_[nodeIndex].mask;
  f.Transfer(mask);
  if (!f.Ok()) return false;
  // Entries of the last level are leaves: a child node there cannot be addressed.
  if (mask != 0 && level + 1 >= levels_) {
    f.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  nodes_[nodeIndex].mask = mask;
  for (int entry = 0; entry < 16 && f.Ok(); ++entry) {
    if (mask & (1u << entry)) {
      uint32_t child = nodes_[nodeIndex].entry[entry];
      if (f.IsLoading()) {
        // A node takes at least 2 + 16 * 4 bytes less what its children replace: at
        // least 2 bytes; a stream that cannot hold one more ends the load.
        if (f.GetRest() < 2) {
          f.SetError(SerializeBinStream::EFileStructure);
          return false;
        }
        child = NewNode();
        nodes_[nodeIndex].entry[entry] = child;
      }
      TransferNode(f, child, level + 1);
    } else {
      uint32_t leaf = nodes_[nodeIndex].entry[entry];
      f.Transfer(leaf);
      nodes_[nodeIndex].entry[entry] = leaf;
    }
  }
  return f.Ok();
}

bool PackedQuadTree::Transfer(SerializeBinStream& f) {
  uint8_t hasRoot = root_ != kNoRoot ? 1 : 0;
  f.Transfer(hasRoot);
  if (!f.Ok()) return false;
  if (f.IsLoading()) {
    nodes_.clear();
    root_ = kNoRoot;
  }
  if (hasRoot == 0) {
    f.Transfer(flatValue_);
    return f.Ok();
  }
  if (f.IsLoading()) {
    if (levels_ == 0) {  // a one-leaf tree has no place for a node
      f.SetError(SerializeBinStream::EFileStructure);
      return false;
    }
    root_ = NewNode();
  }
  if (!TransferNode(f, root_, 0) && f.IsLoading()) {
    nodes_.clear();
    root_ = kNoRoot;
  }
  return f.Ok();
}

bool PackedQuadTree::SameSubtree(const PackedQuadTree& a, uint32_t nodeA, const PackedQuadTree& b, uint32_t nodeB) {
  const Node& na = a.nodes_[nodeA];
  const Node& nb = b.nodes_[nodeB];
  if (na.mask != nb.mask) return false;
  for (int entry = 0; entry < 16; ++entry) {
    if (na.mask & (1u << entry)) {
      if (!SameSubtree(a, na.entry[entry], b, nb.entry[entry])) return false;
    } else if (na.entry[entry] != nb.entry[entry]) {
      return false;
    }
  }
  return true;
}

bool operator==(const PackedQuadTree& a, const PackedQuadTree& b) {
  if (a.width_ != b.width_ || a.height_ != b.height_ || a.elementSize_ != b.elementSize_) return false;
  if (a.IsFlat() != b.IsFlat()) return false;
  if (a.IsFlat()) return a.flatValue_ == b.flatValue_;
  return PackedQuadTree::SameSubtree(a, a.root_, b, b.root_);
}
