#include "lib/texture/pressmill/mipmap_chain.h"

#include <stb_image_resize.h>

std::vector<RgbaImage> BuildMipmapChain(const RgbaImage& top) {
  std::vector<RgbaImage> levels;
  levels.push_back(top);
  for (;;) {
    const RgbaImage& previous = levels.back();
    const int width = previous.width / 2, height = previous.height / 2;
    if (width < kMinMipmapChainSide || height < kMinMipmapChainSide) break;
    RgbaImage next;
    next.width = width;
    next.height = height;
    next.pixels.resize(static_cast<size_t>(width) * height * 4);
    if (!stbir_resize_uint8_srgb(previous.pixels.data(), previous.width, previous.height, 0, next.pixels.data(), width,
                                 height, 0, 4, 3, 0))
      break;
    levels.push_back(std::move(next));
  }
  return levels;
}
