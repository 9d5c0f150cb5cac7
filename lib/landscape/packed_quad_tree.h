#pragma once
// PackedQuadTree: a grid of 4-, 2- or 1-byte elements kept as a 16-way tree whose leaves
// are always 4 bytes, as the runtime world format stores its per-cell grids.
//
// A tree is flat (one 4-byte leaf value everywhere) or has a root node of 16 entries
// (entry cx + 4*cy); a 16-bit mask tells which entries are child nodes, the others are
// leaves. A leaf holds one 4-byte element, two 2-byte elements (x even in the low half) or
// a 2x2 block of bytes (byte (y & 1) * 2 + (x & 1)). The tree is kept canonical: a node
// whose entries are 16 equal leaves is replaced by that leaf.
//
// Addressing: the tree has L levels of nodes over a grid of 4^L x 4^L leaves; the element
// at (x, y) lies in leaf (x >> (bx - 2L), y >> (by - 2L)), where bx and by are the x and y
// bit counts below. Cells outside the real width and height hold the tree's fill value and
// are never read by the format.
#include <cstdint>

#include "el/qstream/basic_types.h"

class SerializeBinStream;

// The number of bits needed to count to n - 1 (0 for n <= 1).
int QuadTreeBits(int n);

class PackedQuadTree {
 public:
  // An empty 1x1 tree of 4-byte elements holding 0.
  PackedQuadTree() { Init(1, 1, 4, 0); }
  // Sizes the tree for a width x height grid of `elementSize`-byte elements (4, 2 or 1)
  // and sets every element to `fill` (cut to the element size). An empty grid (0 wide or
  // high) has the bit counts of a 1x1 grid and no cells to build or extract.
  PackedQuadTree(int width, int height, int elementSize, uint32_t fill) { Init(width, height, elementSize, fill); }
  void Init(int width, int height, int elementSize, uint32_t fill);

  // Builds the tree of a whole grid at once (rows outer, `width` x `height` elements of the
  // tree's element size); cells outside the grid hold `fill`. Linear in the grid size.
  void Build(const uint32_t* grid, uint32_t fill) { BuildFrom(grid, 4, fill); }
  void Build(const uint16_t* grid, uint32_t fill) { BuildFrom(grid, 2, fill); }
  void Build(const uint8_t* grid, uint32_t fill) { BuildFrom(grid, 1, fill); }
  // Writes every element of the real grid into `grid` (rows outer). Linear in the grid size.
  void Extract(uint32_t* grid) const { ExtractTo(grid, 4); }
  void Extract(uint16_t* grid) const { ExtractTo(grid, 2); }
  void Extract(uint8_t* grid) const { ExtractTo(grid, 1); }

  // The element at (x, y), which must lie inside the logical extent.
  uint32_t Get(int x, int y) const;
  // Sets one element, keeping the tree canonical (setting the value a cell holds changes
  // nothing).
  void Set(int x, int y, uint32_t value);

  // Saves or loads the tree: uint8 has-root flag; the flat 4-byte value when 0, else the
  // root node (uint16 mask, then per entry the child node or the 4-byte leaf). The tree
  // must be sized (Init) before a load; a node below the last level, or one the stream
  // cannot hold, sets error 4. Returns f.Ok().
  bool Transfer(SerializeBinStream& f);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int ElementSize() const { return elementSize_; }
  int Levels() const { return levels_; }
  int BitsX() const { return bitsX_; }
  int BitsY() const { return bitsY_; }
  bool IsFlat() const { return root_ == kNoRoot; }
  // The number of bytes Transfer writes.
  size_t SerializedSize() const { return 1 + (IsFlat() ? 4 : NodeBytes(root_)); }

  friend bool operator==(const PackedQuadTree& a, const PackedQuadTree& b);

 private:
  struct Node {
    uint16_t mask = 0;        // bit i: entry i is a child node (its index in nodes_)
    uint32_t entry[16] = {};  // child node index or 4-byte leaf
  };
  // Result of building a subtree: a leaf value, or a node index.
  struct Built {
    bool isNode;
    uint32_t value;
  };

  void BuildFrom(const void* grid, int gridElementSize, uint32_t fill);
  Built BuildLevel(const void* grid, int level, int lx, int ly, uint32_t fillLeaf);
  uint32_t LeafAt(const void* grid, int lx, int ly, uint32_t fill) const;
  void ExtractTo(void* grid, int gridElementSize) const;
  void ExtractNode(void* grid, int gridElementSize, uint32_t nodeIndex, int level, int lx, int ly) const;
  void FillLeafBlock(void* grid, int gridElementSize, uint32_t leaf, int lx, int ly, int span) const;
  bool TransferNode(SerializeBinStream& f, uint32_t nodeIndex, int level);
  size_t NodeBytes(uint32_t nodeIndex) const;
  uint32_t PackFill(uint32_t fill) const;
  // Leaf coordinates of element (x, y), and the element's shift inside the leaf.
  void Locate(int x, int y, int& lx, int& ly, int& shift) const;
  uint32_t ElementMask() const;
  uint32_t NewNode();
  static bool SameSubtree(const PackedQuadTree& a, uint32_t nodeA, const PackedQuadTree& b, uint32_t nodeB);

  static constexpr uint32_t kNoRoot = 0xFFFFFFFFu;

  int width_ = 1, height_ = 1;
  int elementSize_ = 4;
  int levels_ = 0;  // L
  int bitsX_ = 0, bitsY_ = 0;
  uint32_t flatValue_ = 0;   // every leaf when the tree is flat
  uint32_t root_ = kNoRoot;  // index of the root node in nodes_, kNoRoot when flat
  AutoArray<Node> nodes_;    // children before parents after a Build; Set may leave
                             // nodes that are no longer referenced
};
