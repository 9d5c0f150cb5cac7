#include "lib/texture/testing/dxt_decoder.h"

#include <algorithm>

namespace textest {
namespace {

void Expand565(uint16_t c, int rgb[3]) {
  int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  rgb[0] = (r << 3) | (r >> 2);
  rgb[1] = (g << 2) | (g >> 4);
  rgb[2] = (b << 3) | (b >> 2);
}

// The four colours of a colour block; `fourColors` forces the opaque mode (DXT5).
void BlockColors(const uint8_t* block, bool fourColors, uint8_t colors[4][4]) {
  const uint16_t c0 = static_cast<uint16_t>(block[0] | block[1] << 8);
  const uint16_t c1 = static_cast<uint16_t>(block[2] | block[3] << 8);
  int a[3], b[3];
  Expand565(c0, a);
  Expand565(c1, b);
  for (int k = 0; k < 3; ++k) {
    colors[0][k] = static_cast<uint8_t>(a[k]);
    colors[1][k] = static_cast<uint8_t>(b[k]);
    if (fourColors || c0 > c1) {
      colors[2][k] = static_cast<uint8_t>((2 * a[k] + b[k]) / 3);
      colors[3][k] = static_cast<uint8_t>((a[k] + 2 * b[k]) / 3);
    } else {
      colors[2][k] = static_cast<uint8_t>((a[k] + b[k]) / 2);
      colors[3][k] = 0;
    }
  }
  colors[0][3] = colors[1][3] = colors[2][3] = 255;
  colors[3][3] = (fourColors || c0 > c1) ? 255 : 0;
}

void AlphaValues(const uint8_t* block, uint8_t alphas[8]) {
  const int a0 = block[0], a1 = block[1];
  alphas[0] = static_cast<uint8_t>(a0);
  alphas[1] = static_cast<uint8_t>(a1);
  if (a0 > a1) {
    for (int i = 1; i < 7; ++i) alphas[i + 1] = static_cast<uint8_t>(((7 - i) * a0 + i * a1) / 7);
  } else {
    for (int i = 1; i < 5; ++i) alphas[i + 1] = static_cast<uint8_t>(((5 - i) * a0 + i * a1) / 5);
    alphas[6] = 0;
    alphas[7] = 255;
  }
}

}  // namespace

std::vector<uint8_t> DecodeDxt(const uint8_t* data, size_t size, int width, int height, bool alpha) {
  const int blocksX = std::max(1, (width + 3) / 4), blocksY = std::max(1, (height + 3) / 4);
  const size_t blockBytes = alpha ? 16 : 8;
  if (size < static_cast<size_t>(blocksX) * blocksY * blockBytes) return {};
  std::vector<uint8_t> texels(static_cast<size_t>(width) * height * 4);
  for (int by = 0; by < blocksY; ++by) {
    for (int bx = 0; bx < blocksX; ++bx) {
      const uint8_t* block = data + (static_cast<size_t>(by) * blocksX + bx) * blockBytes;
      uint8_t alphas[8] = {};
      uint64_t alphaBits = 0;
      if (alpha) {
        AlphaValues(block, alphas);
        for (int i = 7; i >= 2; --i) alphaBits = alphaBits << 8 | block[i];
        block += 8;
      }
      uint8_t colors[4][4];
      BlockColors(block, alpha, colors);
      const uint32_t indices =
          static_cast<uint32_t>(block[4] | block[5] << 8 | block[6] << 16) | static_cast<uint32_t>(block[7]) << 24;
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
          const int px = bx * 4 + x, py = by * 4 + y;
          if (px >= width || py >= height) continue;
          const int i = y * 4 + x;
          uint8_t* texel = texels.data() + (static_cast<size_t>(py) * width + px) * 4;
          const uint8_t* color = colors[(indices >> (2 * i)) & 3];
          texel[0] = color[0];
          texel[1] = color[1];
          texel[2] = color[2];
          texel[3] = alpha ? alphas[(alphaBits >> (3 * i)) & 7] : color[3];
        }
      }
    }
  }
  return texels;
}

}  // namespace textest
