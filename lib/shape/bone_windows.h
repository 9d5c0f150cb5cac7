#pragma once
// Placing the bone windows of a LOD's sections in its subskeleton (the list of slots,
// each holding one skeleton bone). A section's window is a run of at most `bonesInterval`
// slots holding all its bones; sections share slots where their bones allow it.
#include "el/qstream/basic_types.h"
#include "lib/shape/bone_section_cut.h"

// Fills `slots` (slot -> skeleton bone, starts empty) and each section's window.
void PlaceBoneWindows(AutoArray<BoneSection>& sections, AutoArray<int>& slots, int bonesInterval);
