// Pixel data of every texture format: encoding and decoding round trips within each
// format's precision, hand-made data of the formats that are only decoded, and levels
// whose data is too short.
#include "lib/texture/pixel_codec.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Smooth colours with an alpha ramp (or opaque); `grey` makes red, green and blue equal.
RgbaImage Gradient(int width, int height, bool grey = false, bool opaque = false) {
  RgbaImage image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* t = image.Texel(x, y);
      t[0] = static_cast<uint8_t>(255 * x / std::max(1, width - 1));
      t[1] = grey ? t[0] : static_cast<uint8_t>(255 * y / std::max(1, height - 1));
      t[2] = grey ? t[0] : static_cast<uint8_t>(128 + 100 * std::sin((x + y) * 0.1));
      t[3] = opaque ? 255 : static_cast<uint8_t>(255 - 255 * (x + y) / std::max(1, width + height - 2));
    }
  return image;
}

struct Bound {
  int format;
  int colorMax;   // largest difference of red, green or blue
  int alphaMax;   // of alpha
  double colorMean;
};

TEST(PixelCodec, EveryWrittenFormatRoundTripsWithinItsPrecision) {
  const std::vector<Bound> bounds = {
      {PacARGB8888, 0, 0, 0},    {PacARGB4444, 8, 8, 4.5},  {PacARGB1555, 4, 127, 2.1},
      {PacAI88, 0, 0, 0},        {PacDXT1, 16, 0, 4.0},     {PacDXT5, 16, 4, 4.0},
  };
  for (const Bound& bound : bounds) {
    SCOPED_TRACE(PacFormatName(bound.format));
    ASSERT_TRUE(CanEncodePixels(bound.format));
    // 88 keeps one intensity: it is checked on a grey image; DXT1 on an opaque one.
    const RgbaImage image = Gradient(64, 32, bound.format == PacAI88, bound.format == PacDXT1);
    const std::string data = EncodePixels(image, bound.format);
    ASSERT_EQ(data.size(), PixelDataSize(bound.format, 64, 32));
    RgbaImage decoded;
    ASSERT_TRUE(DecodePixels(bound.format, reinterpret_cast<const uint8_t*>(data.data()), data.size(), 64, 32, {},
                             decoded));
    ASSERT_EQ(decoded.width, 64);
    ASSERT_EQ(decoded.pixels.size(), image.pixels.size());
    int colorMax = 0, alphaMax = 0;
    double colorSum = 0;
    for (size_t i = 0; i < image.pixels.size(); ++i) {
      const int diff = std::abs(image.pixels[i] - decoded.pixels[i]);
      if (i % 4 == 3) {
        alphaMax = std::max(alphaMax, diff);
      } else {
        colorMax = std::max(colorMax, diff);
        colorSum += diff;
      }
    }
    EXPECT_LE(colorMax, bound.colorMax);
    EXPECT_LE(alphaMax, bound.alphaMax);
    EXPECT_LE(colorSum / (image.pixels.size() * 3 / 4), bound.colorMean);
  }
}

TEST(PixelCodec, OneBitAlphaAndOpaqueDxt1) {
  RgbaImage image = Gradient(8, 8);
  // 1555 keeps alpha as opaque from 128 up.
  std::string data = EncodePixels(image, PacARGB1555);
  RgbaImage decoded;
  ASSERT_TRUE(DecodePixels(PacARGB1555, reinterpret_cast<const uint8_t*>(data.data()), data.size(), 8, 8, {}, decoded));
  for (size_t i = 3; i < image.pixels.size(); i += 4) EXPECT_EQ(decoded.pixels[i], image.pixels[i] >= 128 ? 255 : 0);
  // An opaque image stays opaque in DXT1.
  for (size_t i = 3; i < image.pixels.size(); i += 4) image.pixels[i] = 255;
  data = EncodePixels(image, PacDXT1);
  ASSERT_TRUE(DecodePixels(PacDXT1, reinterpret_cast<const uint8_t*>(data.data()), data.size(), 8, 8, {}, decoded));
  for (size_t i = 3; i < decoded.pixels.size(); i += 4) ASSERT_EQ(decoded.pixels[i], 255);
}

TEST(PixelCodec, LevelsSmallerThanABlock) {
  for (int format : {PacDXT1, PacDXT5}) {
    const RgbaImage image = Gradient(2, 1, false, true);
    const std::string data = EncodePixels(image, format);
    EXPECT_EQ(data.size(), format == PacDXT1 ? 8u : 16u);
    RgbaImage decoded;
    ASSERT_TRUE(DecodePixels(format, reinterpret_cast<const uint8_t*>(data.data()), data.size(), 2, 1, {}, decoded));
    ASSERT_EQ(decoded.pixels.size(), 8u);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(decoded.pixels[4 + c], image.pixels[4 + c], 8) << c;
  }
}

TEST(PixelCodec, DecodesPaletteAnd565ByHand) {
  // P8: blue in byte 0, red in byte 2; the magenta key is transparent; an index past the
  // palette is black.
  const std::vector<uint32_t> palette = {0x102030, 0xFF00FF};
  const uint8_t indices[4] = {0, 1, 7, 0};
  RgbaImage image;
  ASSERT_TRUE(DecodePixels(PacP8, indices, 4, 2, 2, palette, image));
  EXPECT_EQ(std::vector<uint8_t>(image.pixels.begin(), image.pixels.begin() + 12),
            (std::vector<uint8_t>{0x10, 0x20, 0x30, 255, 0xFF, 0, 0xFF, 0, 0, 0, 0, 255}));
  // o565: pure red, pure green, pure blue, white.
  const uint8_t words[8] = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF};
  ASSERT_TRUE(DecodePixels(PacRGB565, words, 8, 4, 1, {}, image));
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255}));
  // 8888 is stored blue, green, red, alpha.
  const uint8_t bgra[4] = {1, 2, 3, 4};
  ASSERT_TRUE(DecodePixels(PacARGB8888, bgra, 4, 1, 1, {}, image));
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{3, 2, 1, 4}));
}

TEST(PixelCodec, RefusesShortDataAndUnknownFormats) {
  const std::string data(200, '\x55');
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  RgbaImage image;
  for (int format = PacP8; format <= PacDXT5; ++format) {
    SCOPED_TRACE(PacFormatName(format));
    const uint64_t needed = PixelDataSize(format, 8, 4);
    ASSERT_GT(needed, 0u);
    ASSERT_LE(needed, data.size());
    EXPECT_TRUE(DecodePixels(format, bytes, needed, 8, 4, {}, image));
    EXPECT_FALSE(DecodePixels(format, bytes, needed - 1, 8, 4, {}, image));
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_FALSE(DecodePixels(format, bytes, data.size(), 0, 4, {}, image));
  }
  EXPECT_FALSE(DecodePixels(11, bytes, data.size(), 2, 2, {}, image));
  EXPECT_TRUE(EncodePixels(Gradient(4, 4), PacP8).empty());
}

}  // namespace
