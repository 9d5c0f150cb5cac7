#include "lib/landscape/landscape_derive.h"

#include <algorithm>

#include "lib/landscape/landscape.h"

namespace {

// The land cell of a coordinate in metres; outside the grid (and not a number) the
// nearest border cell.
int CellOf(float metres, float cellSize, int width) {
  const float cell = metres / cellSize;
  if (!(cell >= 0)) return 0;
  if (cell >= static_cast<float>(width)) return width - 1;
  return std::min(static_cast<int>(cell), width - 1);
}

}  // namespace

void BuildCellObjects(Landscape& land) {
  const size_t cells = static_cast<size_t>(land.landWidth) * static_cast<size_t>(land.landWidth);
  land.cellObjects.assign(cells, {});
  if (cells == 0) return;
  for (size_t i = 0; i < land.objects.size(); ++i) {
    const Vector3& p = land.objects[i].transform.position;
    const int x = CellOf(p.x, land.cellSize, land.landWidth);
    const int z = CellOf(p.z, land.cellSize, land.landWidth);
    land.cellObjects[land.LandIndex(x, z)].push_back(static_cast<int32_t>(i));
  }
}

void DeriveCellData(Landscape& land) {
  BuildCellObjects(land);
  DeriveCellFlags(land);
  DeriveSoundMap(land);
}
