#pragma once
// The LOD reduction of "-shrinkP3D".
class LODShape;

// True when a LOD of `resolution` is left out of a shrunk model: shadow volumes and the
// view geometries and views (1.8e16, 1.9e16, 2e16, 8e15, 1.3e16, 1.5e16, 1.6e16).
bool ShrinkDropsResolution(float resolution);

// Keeps only the last LOD with resolution below 900: the others are emptied, and when LOD
// 0 is one of them the kept LOD takes its slot too. The bounding centre is saved first.
void ShrinkVisualLods(LODShape& model);
