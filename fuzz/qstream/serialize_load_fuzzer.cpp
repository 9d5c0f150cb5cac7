// Loads of arbitrary bytes through SerializeBinStream: strings, compressed and compact
// arrays with both methods, skipped blocks and offsets.
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "fuzz/qstream/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  SetNoLogs(true);
  bool lzo = data[0] & 1;
  QFileSize chunkSize = (data[0] >> 1) ? (data[0] >> 1) : 1 << 30;
  FuzzChunkedStream in(data + 1, size - 1, chunkSize);
  SerializeBinStream f(&in);
  f.SetLzoCompression(lzo);
  FuzzRecord record;
  record.Transfer(f);
  int error = f.GetError();
  if (error != 0 && error != 1 && error != 3 && error != 4) std::abort();
  if (error == 0 && record.heights.size() > size * 256) std::abort();
  return 0;
}
