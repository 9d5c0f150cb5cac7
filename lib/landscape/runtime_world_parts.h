#pragma once
// The pieces of the runtime world transfer (runtime_world.cpp calls them in file order).
// Each saves or loads through the same SerializeBinStream and returns f.Ok(); loads check
// every size against what the stream still holds before anything is allocated.
#include <cstdint>

#include "el/qstream/basic_types.h"

class Landscape;
class SerializeBinStream;

// Versions 15 to 28: the grid sizes and cell size, the cell flag, sound map and texture
// index trees, the peaks, the terrain byte map (18 and up), the primary texture map (22 and
// up), the heights and the texture table. A load sizes `land` from the header.
bool TransferWorldGrids(SerializeBinStream& f, Landscape& land);

// Versions 15 to 28, after the texture table: model-name table, entity list, record and
// cell-data trees, cell object flags, the road block, the static records and the cell data.
// A load rebuilds the objects (in their saved list order) and the cell object lists.
bool TransferWorldObjects(SerializeBinStream& f, Landscape& land, const RString& worldName);

// The road block: int32 byte size, then per land cell (column outer, row inner) an int32
// element count and the elements.
bool TransferWorldRoads(SerializeBinStream& f, Landscape& land);

// Version 3 after its version number: grid sizes, cell flags widened to 32 bits, sound map,
// peaks, texture indices, a reserved grid, heights, texture table, model names, objects
// and the end mark. The file stores no cell size: a load keeps `land.cellSize`.
bool TransferOldWorld(SerializeBinStream& f, Landscape& land, const RString& worldName);

// Load: true when a block of `bytes` bytes (compressed when `compressed`, with the method
// the stream uses) can be held by the rest of the stream; sets error 4 otherwise.
bool LoadedBlockFits(SerializeBinStream& f, uint64_t bytes, bool compressed);

// Load: checks the grid sizes a header gives (square, 0 to 32768 wide, the land
// grid's cells times `bytesPerLandCell` (when not 0) within the stream, the terrain heights a block the
// stream can hold) and sizes `land`; sets error 4 and returns false otherwise.
bool SizeLoadedWorld(SerializeBinStream& f, Landscape& land, int32_t landWidth, int32_t landHeight,
                     int32_t terrainWidth, int32_t terrainHeight, float cellSize, uint64_t bytesPerLandCell);
