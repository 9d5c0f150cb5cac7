#pragma once
// The pixel data of one mipmap level in each format of ".paa"/".pac" textures: encoding
// from RGBA and decoding to RGBA, side by side. Block-compressed formats go through
// libsquish.
//
// Uncompressed texels are little-endian words, as the engine's surfaces hold them:
//   8888  32 bits: alpha 24-31, red 16-23, green 8-15, blue 0-7 (bytes B, G, R, A)
//   4444  16 bits: alpha 12-15, red 8-11, green 4-7, blue 0-3
//   1555  16 bits: alpha 15, red 10-14, green 5-9, blue 0-4
//   o565  16 bits: red 11-15, green 5-10, blue 0-4 (opaque)
//   88    16 bits: alpha 8-15, intensity 0-7 (grey with alpha)
//   P8    one palette index per texel; the transparent key colours decode transparent
// DXT1 stores 8 bytes and DXT2 to DXT5 16 bytes per 4x4 block; a level with a side below
// 4 still takes whole blocks. DXT2 decodes as DXT3 and DXT4 as DXT5 (the colours are
// left as stored).
#include <cstdint>
#include <span>
#include <string>

#include "lib/texture/pac_format.h"
#include "lib/texture/rgba_image.h"

// How hard the block compressor searches for end points: libsquish's range fit, cluster
// fit or iterative cluster fit.
enum class DxtQuality { Fast, Normal, Best };

// Bytes of a width x height level of `format`; 0 for a value that names no format.
uint64_t PixelDataSize(int format, int width, int height);

// True for the formats EncodePixels writes: DXT1, DXT5, 8888, 4444, 1555 and 88.
bool CanEncodePixels(int format);

// The data of `level` in `format` (one of CanEncodePixels); empty for any other format.
// The 88 format stores the luminance of red, green and blue.
std::string EncodePixels(const RgbaImage& level, int format, DxtQuality quality = DxtQuality::Normal);

// Decodes a width x height level of `format` from `data`. `palette` holds the colours of
// a P8 texture (byte 0 in bits 0-7, 1 in 8-15, 2 in 16-23; indices past it decode black).
// False when `size` is below PixelDataSize or the format is unknown; `image` is then left
// empty. Safe on untrusted data.
bool DecodePixels(int format, const uint8_t* data, uint64_t size, int width, int height,
                  std::span<const uint32_t> palette, RgbaImage& image);
