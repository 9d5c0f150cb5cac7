#pragma once
// A readable account of a runtime world file ("OPRW"), for the companion tool.
//
// The file is loaded through the same routine the converter saves it with; the account
// shows the version, the grid sizes and cell size, the height range, the texture table,
// the objects counted by kind, the sizes of the packed quad trees, the record and cell-data
// sizes, the model names, the roads and the first static records. Messages of the load are
// part of it.
#include <string>

#include "el/qstream/basic_types.h"

// Loads the runtime world `path` (an engine path) and writes its account to `out`: text,
// or one JSON document when `json` is set. Returns false when the file cannot be read or
// is not a valid runtime world; `out` then says why (in the JSON document: "ok": false,
// "error", "reason" and "messages").
bool DumpRuntimeWorld(const RString& path, bool json, std::string& out);
