#include "lib/texture/pressmill/paa_writer.h"

#include <algorithm>

#include "lib/texture/pac_format.h"
#include "lib/texture/pixel_codec.h"
#include "lib/texture/pressmill/mipmap_chain.h"

namespace {

void PutU16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void PutU24(std::string& out, uint32_t value) {
  PutU16(out, value);
  out += static_cast<char>((value >> 16) & 0xFF);
}

void PutU32(std::string& out, uint32_t value) {
  PutU16(out, value);
  PutU16(out, value >> 16);
}

void PutTag(std::string& out, const char (&name)[5], uint32_t value) {
  out.append(pac::kTagMarker, 4);
  out.append(name, 4);
  PutU32(out, 4);
  PutU32(out, value);
}

uint32_t Pack(uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue) {
  return alpha << 24 | red << 16 | green << 8 | blue;
}

// Bytes of the tagged blocks and the palette: three 4-byte blocks, the offsets block and
// the palette count.
constexpr size_t kTagBlockSize = 16;
constexpr size_t kOffsetsBlockSize = 12 + pac::kMaxMipmapOffsets * 4;
constexpr size_t kMipmapHeaderSize = 7;

}  // namespace

ImageTags MeasureImage(const RgbaImage& image) {
  uint64_t sum[4] = {0, 0, 0, 0};
  uint32_t max[4] = {0, 0, 0, 0};
  ImageTags tags;
  const size_t texels = static_cast<size_t>(image.width) * image.height;
  for (size_t i = 0; i < texels; ++i) {
    const uint8_t* texel = image.pixels.data() + i * 4;
    for (int c = 0; c < 4; ++c) {
      sum[c] += texel[c];
      max[c] = std::max<uint32_t>(max[c], texel[c]);
    }
    if (texel[3] != 255) tags.hasAlpha = true;
    if (texel[3] == 0) tags.hasTransparent = true;
  }
  uint32_t mean[4];
  for (int c = 0; c < 4; ++c) mean[c] = texels ? static_cast<uint32_t>((sum[c] + texels / 2) / texels) : 0;
  tags.averageColor = Pack(mean[3], mean[0], mean[1], mean[2]);
  tags.maxColor = Pack(max[3], max[0], max[1], max[2]);
  return tags;
}

namespace {

// The image with each side of 1 doubled by repeating its texels.
RgbaImage WidenThinImage(RgbaImage image) {
  if (image.width > 1 && image.height > 1) return image;
  RgbaImage wide;
  wide.width = std::max(image.width, 2);
  wide.height = std::max(image.height, 2);
  wide.pixels.resize(static_cast<size_t>(wide.width) * wide.height * 4);
  for (int y = 0; y < wide.height; ++y)
    for (int x = 0; x < wide.width; ++x)
      std::copy_n(image.Texel(x % image.width, y % image.height), 4, wide.Texel(x, y));
  return wide;
}

bool LevelFits(const RgbaImage& level, int format) {
  return level.width <= pac::kMaxMipmapSide && level.height <= pac::kMaxMipmapSide &&
         PixelDataSize(format, level.width, level.height) <= pac::kMaxMipmapDataSize;
}

std::string Size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

bool EncodePaa(RgbaImage image, const TextureRule& rule, std::string& bytes, std::string& note, std::string& error) {
  note.clear();
  const ImageTags tags = MeasureImage(image);
  const int format = ResolveTextureFormat(rule, tags.hasAlpha);
  if (!CanEncodePixels(format)) {
    error = std::string("cannot write textures of format ") + PacFormatName(format);
    return false;
  }
  const int sourceWidth = image.width, sourceHeight = image.height;
  std::vector<RgbaImage> levels = BuildMipmapChain(WidenThinImage(std::move(image)), rule.linear);
  // The first level the engine reads, and the levels after it down to the format's
  // smallest side.
  size_t first = 0;
  while (first + 1 < levels.size() && !LevelFits(levels[first], format)) ++first;
  if (!LevelFits(levels[first], format)) {
    error = "no level of the " + Size(sourceWidth, sourceHeight) + " image fits a texture";
    return false;
  }
  const int minSide = MinMipmapSide(format);
  size_t end = first + 1;
  while (end < levels.size() && levels[end].width >= minSide && levels[end].height >= minSide) ++end;
  levels.erase(levels.begin() + static_cast<std::ptrdiff_t>(end), levels.end());
  if (first > 0) {
    levels.erase(levels.begin(), levels.begin() + static_cast<std::ptrdiff_t>(first));
    note = "the " + Size(sourceWidth, sourceHeight) + " image is stored from its " +
           Size(levels[0].width, levels[0].height) + " level, the largest " + PacFormatName(format) +
           " level a texture holds";
  }
  std::vector<std::string> blocks;
  for (const RgbaImage& level : levels) blocks.push_back(EncodePixels(level, format, rule.quality));

  // Where each mipmap header will stand.
  uint32_t offsets[pac::kMaxMipmapOffsets] = {};
  const bool hasWord = PacFormatWord(format) != 0;
  size_t position = (hasWord ? 2 : 0) + 3 * kTagBlockSize + kOffsetsBlockSize + 2;
  for (size_t i = 0; i < blocks.size() && i < static_cast<size_t>(pac::kMaxMipmapOffsets); ++i) {
    offsets[i] = static_cast<uint32_t>(position);
    position += kMipmapHeaderSize + blocks[i].size();
  }

  bytes.clear();
  bytes.reserve(position + 4);
  if (hasWord) PutU16(bytes, PacFormatWord(format));
  PutTag(bytes, pac::kTagAverageColor, tags.averageColor);
  PutTag(bytes, pac::kTagMaxColor, tags.maxColor);
  PutTag(bytes, pac::kTagFlags,
         (tags.hasAlpha ? pac::kFlagAlpha : 0) | (tags.hasTransparent ? pac::kFlagTransparent : 0));
  bytes.append(pac::kTagMarker, 4);
  bytes.append(pac::kTagOffsets, 4);
  PutU32(bytes, pac::kMaxMipmapOffsets * 4);
  for (uint32_t offset : offsets) PutU32(bytes, offset);
  PutU16(bytes, 0);  // no palette
  for (size_t i = 0; i < levels.size(); ++i) {
    PutU16(bytes, static_cast<uint32_t>(levels[i].width));
    PutU16(bytes, static_cast<uint32_t>(levels[i].height));
    PutU24(bytes, static_cast<uint32_t>(blocks[i].size()));
    bytes += blocks[i];
  }
  PutU16(bytes, 0);
  PutU16(bytes, 0);
  return true;
}
