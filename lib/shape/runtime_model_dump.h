#pragma once
// A readable account of a runtime model file ("ODOL"), for the companion tool.
//
// The file is loaded through the same routine the converter saves it with; the account
// shows the version, the model block values, the animation records, and per LOD its
// resolution, whether it is permanent, its block offsets and counts (points, vertices,
// faces, sections), its sections with their bone windows, materials, named selections
// and named properties. Messages of the load are part of it.
#include <string>

#include "el/qstream/basic_types.h"

// Loads the runtime model `path` (an engine path) and writes its account to `out`: text,
// or one JSON document when `json` is set. Returns false when the file cannot be read or
// is not a valid runtime model; `out` then says why (in the JSON document: "ok": false,
// "error" and "messages").
bool DumpRuntimeModel(const RString& path, bool json, std::string& out);
