#pragma once
// The data each placed object writes into the cell-data stream of a runtime world (the
// per-cell part that the 60-byte static records do not carry). Static objects store their
// classification here; the other objects (temporary, vehicles) also their id, model and
// transform, since they have no record. Every object stores its position in the world's
// object list, so that a loaded world lists its objects in the order they were placed.
//
// Layout of one object:
//   int32 list index; int32 kind code;
//   not static only: int32 id, model name (string), 48-byte transform, int32 record property;
//   uint8 map type; float footprint size; uint8 coverage weight; uint8 flag bits (1 marks
//   the cell, 2 cell property, 4 kind bit, 8 configuration class missing); uint8 cell flag
//   byte; configuration class (string); property class (string); uint64 entity value;
//   uint8 road point count, then the points (three floats each).
#include <cstdint>

struct LandscapeObject;
class SerializeBinStream;

// Saves or loads one object's cell data; a load checks every code and count against what
// the stream holds (error 4 otherwise). Returns f.Ok().
bool TransferObjectCellData(SerializeBinStream& f, LandscapeObject& object, int32_t& listIndex);
