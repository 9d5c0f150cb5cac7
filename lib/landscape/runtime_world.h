#pragma once
// Saving and loading worlds in the runtime world format ("OPRW").
//
// One routine, TransferRuntimeWorld, serves both directions through a SerializeBinStream:
// the header, the per-cell grids as packed quad trees, the heights and texture table, then
// the model-name table, entity list, per-cell record and cell-data trees, cell object
// flags, the road block, the 60-byte static records and the cell data. Saves write version
// 28 with LZO1X blocks, or the older version 3 (LZSS blocks) on request; loads accept
// versions 3 and 15 to 28.
//
// Safe on untrusted input: a load of malformed or truncated data returns an error code and
// leaves the world empty; it never reads outside the stream.
#include <cstdint>

#include "el/qstream/basic_types.h"
#include "el/qstream/serialize_bin_stream.h"
#include "el/qstream/vector3.h"

class Landscape;
class QIStream;
class QOStream;
class SerializeBinStream;

constexpr int kRuntimeWorldVersion = 28;     // what the converter writes
constexpr int kOldRuntimeWorldVersion = 3;   // what it writes with -GX1
constexpr int kMinRuntimeWorldVersion = 15;  // the oldest version read besides 3

// What a transfer found out about the file's layout (for the dump): attach one to the
// SerializeBinStream with SetContext before the transfer; the parts fill it in both
// directions.
struct RuntimeWorldInfo : SerializeBinContext {
  struct Record {
    int32_t id = 0;
    int32_t modelIndex = 0;
    Vector3 position;
    int32_t property = 0;
  };
  static constexpr size_t kFirstRecords = 8;  // how many records are kept

  int version = 0;
  // Bytes of each packed quad tree (0 in version 3, which stores plain grids).
  size_t cellFlagTreeBytes = 0, soundMapTreeBytes = 0, textureTreeBytes = 0;
  size_t firstRecordTreeBytes = 0, cellDataTreeBytes = 0;
  AutoArray<RString> modelNames;
  size_t entityCount = 0;
  int64_t recordBytes = 0, cellDataBytes = 0, roadBlockBytes = 0;
  int32_t maxObjectId = 0;
  AutoArray<Record> firstRecords;  // the first records in file order
};

// Saves (version `saveVersion`: 28 or 3) or loads `land` through `f`. Load: a magic other
// than "OPRW" gives error 1, a version outside 3 and 15-28 reports "Bad version %d in
// landscape %s" and gives error 3, any structure fault error 4. `worldName` names the world
// in messages. Returns f.Ok().
bool TransferRuntimeWorld(SerializeBinStream& f, Landscape& land, const RString& worldName,
                          int saveVersion = kRuntimeWorldVersion);

// Saves `land` to `out` (version 3 when `oldFormat`); returns the SerializeBinStream error
// code (0 = saved).
int SaveRuntimeWorld(Landscape& land, QOStream& out, bool oldFormat = false);
// Saves `land` to the file `path` (an engine path) through a temporary file that replaces
// it only when every byte was written. False after "Cannot save world '%s'".
bool SaveRuntimeWorld(Landscape& land, const RString& path, bool oldFormat);

// Loads the runtime world in `in` into `land` (named `worldName` in messages); returns the
// error code: 0 loaded, 1 not a runtime world (the stream may be rewound and offered to the
// source reader), 3 unsupported version, 4 corrupt. On failure `land` is left empty.
// `info` (optional) receives the file's layout.
int LoadRuntimeWorld(Landscape& land, QIStream& in, const RString& worldName, RuntimeWorldInfo* info = nullptr);
