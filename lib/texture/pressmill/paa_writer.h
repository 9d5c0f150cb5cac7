#pragma once
// Writing a ".paa" texture from an image: block-compressed mipmaps behind the tagged
// blocks that the engine's header reader expects.
//
// Layout: format word (DXT1 0xFF01 or DXT5 0xFF05); "CGVA" average colour, "CXAM"
// maximum colour, "GALF" flags, "SFFO" the 16 mipmap header offsets (0 for unused
// levels); an empty palette; the mipmaps from the largest (width, height, 24-bit size,
// blocks); a header of width 0 and height 0.
#include <cstdint>
#include <string>
#include <vector>

#include "lib/texture/pressmill/source_image.h"

// What the tags say about an image.
struct ImageTags {
  uint32_t averageColor = 0;    // per-channel mean, packed alpha 24-31, red 16-23, green 8-15, blue 0-7
  uint32_t maxColor = 0;        // per-channel maximum, packed the same way
  bool hasAlpha = false;        // some texel is not opaque
  bool hasTransparent = false;  // some texel is fully transparent
};

ImageTags MeasureImage(const RgbaImage& image);

// The bytes of the ".paa" for `image`. False with `error` set when a level's blocks do not
// fit the 24-bit size of a mipmap.
bool EncodePaa(const RgbaImage& image, std::string& bytes, std::string& error);
