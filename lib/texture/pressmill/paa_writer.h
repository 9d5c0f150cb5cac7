#pragma once
// Writing a ".paa" texture from an image: mipmaps in the format a rule chooses behind
// the tagged blocks that the engine's header reader expects.
//
// Layout: format word (none for 8888); "CGVA" average colour, "CXAM" maximum colour,
// "GALF" flags, "SFFO" the 16 mipmap header offsets (0 for unused levels); an empty
// palette; the mipmaps from the largest (width, height, 24-bit size, data); a header of
// width 0 and height 0.
//
// The engine reads no level with a side below 2 or above 4096, nor one whose data needs
// more than 24 bits of size. So a side of 1 is stored as 2 (the texels repeated, which
// samples the same), and the levels of a larger image are computed from the whole image
// but stored from the first that fits (8192x8192 DXT1 from 4096x4096, DXT5 and 8888 from
// 2048x2048 and 1024x1024). After the first stored level, DXT chains end before a side
// below 8 and uncompressed ones at a side of 1.
#include <cstdint>
#include <string>
#include <vector>

#include "lib/texture/pressmill/source_image.h"
#include "lib/texture/pressmill/texture_rules.h"

// What the tags say about an image.
struct ImageTags {
  uint32_t averageColor = 0;    // per-channel mean, packed alpha 24-31, red 16-23, green 8-15, blue 0-7
  uint32_t maxColor = 0;        // per-channel maximum, packed the same way
  bool hasAlpha = false;        // some texel is not opaque
  bool hasTransparent = false;  // some texel is fully transparent
};

ImageTags MeasureImage(const RgbaImage& image);

// The bytes of the ".paa" for `image` (taken, to spare a copy of large images) as `rule`
// says. `note` tells when the stored texture starts below the image's size, else is
// cleared. False with `error` set when the rule's format cannot be written.
bool EncodePaa(RgbaImage image, const TextureRule& rule, std::string& bytes, std::string& note, std::string& error);
