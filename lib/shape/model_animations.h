#pragma once
// The animations of a model, as the runtime format stores them, taken from the class
// "Animations" of the model's class in its model configuration.
#include <optional>

#include "lib/shape/odol_animation.h"

class LODShape;

// One record per animation class (in order; "disabled" ones are left out, unknown types
// are reported and left out), and per LOD the index of the animation's selection with,
// for rotations and translations that move something there, the ends of the axis taken
// from the memory LOD. Nothing when the model's class has no "Animations".
std::optional<RuntimeAnimations> ModelAnimations(const LODShape& model);
