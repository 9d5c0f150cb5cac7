#pragma once
// Heights of the terrain surface between its samples.
class Landscape;

// Metres between two neighbouring terrain samples (land width x cell size / terrain width;
// the cell size when the terrain grid is empty).
float TerrainSpacing(const Landscape& land);

// The surface height at world position (x, z) in metres: bilinear between the four
// samples around it; positions outside the terrain take the nearest border sample. 0 for
// a world without heights.
float SurfaceHeight(const Landscape& land, float x, float z);
