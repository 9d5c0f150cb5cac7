#include "lib/texture/pressmill/mipmap_chain.h"

#include <stb_image_resize.h>

#include "lib/texture/pac_format.h"

int MinMipmapSide(int format) { return IsDxtFormat(format) ? kMinDxtMipmapSide : 1; }

std::vector<RgbaImage> BuildMipmapChain(const RgbaImage& top, bool linear) {
  std::vector<RgbaImage> levels;
  levels.push_back(top);
  for (;;) {
    const RgbaImage& previous = levels.back();
    const int width = previous.width / 2, height = previous.height / 2;
    if (width < 1 || height < 1) break;
    RgbaImage next;
    next.width = width;
    next.height = height;
    next.pixels.resize(static_cast<size_t>(width) * height * 4);
    const bool resized =
        linear ? stbir_resize_uint8(previous.pixels.data(), previous.width, previous.height, 0, next.pixels.data(),
                                    width, height, 0, 4) != 0
               : stbir_resize_uint8_srgb(previous.pixels.data(), previous.width, previous.height, 0,
                                         next.pixels.data(), width, height, 0, 4, 3, 0) != 0;
    if (!resized) break;
    levels.push_back(std::move(next));
  }
  return levels;
}
