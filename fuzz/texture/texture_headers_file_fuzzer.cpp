// Arbitrary bytes loaded as "texHeaders.bin", then added to a manager with its
// duplicate rule.
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "el/qstream/serialize_bin_stream.h"
#include "fuzz/texture/texture_fuzz_input.h"
#include "lib/texture/texture_header_manager.h"
#include "lib/texture/texture_headers_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  SetNoLogs(true);
  const TextureFuzzSelector selector = TextureFuzzSelector::Read(data[0]);
  FuzzChunkedStream in(data + 1, size - 1, selector.chunkSize);
  SerializeBinStream f(&in);
  AutoArray<TextureHeader> headers;
  TransferTextureHeadersFile(f, headers);
  const int error = f.GetError();
  if (error != 0 && error != 1 && error != 3 && error != 4) std::abort();
  if (error != 0) return 0;
  for (const TextureHeader& header : headers) {
    if (header.mipmaps.size() > static_cast<size_t>(pac::kMipmapTableSize)) std::abort();
    if (header.mipmaps.size() != static_cast<size_t>(header.mipmapCount)) std::abort();
    if (header.palette.size() > static_cast<size_t>(pac::kMaxPaletteSize)) std::abort();
  }
  const size_t loaded = headers.size();
  TextureHeaderManager manager;
  manager.AddLoaded(std::move(headers));
  if (manager.Count() > loaded) std::abort();
  size_t visited = 0;
  manager.ForEach([&visited](const TextureHeader&) { ++visited; });
  if (visited != manager.Count()) std::abort();
  return 0;
}
