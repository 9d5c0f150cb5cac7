#pragma once
// The order in which the runtime world format visits land cells for its per-cell record
// and cell-data tables: the order in which a packed quad tree of 4-byte elements over the
// land grid enumerates its cells. The extent 4^L x 4^L is split into 4 x 4 blocks visited
// row by row (x fastest), each block the same way, down to single cells; for a 256-wide
// grid the first cells are (0,0), (1,0), (2,0), (3,0), (0,1).
//
// Land widths that are not a power of 4 (512, 2048): the extent is larger than the grid.
// Stopping at the first cell outside the grid would leave most of the grid unvisited (for
// 512 only its first 256 rows), losing objects silently, so the walk instead skips the
// cells outside the grid and goes on: every cell is visited exactly once, in the padded
// order; for powers of 4 this is the plain order above. The saver reports such worlds.
#include <cstdint>

#include "el/qstream/basic_types.h"
#include "lib/landscape/packed_quad_tree.h"

namespace landscape_detail {
template <class Visit>
void WalkBlock(int width, int x0, int z0, int span, Visit& visit) {
  if (x0 >= width || z0 >= width) return;
  if (span == 1) {
    visit(x0, z0);
    return;
  }
  const int child = span / 4;
  for (int entry = 0; entry < 16; ++entry)
    WalkBlock(width, x0 + (entry & 3) * child, z0 + (entry >> 2) * child, child, visit);
}
}  // namespace landscape_detail

// True when the walk of a grid this wide visits its cells without padding.
inline bool IsPowerOfFour(int width) {
  return width > 0 && (width & (width - 1)) == 0 && (QuadTreeBits(width) % 2) == 0;
}

// Calls visit(x, z) for every cell of a width x width land grid in walk order.
template <class Visit>
void WalkLandCells(int width, Visit&& visit) {
  if (width <= 0) return;
  const int levels = (QuadTreeBits(width) + 1) / 2;
  landscape_detail::WalkBlock(width, 0, 0, 1 << (2 * levels), visit);
}

// The land cells whose list in `perCell` (rows outer) is not empty, column index outer and
// row index inner. The emptiness is gathered row by row first, so that a large grid is not
// read across its rows cell by cell.
template <class List>
AutoArray<int> FilledCellsByColumn(int width, const AutoArray<List>& perCell) {
  AutoArray<int> cells;
  if (width <= 0 || perCell.size() != static_cast<size_t>(width) * static_cast<size_t>(width)) return cells;
  AutoArray<uint8_t> filled(perCell.size());
  for (size_t cell = 0; cell < perCell.size(); ++cell) filled[cell] = !perCell[cell].empty();
  for (int x = 0; x < width; ++x)
    for (int z = 0; z < width; ++z)
      if (const int cell = z * width + x; filled[cell]) cells.push_back(cell);
  return cells;
}

// Calls visit(cell, list) for each of `cells` in order, `list` being the cell's object
// indices into `objects`. A large world's objects lie in memory in load order, not in cell
// order: the lists and the objects a few cells ahead are prefetched, so that the walk does
// not wait on each of them in turn.
template <class Object, class Visit>
void VisitCellLists(const AutoArray<int>& cells, const AutoArray<AutoArray<int32_t>>& perCell,
                    const AutoArray<Object>& objects, Visit&& visit) {
  constexpr size_t kListsAhead = 16, kIndicesAhead = 12, kObjectsAhead = 8;
  const size_t count = cells.size();
  for (size_t i = 0; i < count; ++i) {
    if (i + kListsAhead < count) __builtin_prefetch(&perCell[cells[i + kListsAhead]]);
    if (i + kIndicesAhead < count) __builtin_prefetch(perCell[cells[i + kIndicesAhead]].data());
    if (i + kObjectsAhead < count) {
      for (int32_t index : perCell[cells[i + kObjectsAhead]]) {
        const char* object = reinterpret_cast<const char*>(&objects[index]);
        for (size_t line = 0; line < sizeof(Object); line += 64) __builtin_prefetch(object + line);
      }
    }
    visit(cells[i], perCell[cells[i]]);
  }
}
