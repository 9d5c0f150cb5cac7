#pragma once
// A readable account of a source world (".wrp", "2WVR" to "8WVR"), for the companion tool
// ("kiln dump FILE").
//
// The world is read as stored: objects are listed by the model they name (no model is
// loaded) and nothing is derived. The account: magic and version, land and terrain grid
// sizes, cell size, height range, the texture table with the number of cells using each
// entry, the object count, maximum id and count per model, the first objects, and the
// reader's messages.
#include <string>

#include "el/qstream/basic_types.h"

// Reads the source world `path` (an engine path) and writes its account to `out`: text,
// or one JSON document when `json` is set. Returns false when the reader refused the file;
// `out` then holds the reader's messages (in JSON: "ok": false and "messages").
bool DumpSourceWorld(const RString& path, bool json, std::string& out);

// How many objects the account lists one by one.
constexpr int kDumpedObjects = 10;
