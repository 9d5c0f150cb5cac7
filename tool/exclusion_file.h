#pragma once
// Reading exclusion patterns from a text file.
#include "tool/run_settings.h"

namespace kln {

// Appends the patterns of the file `path` (engine form) to `list`: one per line, lower
// case, skipping empty lines and lines that begin with ';'. Lines longer than 1023 bytes
// arrive as several patterns. A file that cannot be opened adds nothing, silently.
void ReadExclusionFile(ExclusionList& list, const char* path);

}  // namespace kln
