#include "lib/landscape/landscape_peaks.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_surface.h"

namespace {

// Per cell: its highest sample (and where it lies) and its lowest sample.
struct CellHeights {
  std::vector<float> high, low;
  std::vector<int> highSample;  // terrain index of the highest sample
};

CellHeights SummariseCells(const Landscape& land) {
  const int n = land.landWidth, r = land.terrainWidth / land.landWidth;
  CellHeights cells;
  cells.high.assign(static_cast<size_t>(n) * n, -INFINITY);
  cells.low.assign(static_cast<size_t>(n) * n, INFINITY);
  cells.highSample.assign(static_cast<size_t>(n) * n, 0);
  for (int z = 0; z < land.terrainHeight; ++z) {
    const int cz = std::min(z / r, n - 1);
    const float* row = land.heights.data() + static_cast<size_t>(z) * land.terrainWidth;
    for (int x = 0; x < land.terrainWidth; ++x) {
      const size_t cell = static_cast<size_t>(cz) * n + static_cast<size_t>(std::min(x / r, n - 1));
      const float h = row[x];
      if (h > cells.high[cell]) {
        cells.high[cell] = h;
        cells.highSample[cell] = z * land.terrainWidth + x;
      }
      cells.low[cell] = std::min(cells.low[cell], h);
    }
  }
  return cells;
}

// The maximum (or minimum) of `values` over a (2k+1)^2 window around each cell of an
// n x n grid, clipped to the grid: rows first, then columns.
std::vector<float> WindowExtreme(const std::vector<float>& values, int n, int k, bool maximum) {
  auto better = [maximum](float a, float b) { return maximum ? std::max(a, b) : std::min(a, b); };
  std::vector<float> rows(values.size()), out(values.size());
  for (int z = 0; z < n; ++z) {
    for (int x = 0; x < n; ++x) {
      float e = values[static_cast<size_t>(z) * n + x];
      for (int dx = std::max(0, x - k); dx <= std::min(n - 1, x + k); ++dx)
        e = better(e, values[static_cast<size_t>(z) * n + dx]);
      rows[static_cast<size_t>(z) * n + x] = e;
    }
  }
  for (int z = 0; z < n; ++z) {
    for (int x = 0; x < n; ++x) {
      float e = rows[static_cast<size_t>(z) * n + x];
      for (int dz = std::max(0, z - k); dz <= std::min(n - 1, z + k); ++dz)
        e = better(e, rows[static_cast<size_t>(dz) * n + x]);
      out[static_cast<size_t>(z) * n + x] = e;
    }
  }
  return out;
}

// True when no earlier cell of the window holds the same highest value (ties go to the
// first cell in row order).
bool FirstOfItsHeight(const CellHeights& cells, int n, int k, int cx, int cz) {
  const float h = cells.high[static_cast<size_t>(cz) * n + cx];
  for (int z = std::max(0, cz - k); z <= cz; ++z) {
    const int lastX = z == cz ? cx - 1 : std::min(n - 1, cx + k);
    for (int x = std::max(0, cx - k); x <= lastX; ++x)
      if (cells.high[static_cast<size_t>(z) * n + x] == h) return false;
  }
  return true;
}

}  // namespace

void FindPeaks(Landscape& land) {
  land.peaks.clear();
  const int n = land.landWidth;
  if (n <= 0 || land.terrainWidth < n ||
      land.heights.size() < static_cast<size_t>(land.terrainWidth) * land.terrainHeight)
    return;
  const CellHeights cells = SummariseCells(land);
  const int k = std::max(1, static_cast<int>(std::lround(kPeakRadius / std::max(land.cellSize, 1.0f))));
  const std::vector<float> highest = WindowExtreme(cells.high, n, k, true);
  const std::vector<float> lowest = WindowExtreme(cells.low, n, k, false);
  const float spacing = TerrainSpacing(land);
  for (int cz = 0; cz < n; ++cz) {
    for (int cx = 0; cx < n; ++cx) {
      const size_t cell = static_cast<size_t>(cz) * n + cx;
      const float h = cells.high[cell];
      if (!(h >= highest[cell]) || h - lowest[cell] < kPeakRise || !FirstOfItsHeight(cells, n, k, cx, cz)) continue;
      const int sample = cells.highSample[cell];
      land.peaks.push_back({static_cast<float>(sample % land.terrainWidth) * spacing, h,
                            static_cast<float>(sample / land.terrainWidth) * spacing});
    }
  }
  std::stable_sort(land.peaks.begin(), land.peaks.end(), [](const Vector3& a, const Vector3& b) { return a.y > b.y; });
}
