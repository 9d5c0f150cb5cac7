#pragma once
// Helpers of the texture tests: texture files made to order, reading a header from bytes.
#include <string>
#include <vector>

#include "el/qstream/qi_stream.h"
#include "lib/texture/testing/pac_file_builder.h"
#include "lib/texture/texture_source_pac.h"

namespace textest {

struct ReadResult {
  bool ok = false;
  TextureHeader header;  // with mipmaps = the first mipmapCount records of the table
  PacMipmapRecord table[pac::kMipmapTableSize];
};

// Reads `bytes` as the texture `name` (".paa" or ".pac" decides the default format).
inline ReadResult ReadHeaderOf(const std::string& bytes, const std::string& name = "data\\t.paa",
                               int tableSize = pac::kMipmapTableSize) {
  ReadResult result;
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  TextureSourcePac source;
  bool isPaa = name.size() >= 4 && (name.substr(name.size() - 4) == ".paa" || name.substr(name.size() - 4) == ".PAA");
  result.ok = source.ReadHeader(in, name, isPaa, result.table, tableSize);
  result.header = source.Header();
  if (result.ok) result.header.mipmaps.assign(result.table, result.table + result.header.mipmapCount);
  return result;
}

// A texture of `format` with `levels`, with or without the offsets block.
inline PacFileRecipe Recipe(int format, std::vector<PacLevelRecipe> levels, bool offsets = true) {
  PacFileRecipe recipe;
  recipe.format = format;
  recipe.levels = std::move(levels);
  recipe.offsets = offsets;
  return recipe;
}

// Little-endian helpers for bytes written by hand.
inline std::string U16(uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
inline std::string U24(uint32_t v) { return U16(v) + static_cast<char>((v >> 16) & 0xFF); }
inline std::string U32(uint32_t v) { return U16(v) + U16(v >> 16); }
inline std::string Tag(const std::string& name, int32_t length, const std::string& payload) {
  return "GGAT" + name + U32(static_cast<uint32_t>(length)) + payload;
}

}  // namespace textest
