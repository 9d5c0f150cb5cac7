#pragma once
// The mipmap chain of a texture: each level half the size of the one before.
#include <vector>

#include "lib/texture/pressmill/source_image.h"

// The smallest side a block-compressed level is given: the engine warns about levels of
// 4 texels or fewer, so the chain ends before a level with a side below 8.
inline constexpr int kMinMipmapChainSide = 8;

// The levels from `top` down (top first); a level is added while both its sides are at
// least kMinMipmapChainSide. Levels are resampled from the one before, in sRGB space with
// alpha-weighted colour.
std::vector<RgbaImage> BuildMipmapChain(const RgbaImage& top);
