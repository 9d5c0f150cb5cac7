#pragma once
// Converting one source world into its runtime form.
#include "tool/conversion_entry.h"
#include "tool/run_settings.h"

namespace kln {

void ConvertWorld(RunSettings& settings, const ConversionEntry& entry);

}  // namespace kln
