#include "lib/texture/testing/pac_file_builder.h"

#include <algorithm>

#include "lib/texture/pac_format.h"

namespace textest {
namespace {

void PutU16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void PutU32(std::string& out, uint32_t value) {
  PutU16(out, value);
  PutU16(out, value >> 16);
}

void PutTag(std::string& out, const std::string& name, int32_t length, const std::string& payload) {
  out += "GGAT";
  out += name.substr(0, 4);
  PutU32(out, static_cast<uint32_t>(length));
  out += payload;
}

std::string U32Bytes(uint32_t value) {
  std::string bytes;
  PutU32(bytes, value);
  return bytes;
}

size_t LevelHeaderSize(const PacLevelRecipe& level) { return level.extendedSize ? 11 : 7; }

}  // namespace

uint32_t LevelDataSize(int format, int width, int height) {
  const uint32_t texels = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
  const uint32_t blocks = static_cast<uint32_t>(std::max(1, (width + 3) / 4) * std::max(1, (height + 3) / 4));
  switch (format) {
    case PacP8:
      return texels;
    case PacARGB8888:
      return texels * 4;
    case PacDXT1:
      return blocks * 8;
    case PacDXT2:
    case PacDXT3:
    case PacDXT4:
    case PacDXT5:
      return blocks * 16;
    default:
      return texels * 2;
  }
}

std::vector<PacLevelRecipe> HalvingLevels(int width, int height, int minSide, int maxLevels) {
  std::vector<PacLevelRecipe> levels;
  while (width >= minSide && height >= minSide && static_cast<int>(levels.size()) < maxLevels) {
    PacLevelRecipe level;
    level.width = width;
    level.height = height;
    levels.push_back(level);
    width /= 2;
    height /= 2;
  }
  return levels;
}

BuiltPacFile BuildPacFile(const PacFileRecipe& recipe) {
  BuiltPacFile file;
  std::string& out = file.bytes;
  const uint16_t word = PacFormatWord(recipe.format);
  if (recipe.formatWord && word != 0) PutU16(out, word);
  if (recipe.averageColor) PutTag(out, "CGVA", 4, U32Bytes(*recipe.averageColor));
  if (recipe.maxColor) PutTag(out, "CXAM", 4, U32Bytes(*recipe.maxColor));
  if (recipe.flags) PutTag(out, "GALF", 4, U32Bytes(*recipe.flags));
  for (const PacTagRecipe& tag : recipe.extraTags)
    PutTag(out, tag.name, tag.length.value_or(static_cast<int32_t>(tag.payload.size())), tag.payload);

  // The offsets block comes last: the levels start right after it and the palette.
  const size_t offsetsBlock = recipe.offsets ? 12 + pac::kMaxMipmapOffsets * 4 : 0;
  size_t position = out.size() + offsetsBlock + 2 + recipe.palette.size() * 3;
  for (const PacLevelRecipe& level : recipe.levels) {
    file.levelOffsets.push_back(static_cast<uint32_t>(position));
    position +=
        LevelHeaderSize(level) + level.dataSize.value_or(LevelDataSize(recipe.format, level.width, level.height));
  }
  if (recipe.offsets) {
    std::string payload;
    for (int i = 0; i < pac::kMaxMipmapOffsets; ++i)
      PutU32(payload, i < static_cast<int>(file.levelOffsets.size()) ? file.levelOffsets[i] : 0);
    PutTag(out, "SFFO", static_cast<int32_t>(payload.size()), payload);
  }

  PutU16(out, static_cast<uint32_t>(recipe.palette.size()));
  for (uint32_t color : recipe.palette) {
    out += static_cast<char>(color & 0xFF);
    out += static_cast<char>((color >> 8) & 0xFF);
    out += static_cast<char>((color >> 16) & 0xFF);
  }
  for (size_t i = 0; i < recipe.levels.size(); ++i) {
    const PacLevelRecipe& level = recipe.levels[i];
    if (level.extendedSize) {
      PutU16(out, pac::kExtendedSizeWidth);
      PutU16(out, pac::kExtendedSizeHeight);
    }
    PutU16(out, static_cast<uint32_t>(level.width) | (level.widthFlag ? pac::kWidthFlagBit : 0u));
    PutU16(out, static_cast<uint32_t>(level.height));
    const uint32_t size = level.dataSize.value_or(LevelDataSize(recipe.format, level.width, level.height));
    out += static_cast<char>(size & 0xFF);
    out += static_cast<char>((size >> 8) & 0xFF);
    out += static_cast<char>((size >> 16) & 0xFF);
    for (uint32_t b = 0; b < size; ++b) out += static_cast<char>((b * 7 + i * 13) & 0xFF);
  }
  if (recipe.endMarker) {
    PutU16(out, 0);
    PutU16(out, 0);
  }
  return file;
}

std::vector<PacVariant> AllPacVariants() {
  std::vector<PacVariant> variants;
  for (int format = PacP8; format <= PacDXT5; ++format) {
    for (int tags = 0; tags < 16; ++tags) {
      PacVariant variant;
      PacFileRecipe& recipe = variant.recipe;
      variant.name = PacFormatName(format);
      recipe.format = format;
      if (tags & 1) {
        recipe.averageColor = 0x40806020u + static_cast<uint32_t>(format);
        variant.name += "_avg";
      }
      if (tags & 2) {
        recipe.maxColor = 0xFFE0D0C0u - static_cast<uint32_t>(format);
        variant.name += "_max";
      }
      if (tags & 4) {
        recipe.flags = static_cast<uint32_t>(format % 4);
        variant.name += "_flags";
      }
      recipe.offsets = (tags & 8) != 0;
      if (recipe.offsets) variant.name += "_offsets";
      if (format == PacP8) recipe.palette = {0x000000, 0x336699, 0xFFFFFF, 0x808080};
      // Block-compressed levels stop at 8 so that the chain ends without the small-level stop.
      recipe.levels = HalvingLevels(64, 32, IsDxtFormat(format) ? 8 : 2, 5);
      variants.push_back(std::move(variant));
    }
  }
  return variants;
}

}  // namespace textest
