#pragma once
// Pixel formats of ".paa"/".pac" textures and the constants of their file layout.
//
// Both containers share one layout: an optional 16-bit format word, tagged blocks
// ("GGAT" + name + int32 length + payload), a palette (uint16 count, 3 bytes each), then
// the mipmaps from the largest (uint16 width, uint16 height, 24-bit data size, data),
// ended by a mipmap header of width 0 and height 0.
#include <cstdint>

enum PacFormat : int {
  PacP8 = 0,
  PacAI88 = 1,
  PacRGB565 = 2,
  PacARGB1555 = 3,
  PacARGB4444 = 4,
  PacARGB8888 = 5,
  PacDXT1 = 6,
  PacDXT2 = 7,
  PacDXT3 = 8,
  PacDXT4 = 9,
  PacDXT5 = 10,
};

// The four-character name of a format ("P8", "88", "o565", ..., "DXT5"); "xxxx" for any
// other value.
const char* PacFormatName(int format);

// True for the block-compressed formats DXT1 to DXT5.
constexpr bool IsDxtFormat(int format) { return format >= PacDXT1 && format <= PacDXT5; }

// The format a stored format word names; false when the word names none.
bool PacFormatFromWord(uint16_t word, int& format);
// The format word stored for `format`; 0 for the formats that have none (P8, o565).
// 8888 is marked by 0x8888: without a word a ".paa" would read as 4444, and pressmill
// writes 8888 textures.
uint16_t PacFormatWord(int format);
// True when the format word marks the texture as having alpha (0x8080 and 0x4444).
constexpr bool PacFormatWordHasAlpha(uint16_t word) { return word == 0x8080 || word == 0x4444; }

namespace pac {

// Four-character codes as stored, in reading order.
inline constexpr char kTagMarker[5] = "GGAT";
inline constexpr char kTagAverageColor[5] = "CGVA";
inline constexpr char kTagMaxColor[5] = "CXAM";
inline constexpr char kTagFlags[5] = "GALF";
inline constexpr char kTagOffsets[5] = "SFFO";

// Bits of the "GALF" payload.
inline constexpr uint32_t kFlagAlpha = 1;
inline constexpr uint32_t kFlagTransparent = 2;

// Offsets kept from an "SFFO" block.
inline constexpr int kMaxMipmapOffsets = 16;
// Levels that the texture-headers file records per texture.
inline constexpr int kMipmapTableSize = 12;
// The largest palette.
inline constexpr int kMaxPaletteSize = 256;

// A width/height pair of 1234/8765 announces a second pair that replaces it.
inline constexpr uint16_t kExtendedSizeWidth = 1234;
inline constexpr uint16_t kExtendedSizeHeight = 8765;
// Bit 15 of a stored width is a flag of the mipmap's data, not part of the width.
inline constexpr uint16_t kWidthFlagBit = 0x8000;
// Mipmap sides the reader accepts.
inline constexpr int kMinMipmapSide = 2;
inline constexpr int kMaxMipmapSide = 4096;
// The largest mipmap data size (24 bits).
inline constexpr uint32_t kMaxMipmapDataSize = 0xFFFFFF;

// Colours without their tags; packed as alpha 24-31, red 16-23, green 8-15, blue 0-7.
inline constexpr uint32_t kDefaultAverageColorWithAlpha = 0x80C02020;  // formats 88, 4444, 8888
inline constexpr uint32_t kDefaultAverageColor = 0xFF802020;
inline constexpr uint32_t kDefaultMaxColor = 0xFFFFFFFF;

// Palette colours that mark the transparent palette entry.
inline constexpr uint32_t kTransparentKeyMagenta = 0xFF00FF;
inline constexpr uint32_t kTransparentKeyCyan = 0x00FFFF;

// The average colour a texture of `format` has without a "CGVA" block.
constexpr uint32_t DefaultAverageColor(int format) {
  return format == PacAI88 || format == PacARGB4444 || format == PacARGB8888 ? kDefaultAverageColorWithAlpha
                                                                             : kDefaultAverageColor;
}

}  // namespace pac
