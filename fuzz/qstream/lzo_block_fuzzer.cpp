// LZO1X block loading of arbitrary bytes: never out of bounds, and a block that loads
// leaves the stream where liblzo2 agrees the block ends.
#include <lzo/lzo1x.h>

#include <cstdlib>
#include <memory>

#include "el/qstream/lzo_block.h"
#include "fuzz/qstream/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < BlockFuzzHeader::kSize) return 0;
  BlockFuzzHeader header = BlockFuzzHeader::Read(data);
  data += BlockFuzzHeader::kSize;
  size -= BlockFuzzHeader::kSize;
  std::unique_ptr<uint8_t[]> decoded(new uint8_t[header.decodedSize ? header.decodedSize : 1]);
  FuzzChunkedStream in(data, size, header.chunkSize);
  bool loaded = LoadLzoBlock(in, decoded.get(), header.decodedSize);
  if (!loaded) return 0;
  // The block is exactly the bytes before the stream position: the library decodes them
  // to the same bytes and uses all of them.
  size_t blockSize = static_cast<size_t>(in.TellG());
  if (blockSize > size) std::abort();
  std::unique_ptr<uint8_t[]> check(new uint8_t[header.decodedSize ? header.decodedSize : 1]);
  lzo_uint checkSize = header.decodedSize;
  if (lzo1x_decompress_safe(data, blockSize, check.get(), &checkSize, nullptr) != LZO_E_OK ||
      checkSize != header.decodedSize || std::memcmp(check.get(), decoded.get(), checkSize) != 0)
    std::abort();
  return 0;
}
