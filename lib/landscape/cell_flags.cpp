// Cell flags of a world, per land cell:
//   bits 0-1   full-water class (from the cell's highest terrain sample)
//   bit 2      full coverage
//   bit 3      an object of the cell sets the kind bit
//   bit 4      an object of the cell marks it (lowers the coverage and gradient classes)
//   bits 5-6   partial-water class (from the lowest sample)
//   bits 7-8   coverage class, bits 9-10 weighted coverage class
//   bits 11-13 gradient class (only for cells without full water)
//   bit 14     an object of the cell has the cell property; bit 15 the cell holds objects
#include <algorithm>
#include <cmath>

#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_derive.h"
#include "lib/landscape/landscape_surface.h"

namespace {

constexpr uint16_t kFullCoverage = 1u << 2;
constexpr uint16_t kKindBit = 1u << 3;
constexpr uint16_t kMarkedCell = 1u << 4;
constexpr uint16_t kCellProperty = 1u << 14;
constexpr uint16_t kHasObjects = 1u << 15;
constexpr int kPartialWaterShift = 5, kCoverageShift = 7, kWeightedShift = 9, kGradientShift = 11;

int WaterClass(float height) {
  if (height < -2.5f) return 3;
  if (height < -1.0f) return 2;
  if (height < -0.5f) return 1;
  return 0;
}

float Steepest(float a, float b) { return std::max({(a + b) * 0.70710677f, a, b}); }

int GradientClass(float slope) {
  static constexpr float kLimits[] = {0.95f, 0.6f, 0.4f, 0.25f, 0.15f, 0.1f, 0.05f};
  for (int i = 0; i < 7; ++i)
    if (slope >= kLimits[i]) return 7 - i;
  return 0;
}

// Water classes and gradient class of cell (x, z) from the terrain samples it covers.
uint16_t TerrainFlags(const Landscape& land, int x, int z, int ratio, float inverseSpacing) {
  const int last = land.terrainWidth - 1;
  const int i0 = std::min(x * ratio, last), i1 = std::min((x + 1) * ratio, last);
  const int j0 = std::min(z * ratio, last), j1 = std::min((z + 1) * ratio, last);
  float high = land.heights[land.TerrainIndex(i0, j0)], low = high;
  for (int j = j0; j <= j1; ++j) {
    for (int i = i0; i <= i1; ++i) {
      const float h = land.heights[land.TerrainIndex(i, j)];
      high = std::max(high, h);
      low = std::min(low, h);
    }
  }
  const int fullWater = WaterClass(high);
  uint16_t flags = static_cast<uint16_t>(fullWater | WaterClass(low) << kPartialWaterShift);
  if (fullWater != 0) return flags;
  float slope = 0;
  for (int j = j0; j < j1; ++j) {
    for (int i = i0; i < i1; ++i) {
      const float h00 = land.heights[land.TerrainIndex(i, j)], h10 = land.heights[land.TerrainIndex(i + 1, j)];
      const float h01 = land.heights[land.TerrainIndex(i, j + 1)], h11 = land.heights[land.TerrainIndex(i + 1, j + 1)];
      slope =
          std::max({slope, Steepest(std::fabs((h11 - h01) * inverseSpacing), std::fabs((h11 - h10) * inverseSpacing)),
                    Steepest(std::fabs((h01 - h00) * inverseSpacing), std::fabs((h10 - h00) * inverseSpacing))});
    }
  }
  return static_cast<uint16_t>(flags | GradientClass(slope) << kGradientShift);
}

struct Coverage {
  float area = 0, weightedArea = 0;
  int count = 0, weightedCount = 0;
};

// What the flags need of one object, gathered once in object order: the cells then read
// these 16 bytes instead of each object itself, which lies in memory in load order.
struct ObjectBrief {
  float x = 0, z = 0;
  float half = 0;  // half the footprint side; 0: not in coverage
  uint8_t weight = 0;
  bool setsKindBit = false, marksCell = false, hasCellProperty = false;
};

AutoArray<ObjectBrief> BriefObjects(const Landscape& land) {
  AutoArray<ObjectBrief> briefs(land.objects.size());
  for (size_t i = 0; i < land.objects.size(); ++i) {
    const LandscapeObject& object = land.objects[i];
    ObjectBrief& brief = briefs[i];
    brief.x = object.transform.position.x;
    brief.z = object.transform.position.z;
    brief.half = object.footprintSize > 0 ? object.footprintSize * 0.5f : 0.0f;
    brief.weight = static_cast<uint8_t>(object.coverageWeight);
    brief.setsKindBit = object.setsKindBit;
    brief.marksCell = object.marksCell;
    brief.hasCellProperty = object.hasCellProperty;
  }
  return briefs;
}

// Footprints of the qualifying objects of the cell and its eight neighbours, clipped to
// the cell.
Coverage CellCoverage(const Landscape& land, const AutoArray<ObjectBrief>& briefs, int x, int z) {
  Coverage sum;
  const float x0 = static_cast<float>(x) * land.cellSize, x1 = x0 + land.cellSize;
  const float z0 = static_cast<float>(z) * land.cellSize, z1 = z0 + land.cellSize;
  for (int nz = std::max(z - 1, 0); nz <= std::min(z + 1, land.landWidth - 1); ++nz) {
    for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, land.landWidth - 1); ++nx) {
      for (int32_t index : land.cellObjects[land.LandIndex(nx, nz)]) {
        const ObjectBrief& object = briefs[index];
        if (!(object.half > 0)) continue;
        const float w = std::min(object.x + object.half, x1) - std::max(object.x - object.half, x0);
        const float d = std::min(object.z + object.half, z1) - std::max(object.z - object.half, z0);
        if (!(w > 0 && d > 0)) continue;
        const float area = w * d;
        sum.area += area;
        ++sum.count;
        if (object.weight == static_cast<uint8_t>(CoverageWeight::kNormal)) {
          sum.weightedArea += area;
          sum.weightedCount += 1;
        } else if (object.weight == static_cast<uint8_t>(CoverageWeight::kHeavy)) {
          sum.weightedArea += 4 * area;
          sum.weightedCount += 2;
        }
      }
    }
  }
  return sum;
}

uint16_t CoverageFlags(const Coverage& c, float cellArea) {
  int coverage = 0;
  uint16_t flags = 0;
  if (c.area >= 0.9f * cellArea)
    flags |= kFullCoverage;
  else if (c.area >= 0.5f * cellArea || c.count >= 20)
    coverage = 3;
  else if (c.area >= 0.25f * cellArea || c.count > 9)
    coverage = 2;
  else if (c.count > 0)
    coverage = 1;
  int weighted = 0;
  if (c.weightedArea >= cellArea / 3 || c.weightedCount >= 8)
    weighted = 3;
  else if (c.weightedArea >= cellArea / 6 || c.weightedCount > 3)
    weighted = 2;
  else if (c.weightedCount > 0)
    weighted = 1;
  return static_cast<uint16_t>(flags | coverage << kCoverageShift | weighted << kWeightedShift);
}

// Bits 3, 4, 14 and 15 from the cell's own objects; a marked cell lowers its classes.
uint16_t ObjectFlags(const Landscape& land, const AutoArray<ObjectBrief>& briefs, int cell, uint16_t flags) {
  const AutoArray<int32_t>& objects = land.cellObjects[cell];
  flags &= static_cast<uint16_t>(~(kKindBit | kMarkedCell | kCellProperty | kHasObjects));
  if (objects.empty()) return flags;
  flags |= kHasObjects;
  bool marked = false;
  for (int32_t index : objects) {
    const ObjectBrief& object = briefs[index];
    if (object.setsKindBit) flags |= kKindBit;
    if (object.hasCellProperty) flags |= kCellProperty;
    marked = marked || object.marksCell;
  }
  if (!marked) return flags;
  flags |= kMarkedCell;
  flags &= static_cast<uint16_t>(~kFullCoverage);
  if (((flags >> kGradientShift) & 7) > 5)
    flags = static_cast<uint16_t>((flags & ~(7u << kGradientShift)) | 5u << kGradientShift);
  if (((flags >> kCoverageShift) & 3) == 3)
    flags = static_cast<uint16_t>((flags & ~(3u << kCoverageShift)) | 2u << kCoverageShift);
  return flags;
}

}  // namespace

void DeriveCellFlags(Landscape& land) {
  const int width = land.landWidth;
  const size_t cells = static_cast<size_t>(width) * static_cast<size_t>(width);
  land.cellFlags.assign(cells, 0);
  if (cells == 0 || land.cellObjects.size() != cells) return;
  const bool hasTerrain =
      land.terrainWidth > 0 && land.heights.size() == static_cast<size_t>(land.terrainWidth) * land.terrainWidth;
  const int ratio = std::max(1, land.terrainWidth / std::max(width, 1));
  const float inverseSpacing = 1.0f / TerrainSpacing(land);
  const float cellArea = land.cellSize * land.cellSize;
  const AutoArray<ObjectBrief> briefs = BriefObjects(land);
  for (int z = 0; z < width; ++z) {
    for (int x = 0; x < width; ++x) {
      uint16_t flags = hasTerrain ? TerrainFlags(land, x, z, ratio, inverseSpacing) : 0;
      flags |= CoverageFlags(CellCoverage(land, briefs, x, z), cellArea);
      land.cellFlags[land.LandIndex(x, z)] = ObjectFlags(land, briefs, land.LandIndex(x, z), flags);
    }
  }
}
