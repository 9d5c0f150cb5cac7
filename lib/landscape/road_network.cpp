#include "lib/landscape/road_network.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <utility>

#include "lib/landscape/landscape.h"

namespace {

constexpr size_t kMaxRoadPoints = 4;

int CellOf(float metres, const Landscape& land) {
  const float cell = metres / land.cellSize;
  if (!(cell >= 0)) return 0;  // negative or NaN
  return static_cast<int>(std::min(cell, static_cast<float>(land.landWidth - 1)));
}

using GridKey = std::pair<int64_t, int64_t>;
GridKey KeyOf(const Vector3& p) {
  return {static_cast<int64_t>(std::floor(p.x / kRoadJoinDistance)),
          static_cast<int64_t>(std::floor(p.z / kRoadJoinDistance))};
}

float Distance2(const Vector3& a, const Vector3& b) {
  const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return dx * dx + dy * dy + dz * dz;
}

}  // namespace

void DropRoadNetwork(Landscape& land) {
  for (AutoArray<RoadElement>& cell : land.roads) cell.clear();
}

void BuildRoadNetwork(Landscape& land) {
  const size_t cells = static_cast<size_t>(land.landWidth) * static_cast<size_t>(land.landHeight);
  land.roads.assign(cells, {});
  if (cells == 0 || !(land.cellSize > 0)) return;
  // Points of all elements on a grid of the join distance: (element cell, element, point).
  struct PointRef {
    size_t cell, element, point;
    int64_t owner;
  };
  std::multimap<GridKey, PointRef> grid;
  for (const LandscapeObject& object : land.objects) {
    if (object.kind != ObjectKind::kNetwork || object.roadPoints.empty()) continue;
    const Vector3& p = object.transform.position;
    const size_t cell = static_cast<size_t>(land.LandIndex(CellOf(p.x, land), CellOf(p.z, land)));
    RoadElement element;
    const size_t count = std::min(object.roadPoints.size(), kMaxRoadPoints);
    element.points.assign(object.roadPoints.begin(), object.roadPoints.begin() + static_cast<std::ptrdiff_t>(count));
    element.pointBytes.assign(count, 0);
    element.objectId = object.id;
    element.modelName = object.modelName;
    element.transform = object.transform;
    land.roads[cell].push_back(std::move(element));
    for (size_t i = 0; i < count; ++i)
      grid.emplace(KeyOf(object.roadPoints[i]), PointRef{cell, land.roads[cell].size() - 1, i, object.id});
  }
  const float join2 = kRoadJoinDistance * kRoadJoinDistance;
  for (const auto& [key, ref] : grid) {
    RoadElement& element = land.roads[ref.cell][ref.element];
    const Vector3& p = element.points[ref.point];
    for (int64_t dx = -1; dx <= 1 && !element.pointBytes[ref.point]; ++dx) {
      for (int64_t dz = -1; dz <= 1 && !element.pointBytes[ref.point]; ++dz) {
        auto [from, to] = grid.equal_range({key.first + dx, key.second + dz});
        for (auto it = from; it != to; ++it) {
          const PointRef& other = it->second;
          if (other.cell == ref.cell && other.element == ref.element) continue;
          if (Distance2(p, land.roads[other.cell][other.element].points[other.point]) <= join2) {
            element.pointBytes[ref.point] = 1;
            break;
          }
        }
      }
    }
  }
}
