// Seeds of the texture fuzz targets: generated textures of every format and tag
// combination, and "texHeaders.bin" files holding their headers.
#include <cstdio>
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "fuzz/seeds/seed_registry.h"
#include "fuzz/texture/texture_fuzz_input.h"
#include "lib/texture/testing/pac_file_builder.h"
#include "lib/texture/texture_headers_file.h"
#include "lib/texture/texture_source_pac.h"

namespace {

// A seed that our own reader cannot read back is a defect of the generator or the reader.
void RequireValid(bool valid, const std::string& what) {
  if (valid) return;
  std::fprintf(stderr, "seed does not load back: %s\n", what.c_str());
  std::abort();
}

// The header of a generated texture as the mode stores it.
TextureHeader HeaderOf(const textest::PacVariant& variant) {
  const std::string bytes = textest::BuildPacFile(variant.recipe).bytes;
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  PacMipmapRecord table[pac::kMipmapTableSize];
  TextureSourcePac source;
  RequireValid(source.ReadHeader(in, variant.name, true, table, pac::kMipmapTableSize), variant.name);
  TextureHeader header = source.Header();
  header.mipmaps.assign(table, table + header.mipmapCount);
  header.name = "data\\" + variant.name + ".paa";
  header.fileSize = static_cast<uint32_t>(bytes.size());
  return header;
}

int WriteHeaderSeeds(const std::filesystem::path& folder) {
  SetNoLogs(true);
  int written = 0;
  int index = 0;
  for (const textest::PacVariant& variant : textest::AllPacVariants()) {
    // Every fourth variant with small stream buffers, each with both extensions.
    const int chunk = index++ % 4 == 0 ? 7 : 0;
    const std::string bytes = textest::BuildPacFile(variant.recipe).bytes;
    written += WriteSeed(folder, variant.name + "_paa", TextureFuzzSelector::Write(true, chunk) + bytes);
    if (variant.recipe.format % 3 == 0)
      written += WriteSeed(folder, variant.name + "_pac", TextureFuzzSelector::Write(false, chunk) + bytes);
  }
  // The extended size form, the width flag and a palette with a transparent entry.
  textest::PacFileRecipe recipe;
  recipe.format = PacP8;
  recipe.offsets = false;
  recipe.palette = {0x000000, 0xFF00FF, 0x00FFFF, 0x804020};
  recipe.levels = {{.width = 16, .height = 16, .widthFlag = true, .extendedSize = true}, {.width = 8, .height = 8}};
  written +=
      WriteSeed(folder, "palette_extended", TextureFuzzSelector::Write(false, 0) + textest::BuildPacFile(recipe).bytes);
  SetNoLogs(false);
  return written;
}

int WriteHeadersFileSeeds(const std::filesystem::path& folder) {
  SetNoLogs(true);
  AutoArray<TextureHeader> all;
  for (const textest::PacVariant& variant : textest::AllPacVariants()) all.push_back(HeaderOf(variant));
  int written = 0;
  for (size_t count : {size_t{0}, size_t{1}, size_t{5}, all.size()}) {
    AutoArray<TextureHeader> headers(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count));
    if (count == 5) headers.push_back(headers[0]);  // an identical duplicate
    if (count == 5) {
      headers.push_back(headers[1]);
      headers.back().fileSize += 1;  // a conflicting duplicate
    }
    QOStrStream out;
    SerializeBinStream save(&out);
    RequireValid(TransferTextureHeadersFile(save, headers), "texHeaders save");
    AutoArray<TextureHeader> back;
    QIStrStream in(out.GetBuffer(), static_cast<QFileSize>(out.GetBufferSize()));
    SerializeBinStream load(&in);
    RequireValid(TransferTextureHeadersFile(load, back) && back.size() == headers.size(), "texHeaders load");
    for (int chunk : {0, 9})
      written += WriteSeed(folder, "headers_" + std::to_string(count) + "_" + std::to_string(chunk),
                           TextureFuzzSelector::Write(true, chunk) + out.Str());
  }
  SetNoLogs(false);
  return written;
}

SeedRegistration headerSeeds("texture_header", WriteHeaderSeeds);
SeedRegistration headersFileSeeds("texture_headers_file", WriteHeadersFileSeeds);

}  // namespace
