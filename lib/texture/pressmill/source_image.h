#pragma once
// Source images of the texture conversion: ".tga" and ".png" files decoded to RGBA.
#include <string>

#include "lib/texture/rgba_image.h"

// Sides that a source image may have: powers of two in this range.
inline constexpr int kMinImageSide = 1;
inline constexpr int kMaxImageSide = 8192;

// True when the extension of `path` is ".tga" or ".png" (ignoring case).
bool IsSourceImagePath(const std::string& path);

// Decodes the image file at the host path `hostPath`. False with `error` set when the file
// cannot be read or decoded, or a side is not a power of two from kMinImageSide to
// kMaxImageSide (checked before the pixels are decoded).
bool LoadSourceImage(const std::string& hostPath, RgbaImage& image, std::string& error);
