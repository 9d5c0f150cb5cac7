#pragma once
// Block compression of one mipmap level: DXT1 (8 bytes per 4x4 block) for opaque
// textures, DXT5 (16 bytes, with interpolated alpha) for textures with alpha.
#include <cstddef>
#include <string>

#include "lib/texture/pressmill/source_image.h"

// Bytes of a level of width x height texels.
size_t DxtDataSize(int width, int height, bool withAlpha);

// The blocks of `level`, row by row; blocks over the edge repeat the edge texels.
std::string CompressDxtLevel(const RgbaImage& level, bool withAlpha);
