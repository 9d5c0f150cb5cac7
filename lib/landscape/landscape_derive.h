#pragma once
// The load-time derivations that the runtime world format stores: the objects of each land
// cell, the cell flags and the sound map. They read the heights, the world's class and the
// per-object fields that the object classification filled; nothing else.
class Landscape;

// Rebuilds `cellObjects` from the object positions: an object belongs to the land cell
// under its x and z; an object outside the land grid goes to the nearest border cell, so
// that no object is lost by the runtime format (which stores objects per cell).
void BuildCellObjects(Landscape& land);
// Computes `cellFlags` from the heights and the objects of each cell (`cellObjects` must
// be current).
void DeriveCellFlags(Landscape& land);
// Computes `soundMap` from the objects' map types, the cell flags and the world's class
// (`SoundMapValues`, `soundMapAttenCoef`).
void DeriveSoundMap(Landscape& land);

// All three, in order: what a loader calls once the heights and objects are in place.
void DeriveCellData(Landscape& land);
