#pragma once
// The mipmap chain of a texture: each level half the size of the one before.
#include <vector>

#include "lib/texture/pressmill/source_image.h"

// The smallest side a block-compressed level is given after the first: the engine warns
// about DXT levels with a side of 4 texels or fewer, so such a chain ends before a level
// with a side below 8. Uncompressed chains go on down to a side of 1 (1x1 for a square).
inline constexpr int kMinDxtMipmapSide = 8;

// The smallest side of the stored levels after the first for textures of `format`.
int MinMipmapSide(int format);

// The levels from `top` down (top first) to the one whose smaller side is 1. Each level
// is resampled from the one before: in linear light with alpha-weighted colour (colour
// textures), or with `linear` on the stored values, every channel on its own (normal and
// data maps).
std::vector<RgbaImage> BuildMipmapChain(const RgbaImage& top, bool linear);
