#pragma once
// An image in memory: 8-bit red, green, blue and alpha per texel, rows from the top.
#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  uint8_t* Texel(int x, int y) { return pixels.data() + (static_cast<size_t>(y) * width + x) * 4; }
  const uint8_t* Texel(int x, int y) const { return pixels.data() + (static_cast<size_t>(y) * width + x) * 4; }
};
