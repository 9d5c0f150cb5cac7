#include "lib/landscape/landscape.h"

void Landscape::Resize(int32_t newLandWidth, int32_t newTerrainWidth, float newCellSize) {
  landWidth = landHeight = newLandWidth > 0 ? newLandWidth : 0;
  terrainWidth = terrainHeight = newTerrainWidth > 0 ? newTerrainWidth : 0;
  cellSize = newCellSize;
  const size_t landCells = static_cast<size_t>(landWidth) * static_cast<size_t>(landHeight);
  const size_t samples = static_cast<size_t>(terrainWidth) * static_cast<size_t>(terrainHeight);

  heights.assign(samples, 0.0f);
  minHeight = maxHeight = 0;
  textureIndices.assign(landCells, 0);
  objects.clear();
  nextIdBase = 0;

  cellObjects.assign(landCells, {});
  cellFlags.assign(landCells, 0);
  soundMap.assign(landCells, 0);
  peaks.clear();
  terrainByteMap.assign(samples, 0);
  primaryTextureMap.assign(samples, 0);
  roads.assign(landCells, {});
}
