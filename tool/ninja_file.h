#pragma once
// A Ninja build file for a walk (-ninja=FILE): one edge per queued model, world or
// animation, each through `kiln convert ... -depfile=$out.d` with the run's start-up
// options, so that `ninja -f FILE` converts what `kilnify SRC DST` converts and a second
// `ninja` finds everything up to date through the recorded dependencies. Paths are written
// as the host sees them from the current folder, where ninja is to be started.
#include <string>
#include <string_view>

#include "el/qstream/basic_types.h"
#include "tool/folder_walk.h"
#include "tool/run_settings.h"

namespace kln {

// `path` with '$', ' ', ':' and line ends escaped for a Ninja path list.
std::string EscapeNinjaPath(std::string_view path);

// The text of the build file; `kiln` is the host path of the companion tool.
std::string FormatNinjaFile(const RunSettings& settings, const AutoArray<QueuedFile>& queue, const RString& source,
                            const std::string& kiln);

// Writes the build file that settings.ninjaFile names, atomically, and reports it.
void WriteNinjaFile(const RunSettings& settings, const AutoArray<QueuedFile>& queue, const RString& source,
                    const RString& destination);

}  // namespace kln
