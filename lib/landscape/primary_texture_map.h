#pragma once
// The primary texture map: one byte per terrain sample naming the texture that covers
// the ground there.
class Landscape;

// Fills `land.primaryTextureMap`: each sample takes the texture index of the land cell
// it lies in (the last cell for the samples of the far border), stored as a byte (255
// for indices above it). Logs "Init primary texture mapping (%s): %d ms" with the
// world's name.
void BuildPrimaryTextureMap(Landscape& land);
