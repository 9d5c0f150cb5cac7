// LZSS block decoding of arbitrary bytes: decode and skip must agree and stay in bounds.
#include <cstdlib>
#include <memory>

#include "el/appframe/app_frame.h"
#include "el/qstream/lzss.h"
#include "fuzz/qstream/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < BlockFuzzHeader::kSize) return 0;
  SetNoLogs(true);
  BlockFuzzHeader header = BlockFuzzHeader::Read(data);
  data += BlockFuzzHeader::kSize;
  size -= BlockFuzzHeader::kSize;
  // The decoded bytes end their allocation so that a sanitizer sees any overrun.
  std::unique_ptr<uint8_t[]> decoded(new uint8_t[header.decodedSize ? header.decodedSize : 1]);
  FuzzChunkedStream in(data, size, header.chunkSize);
  bool decodedOk = LzssDecode(in, decoded.get(), static_cast<QFileSize>(header.decodedSize));
  QFileSize decodedEnd = in.TellG();
  FuzzChunkedStream again(data, size, header.chunkSize);
  bool skippedOk = LzssSkip(again, static_cast<QFileSize>(header.decodedSize));
  if (decodedOk != skippedOk || (decodedOk && decodedEnd != again.TellG())) std::abort();
  return 0;
}
