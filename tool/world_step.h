#pragma once
// Converting one world (source or runtime form) into the runtime world format.
#include "el/qstream/basic_types.h"
#include "tool/conversion_entry.h"
#include "tool/run_settings.h"

class ParamClass;

namespace kln {

// The class of the world `worldName` in the global configuration: CfgWorlds >> worldName,
// else CfgWorlds >> DefaultWorld; null when neither exists.
const ParamClass* WorldClassOf(const RString& worldName);

void ConvertWorld(RunSettings& settings, const ConversionEntry& entry);

}  // namespace kln
