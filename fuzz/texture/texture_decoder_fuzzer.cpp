// Arbitrary bytes through the level decoder behind kiln paa2png.
// Input: one selector byte (bit 0: the file is a ".paa", else ".pac"; bits 1-4: the level
// to decode), then the file's bytes.
#include <cstdlib>
#include <string>

#include "lib/texture/texture_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool isPaa = data[0] & 1;
  const int level = (data[0] >> 1) & 15;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  DecodedTexture texture;
  std::string error;
  if (DecodeTextureLevel(bytes, isPaa, level, texture, error)) {
    const RgbaImage& image = texture.image;
    if (static_cast<size_t>(level) >= texture.levels.size()) std::abort();
    if (image.width != texture.levels[level].width || image.height != texture.levels[level].height) std::abort();
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * 4) std::abort();
    // A level is never larger than a small multiple of the file: DXT1 takes half a byte a texel.
    if (image.pixels.size() > bytes.size() * 8 + 64) std::abort();
  } else if (error.empty()) {
    std::abort();
  }
  return 0;
}
