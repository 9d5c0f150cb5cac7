#pragma once
// A readable summary of a source or runtime animation, for the companion tool
// ("kiln dump FILE"): format and version, step, phase count and times, bones, and the
// transforms of the first phase decoded. Every bone of the file is shown: the file is read
// against a skeleton made of its own bone names, all top-level, so that the first phase's
// transforms are the file's model-space matrices as packed.
#include <string>

#include "el/qstream/basic_types.h"

// Reads the animation `path` (an engine path) and writes its summary to `out`: text, or
// one JSON document when `json` is set. Returns false when the file is no usable
// animation; `out` then holds the reader's messages.
bool DumpAnimation(const RString& path, bool json, std::string& out);
