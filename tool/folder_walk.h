#pragma once
// Walking a source folder into a destination folder and dispatching each file.
#include "el/qstream/basic_types.h"
#include "tool/conversion_entry.h"
#include "tool/run_settings.h"

namespace kln {

// Visits `source` (and, unless told otherwise, its subfolders, depth first before the
// folder's own files) and converts every model, world and texture list that takes part
// into the mirrored path below `destination`. With `collected`, the files are queued
// there in the order they would have been converted, and none is converted.
struct QueuedFile {
  ConversionEntry entry;
  RString sourceFolder;  // the folder of the walk that queued it, ending in '\'
  bool destinationExists = false;  // the destination was there when the walk listed it
};
void WalkFolder(RunSettings& settings, const RString& source, const RString& destination,
                AutoArray<QueuedFile>* collected = nullptr);

// Converts one collected file as the walk would have, caches emptied afterwards.
void DispatchQueued(RunSettings& settings, const QueuedFile& file);

}  // namespace kln
