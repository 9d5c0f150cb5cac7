#pragma once
// Walking a source folder into a destination folder and dispatching each file.
#include "el/qstream/basic_types.h"
#include "tool/run_settings.h"

namespace kln {

// Visits `source` (and, unless told otherwise, its subfolders, depth first before the
// folder's own files) and converts every model, world and texture list that takes part
// into the mirrored path below `destination`.
void WalkFolder(RunSettings& settings, const RString& source, const RString& destination);

}  // namespace kln
