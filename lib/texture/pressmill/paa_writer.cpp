#include "lib/texture/pressmill/paa_writer.h"

#include <algorithm>

#include "lib/texture/pac_format.h"
#include "lib/texture/pressmill/dxt_blocks.h"
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

bool EncodePaa(const RgbaImage& image, std::string& bytes, std::string& error) {
  const ImageTags tags = MeasureImage(image);
  const bool withAlpha = tags.hasAlpha;
  const size_t topSize = DxtDataSize(image.width, image.height, withAlpha);
  if (topSize > pac::kMaxMipmapDataSize) {
    error = "the first mipmap of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
            " texels takes " + std::to_string(topSize) + " bytes, more than a mipmap may hold";
    return false;
  }
  const std::vector<RgbaImage> levels = BuildMipmapChain(image);
  std::vector<std::string> blocks;
  for (const RgbaImage& level : levels) blocks.push_back(CompressDxtLevel(level, withAlpha));

  // Where each mipmap header will stand.
  uint32_t offsets[pac::kMaxMipmapOffsets] = {};
  size_t position = 2 + 3 * kTagBlockSize + kOffsetsBlockSize + 2;
  for (size_t i = 0; i < blocks.size() && i < static_cast<size_t>(pac::kMaxMipmapOffsets); ++i) {
    offsets[i] = static_cast<uint32_t>(position);
    position += kMipmapHeaderSize + blocks[i].size();
  }

  bytes.clear();
  bytes.reserve(position + 4);
  PutU16(bytes, PacFormatWord(withAlpha ? PacDXT5 : PacDXT1));
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
