#pragma once
// Converting one source animation into its runtime form (with -animations).
#include "tool/conversion_entry.h"
#include "tool/run_settings.h"

namespace kln {

// The skeleton is the one that -skeleton= names (KTR2_ManSkeleton by default), from the
// model configuration of the animation's folder ("model.cfg" there and above) or the
// configurations loaded at start-up.
void ConvertAnimation(RunSettings& settings, const ConversionEntry& entry);

}  // namespace kln
