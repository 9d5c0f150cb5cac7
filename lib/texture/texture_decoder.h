#pragma once
// Decoding a mipmap level of a ".paa"/".pac" texture into an image, for looking at
// textures (kiln paa2png) and for checking what pressmill wrote.
//
// Safe on untrusted bytes: the file's structure is walked with bounds checks, a level is
// decoded only when its data lies wholly inside the file and holds at least what its
// format and size need, so no allocation exceeds a small multiple of the file's size.
#include <cstdint>
#include <string>
#include <vector>

#include "lib/texture/rgba_image.h"

// What a texture file holds, as far as decoding needs it.
struct TextureLevelInfo {
  int width = 0;
  int height = 0;
  uint32_t dataSize = 0;
};

struct DecodedTexture {
  int format = 0;  // PacFormat: from the format word, else by the extension
  std::vector<TextureLevelInfo> levels;
  RgbaImage image;  // the decoded level
};

// Decodes level `level` (0 the largest) of the texture whose bytes are `bytes`; `isPaa`
// says whether the file's extension is ".paa" (it decides the format of a file without a
// format word). False with `error` set (what is wrong, with the level's number) when the
// structure is broken before the level, the level does not exist, is empty, is stored
// with the data flag (bit 15 of the width) or its data is cut short.
bool DecodeTextureLevel(const std::string& bytes, bool isPaa, int level, DecodedTexture& texture, std::string& error);
