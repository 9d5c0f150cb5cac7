#include "lib/landscape/landscape_surface.h"

#include <algorithm>
#include <cmath>

#include "lib/landscape/landscape.h"

float TerrainSpacing(const Landscape& land) {
  if (land.terrainWidth <= 0) return land.cellSize;
  return static_cast<float>(land.landWidth) * land.cellSize / static_cast<float>(land.terrainWidth);
}

float SurfaceHeight(const Landscape& land, float x, float z) {
  const int w = land.terrainWidth, h = land.terrainHeight;
  if (w <= 0 || h <= 0 || land.heights.size() < static_cast<size_t>(w) * static_cast<size_t>(h)) return 0.0f;
  const float spacing = TerrainSpacing(land);
  float fx = spacing > 0 ? x / spacing : 0.0f, fz = spacing > 0 ? z / spacing : 0.0f;
  // NaN positions (broken files) end up at the origin.
  fx = std::isnan(fx) ? 0.0f : std::clamp(fx, 0.0f, static_cast<float>(w - 1));
  fz = std::isnan(fz) ? 0.0f : std::clamp(fz, 0.0f, static_cast<float>(h - 1));
  const int x0 = std::min(static_cast<int>(fx), w - 1), z0 = std::min(static_cast<int>(fz), h - 1);
  const int x1 = std::min(x0 + 1, w - 1), z1 = std::min(z0 + 1, h - 1);
  const float tx = fx - static_cast<float>(x0), tz = fz - static_cast<float>(z0);
  auto at = [&](int ix, int iz) {
    return land.heights[static_cast<size_t>(iz) * static_cast<size_t>(w) + static_cast<size_t>(ix)];
  };
  const float near = at(x0, z0) + (at(x1, z0) - at(x0, z0)) * tx;
  const float far = at(x0, z1) + (at(x1, z1) - at(x0, z1)) * tx;
  return near + (far - near) * tz;
}
