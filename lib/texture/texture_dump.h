#pragma once
// Explaining texture files for the companion tool: the header of a ".paa"/".pac" as the
// engine reads it together with the file's structure, or every entry of a
// "texHeaders.bin".
#include <string>

#include "el/qstream/basic_types.h"

// Writes the explanation of the file at `path` (engine or host path) to `out`, as indented
// text or as one JSON object. A file that starts with the "0DHT" magic is taken as a
// texture-headers file, one with the extension ".paa" or ".pac" as a texture. Messages
// that reading prints are captured into the explanation ("messages"), not printed.
// Returns false when the file cannot be opened, is neither kind, or cannot be read; `out`
// then still holds what was learnt and an "error" entry.
bool DumpTextureFile(const RString& path, bool json, std::string& out);
