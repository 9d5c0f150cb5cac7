#include "lib/texture/texture_decoder.h"

#include <vector>

#include "el/qstream/qi_stream.h"
#include "lib/texture/pac_format.h"
#include "lib/texture/pac_layout_scan.h"
#include "lib/texture/pixel_codec.h"

namespace {

std::string Size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// The palette entries; the layout scan has checked that they lie inside the file.
std::vector<uint32_t> ReadPalette(const std::string& bytes, const PacLayout& layout) {
  std::vector<uint32_t> palette;
  const size_t start = static_cast<size_t>(layout.paletteOffset) + 2;
  for (int i = 0; i < layout.paletteCount; ++i) {
    const auto* entry = reinterpret_cast<const uint8_t*>(bytes.data()) + start + static_cast<size_t>(i) * 3;
    palette.push_back(entry[0] | entry[1] << 8 | static_cast<uint32_t>(entry[2]) << 16);
  }
  return palette;
}

}  // namespace

bool DecodeTextureLevel(const std::string& bytes, bool isPaa, int level, DecodedTexture& texture, std::string& error) {
  texture = DecodedTexture{};
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  PacLayout layout;
  if (!ScanPacLayout(in, isPaa, layout)) {
    error = "broken texture header: " + layout.problem;
    return false;
  }
  texture.format = layout.format;
  for (const PacLevelInfo& info : layout.levels)
    texture.levels.push_back(TextureLevelInfo{info.width, info.height, info.dataSize});

  const int count = static_cast<int>(layout.levels.size());
  if (level < 0 || level >= count) {
    error = "the texture holds " + std::to_string(count) + " mipmap level" + (count == 1 ? "" : "s") +
            ", there is no level " + std::to_string(level);
    if (!layout.problem.empty()) error += " (" + layout.problem + ")";
    return false;
  }
  const PacLevelInfo& info = layout.levels[static_cast<size_t>(level)];
  const std::string name = "mipmap level " + std::to_string(level) + " (" + Size(info.width, info.height) + ")";
  if (info.truncated) {
    error = name + " runs past the end of the file";
    return false;
  }
  if (info.width == 0 || info.height == 0) {
    error = name + " is empty";
    return false;
  }
  if (info.widthFlag) {
    error = name + " is stored with the data flag set, which cannot be decoded";
    return false;
  }
  const uint64_t needed = PixelDataSize(layout.format, info.width, info.height);
  if (info.dataSize < needed) {
    error = name + " holds " + std::to_string(info.dataSize) + " bytes, its format " + PacFormatName(layout.format) +
            " needs " + std::to_string(needed);
    return false;
  }
  // The data follows the 7-byte header, or the 11-byte one of the extended size form.
  const size_t dataStart = static_cast<size_t>(info.offset) + (info.extendedSize ? 11 : 7);
  const std::vector<uint32_t> palette = ReadPalette(bytes, layout);
  if (!DecodePixels(layout.format, reinterpret_cast<const uint8_t*>(bytes.data()) + dataStart, info.dataSize,
                    info.width, info.height, palette, texture.image)) {
    error = name + " cannot be decoded";
    return false;
  }
  return true;
}
