#pragma once
// The mount table of a run, built before anything is read: KILNIFY_MOUNTS, the -mount=
// options, and the folders of the prefix files (-prefixFile= or KILNIFY_PREFIX_FILE) found
// below the searched folders and the work drive.
#include <string>
#include <vector>

#include "el/qstream/basic_types.h"

namespace kln {

struct MountOptions {
  std::vector<std::string> mounts;  // "WORKPATH=FOLDER" from -mount=, in command-line order
  std::string prefixFile;           // -prefixFile=; KILNIFY_PREFIX_FILE when empty
};

// Fills Mounts(); `searched` are the command-line folders (engine form, host paths) where
// prefix files are looked for besides the work drive. False after reporting a bad mount or
// a work path claimed by two folders.
bool SetUpMounts(const MountOptions& options, const std::vector<RString>& searched);

// Takes -mount= and -prefixFile= out of `args` into `options` (the other arguments keep
// their order).
void TakeMountOptions(std::vector<std::string>& args, MountOptions& options);

}  // namespace kln
