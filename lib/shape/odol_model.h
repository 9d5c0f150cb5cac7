#pragma once
// Saving and loading models in the runtime model format ("ODOL").
//
// One routine, TransferRuntimeModel, serves both directions through a SerializeBinStream:
// magic and version, the resolution table, the model block, the animation records, the
// LOD start and end tables, the permanent flags, the streamed-LOD summaries, then one
// block per LOD. Saves write version 54 with LZO1X blocks; loads accept versions 28 to 54.
#include "el/qstream/basic_types.h"
#include "lib/shape/odol_format.h"

class LODShape;
class QIStream;
class QOStream;
class SerializeBinStream;

// Saves or loads `model` through `f`. Save: blocks are written special LODs first, then
// by descending resolution, and the LOD tables are patched afterwards; the shadow LOD check
// may lower the model's shadow LOD limit and the LOD order is checked (reports only).
// Load: the model is replaced by the file's; a magic mismatch gives error 1, a version
// outside 28-54 error 3, any structure fault error 4. `info` (optional) receives (load)
// or supplies and receives (save: the animation records to write) the file's layout.
// Returns f.Ok().
bool TransferRuntimeModel(SerializeBinStream& f, LODShape& model, RuntimeModelInfo* info = nullptr);

// Saves `model` to `out`; returns the SerializeBinStream error code (0 = saved).
int SaveRuntimeModel(LODShape& model, QOStream& out, RuntimeModelInfo* info = nullptr);
// Saves `model` to the file `path` through a temporary file that replaces it only when
// every byte was written. False (after a message) when the file cannot be written.
bool SaveRuntimeModel(LODShape& model, const RString& path, RuntimeModelInfo* info = nullptr);

// Loads the runtime model in `in` into `model`, named `name`; returns the error code.
int LoadRuntimeModel(LODShape& model, QIStream& in, const RString& name, RuntimeModelInfo* info = nullptr);
// Loads the runtime model file `path` (an engine path); false when it cannot be used.
bool LoadRuntimeModel(LODShape& model, const RString& path, RuntimeModelInfo* info = nullptr);
