#include "engine/process_flags.h"

namespace {
bool gShrinkModels = false;
}

void SetShrinkModels(bool shrink) { gShrinkModels = shrink; }
bool ShrinkModels() { return gShrinkModels; }
