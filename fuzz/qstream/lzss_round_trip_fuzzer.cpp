// LZSS encode then decode of arbitrary bytes gives the bytes back, and the decoder stops
// on the checksum's last byte.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "el/qstream/lzss.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QOStrStream out;
  LzssEncode(data, size, out);
  if (size == 0) {
    if (out.GetBufferSize() != 0) std::abort();
    return 0;
  }
  QIStrStream in(out.GetBuffer(), static_cast<QFileSize>(out.GetBufferSize()));
  std::unique_ptr<uint8_t[]> back(new uint8_t[size]);
  if (!LzssDecode(in, back.get(), static_cast<QFileSize>(size))) std::abort();
  if (std::memcmp(back.get(), data, size) != 0) std::abort();
  if (in.GetRest() != 0) std::abort();
  return 0;
}
