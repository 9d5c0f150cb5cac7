#pragma once
// Converting one source model into its runtime form.
#include "tool/conversion_entry.h"
#include "tool/run_settings.h"

namespace kln {

void ConvertModel(RunSettings& settings, const ConversionEntry& entry);

}  // namespace kln
