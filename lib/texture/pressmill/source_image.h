#pragma once
// Source images of the texture conversion: ".tga" and ".png" files decoded to RGBA.
#include <cstdint>
#include <string>
#include <vector>

// 8-bit red, green, blue, alpha per texel, rows from the top.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  const uint8_t* Texel(int x, int y) const { return pixels.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

// Sides that a texture may have.
inline constexpr int kMinImageSide = 2;
inline constexpr int kMaxImageSide = 4096;

// True when the extension of `path` is ".tga" or ".png" (ignoring case).
bool IsSourceImagePath(const std::string& path);

// Decodes the image file at the host path `hostPath`. False with `error` set when the file
// cannot be read or decoded, or a side lies outside kMinImageSide..kMaxImageSide.
bool LoadSourceImage(const std::string& hostPath, RgbaImage& image, std::string& error);
