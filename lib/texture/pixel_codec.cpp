#include "lib/texture/pixel_codec.h"

#include <squish.h>

#include <algorithm>

namespace {

uint64_t BlockCount(int width, int height) {
  return static_cast<uint64_t>((std::max(width, 0) + 3) / 4) * static_cast<uint64_t>((std::max(height, 0) + 3) / 4);
}

// libsquish's flags for the blocks of a DXT format.
int SquishFlags(int format) {
  if (format == PacDXT1) return squish::kDxt1;
  return format == PacDXT2 || format == PacDXT3 ? squish::kDxt3 : squish::kDxt5;
}

int SquishQuality(DxtQuality quality) {
  switch (quality) {
    case DxtQuality::Fast:
      return squish::kColourRangeFit;
    case DxtQuality::Best:
      return squish::kColourIterativeClusterFit;
    default:
      return squish::kColourClusterFit;
  }
}

// From 8 bits to `bits` bits and back, rounding to the nearest value.
uint32_t Narrow(uint32_t value, int bits) {
  const uint32_t top = (1u << bits) - 1;
  return (value * top + 127) / 255;
}
uint8_t Widen(uint32_t value, int bits) {
  const uint32_t top = (1u << bits) - 1;
  return static_cast<uint8_t>((value * 255 + top / 2) / top);
}

uint8_t Luminance(const uint8_t* texel) { return static_cast<uint8_t>((texel[0] * 77 + texel[1] * 150 + texel[2] * 29 + 128) >> 8); }

// One 16-bit texel of an uncompressed format, packed or unpacked.
uint32_t PackWord(int format, const uint8_t* t) {
  switch (format) {
    case PacARGB4444:
      return Narrow(t[3], 4) << 12 | Narrow(t[0], 4) << 8 | Narrow(t[1], 4) << 4 | Narrow(t[2], 4);
    case PacARGB1555:
      return (t[3] >= 128 ? 1u : 0u) << 15 | Narrow(t[0], 5) << 10 | Narrow(t[1], 5) << 5 | Narrow(t[2], 5);
    case PacRGB565:
      return Narrow(t[0], 5) << 11 | Narrow(t[1], 6) << 5 | Narrow(t[2], 5);
    default:  // PacAI88
      return static_cast<uint32_t>(t[3]) << 8 | Luminance(t);
  }
}

void UnpackWord(int format, uint32_t w, uint8_t* t) {
  switch (format) {
    case PacARGB4444:
      t[0] = Widen(w >> 8 & 15, 4), t[1] = Widen(w >> 4 & 15, 4), t[2] = Widen(w & 15, 4), t[3] = Widen(w >> 12, 4);
      break;
    case PacARGB1555:
      t[0] = Widen(w >> 10 & 31, 5), t[1] = Widen(w >> 5 & 31, 5), t[2] = Widen(w & 31, 5);
      t[3] = w >> 15 ? 255 : 0;
      break;
    case PacRGB565:
      t[0] = Widen(w >> 11, 5), t[1] = Widen(w >> 5 & 63, 6), t[2] = Widen(w & 31, 5), t[3] = 255;
      break;
    default:  // PacAI88
      t[0] = t[1] = t[2] = static_cast<uint8_t>(w & 0xFF);
      t[3] = static_cast<uint8_t>(w >> 8);
      break;
  }
}

void DecodePalette(const uint8_t* data, size_t texels, std::span<const uint32_t> palette, uint8_t* out) {
  for (size_t i = 0; i < texels; ++i, out += 4) {
    const uint32_t color = data[i] < palette.size() ? palette[data[i]] : 0;
    out[0] = static_cast<uint8_t>(color >> 16);
    out[1] = static_cast<uint8_t>(color >> 8);
    out[2] = static_cast<uint8_t>(color);
    const bool key = color == pac::kTransparentKeyMagenta || color == pac::kTransparentKeyCyan;
    out[3] = key ? 0 : 255;
  }
}

}  // namespace

uint64_t PixelDataSize(int format, int width, int height) {
  const uint64_t texels = static_cast<uint64_t>(std::max(width, 0)) * static_cast<uint64_t>(std::max(height, 0));
  switch (format) {
    case PacP8:
      return texels;
    case PacAI88:
    case PacRGB565:
    case PacARGB1555:
    case PacARGB4444:
      return texels * 2;
    case PacARGB8888:
      return texels * 4;
    case PacDXT1:
      return BlockCount(width, height) * 8;
    case PacDXT2:
    case PacDXT3:
    case PacDXT4:
    case PacDXT5:
      return BlockCount(width, height) * 16;
    default:
      return 0;
  }
}

bool CanEncodePixels(int format) {
  return format == PacDXT1 || format == PacDXT5 || format == PacARGB8888 || format == PacARGB4444 ||
         format == PacARGB1555 || format == PacAI88;
}

std::string EncodePixels(const RgbaImage& level, int format, DxtQuality quality) {
  if (!CanEncodePixels(format)) return {};
  std::string data(PixelDataSize(format, level.width, level.height), '\0');
  auto* out = reinterpret_cast<uint8_t*>(data.data());
  if (IsDxtFormat(format)) {
    squish::CompressImage(level.pixels.data(), level.width, level.height, out,
                          SquishFlags(format) | SquishQuality(quality));
    return data;
  }
  const size_t texels = static_cast<size_t>(level.width) * level.height;
  const uint8_t* in = level.pixels.data();
  for (size_t i = 0; i < texels; ++i, in += 4) {
    if (format == PacARGB8888) {
      *out++ = in[2], *out++ = in[1], *out++ = in[0], *out++ = in[3];
    } else {
      const uint32_t word = PackWord(format, in);
      *out++ = static_cast<uint8_t>(word), *out++ = static_cast<uint8_t>(word >> 8);
    }
  }
  return data;
}

bool DecodePixels(int format, const uint8_t* data, uint64_t size, int width, int height,
                  std::span<const uint32_t> palette, RgbaImage& image) {
  image = RgbaImage{};
  const uint64_t needed = PixelDataSize(format, width, height);
  if (needed == 0 || size < needed) return false;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<size_t>(width) * height * 4);
  uint8_t* out = image.pixels.data();
  const size_t texels = static_cast<size_t>(width) * height;
  if (IsDxtFormat(format)) {
    squish::DecompressImage(out, width, height, data, SquishFlags(format));
  } else if (format == PacP8) {
    DecodePalette(data, texels, palette, out);
  } else if (format == PacARGB8888) {
    for (size_t i = 0; i < texels; ++i, data += 4, out += 4)
      out[0] = data[2], out[1] = data[1], out[2] = data[0], out[3] = data[3];
  } else {
    for (size_t i = 0; i < texels; ++i, data += 2, out += 4) UnpackWord(format, data[0] | data[1] << 8, out);
  }
  return true;
}
