// Arbitrary bytes through the ".paa"/".pac" header reader.
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "fuzz/texture/texture_fuzz_input.h"
#include "lib/texture/texture_source_pac.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  SetNoLogs(true);
  const TextureFuzzSelector selector = TextureFuzzSelector::Read(data[0]);
  FuzzChunkedStream in(data + 1, size - 1, selector.chunkSize);
  PacMipmapRecord table[pac::kMipmapTableSize];
  TextureSourcePac source;
  if (source.ReadHeader(in, "fuzz", selector.isPaa, table, pac::kMipmapTableSize)) {
    const TextureHeader& header = source.Header();
    if (header.mipmapCount < 0 || header.mipmapCount > pac::kMipmapTableSize) std::abort();
    if (header.palette.size() > static_cast<size_t>(pac::kMaxPaletteSize)) std::abort();
    if (header.transparentIndex >= static_cast<int>(header.palette.size())) std::abort();
    for (int i = 0; i < header.mipmapCount; ++i)
      if (table[i].width > pac::kMaxMipmapSide || table[i].height > pac::kMaxMipmapSide) std::abort();
  }
  return 0;
}
