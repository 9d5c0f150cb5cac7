#pragma once
// The walk of a run with the options for large projects: -j N converts the queued files in
// worker processes, -hashCheck decides by input hashes what is up to date, -ninja= writes a
// build file instead of converting. Without them this is the plain folder walk.
#include "el/qstream/basic_types.h"
#include "tool/run_settings.h"

namespace kln {

void RunWalk(RunSettings& settings, const RString& source, const RString& destination);

}  // namespace kln
