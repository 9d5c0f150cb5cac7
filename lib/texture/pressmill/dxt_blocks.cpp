#include "lib/texture/pressmill/dxt_blocks.h"

#include <stb_dxt.h>

#include <algorithm>
#include <cstring>

size_t DxtDataSize(int width, int height, bool withAlpha) {
  const size_t blocksX = static_cast<size_t>(std::max(1, (width + 3) / 4));
  const size_t blocksY = static_cast<size_t>(std::max(1, (height + 3) / 4));
  return blocksX * blocksY * (withAlpha ? 16 : 8);
}

std::string CompressDxtLevel(const RgbaImage& level, bool withAlpha) {
  std::string data(DxtDataSize(level.width, level.height, withAlpha), '\0');
  const size_t blockBytes = withAlpha ? 16 : 8;
  auto* out = reinterpret_cast<unsigned char*>(data.data());
  unsigned char block[16 * 4];
  for (int by = 0; by < level.height; by += 4) {
    for (int bx = 0; bx < level.width; bx += 4) {
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
          std::memcpy(block + (y * 4 + x) * 4,
                      level.Texel(std::min(bx + x, level.width - 1), std::min(by + y, level.height - 1)), 4);
      stb_compress_dxt_block(out, block, withAlpha ? 1 : 0, STB_DXT_HIGHQUAL);
      out += blockBytes;
    }
  }
  return data;
}
