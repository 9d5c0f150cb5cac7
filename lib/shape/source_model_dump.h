#pragma once
// A readable summary of a source model, for the companion tool ("kiln dump FILE").
//
// The model is read as stored (no preparation): container and version, then per LOD its
// resolution and kind, point, vertex and face counts, textures and materials, named
// selections with their sizes, named properties, key frames and UV sets, and the model's
// masses. The reader's messages are part of the summary.
#include <string>
#include <vector>

#include "el/qstream/basic_types.h"

class LODShape;

// Reads the source model `path` (an engine path) and writes its summary to `out`: text,
// or one JSON document when `json` is set. Returns false when the reader refused the file;
// `out` then holds the reader's messages (as text, or in the JSON document).
bool DumpSourceModel(const RString& path, bool json, std::string& out);

// The summary of a model already read; `messages` are the reader's error-channel lines.
std::string FormatSourceModelDump(const LODShape& model, const std::vector<std::string>& messages, bool json);
