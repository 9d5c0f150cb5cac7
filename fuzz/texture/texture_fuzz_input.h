#pragma once
// Input layout of the texture fuzz targets: one selector byte, then the file's bytes.
// Selector bit 0: the file is a ".paa" (else ".pac"); the other bits: the buffer size of
// the input stream (0 = one buffer), so that reads also cross buffer boundaries.
#include <cstdint>
#include <string>

#include "fuzz/qstream/fuzz_input.h"

struct TextureFuzzSelector {
  bool isPaa = true;
  QFileSize chunkSize = QFileSize{1} << 30;

  static TextureFuzzSelector Read(uint8_t byte) {
    TextureFuzzSelector selector;
    selector.isPaa = byte & 1;
    if (byte >> 1) selector.chunkSize = byte >> 1;
    return selector;
  }
  static char Write(bool isPaa, int chunkSize) { return static_cast<char>((isPaa ? 1 : 0) | (chunkSize << 1)); }
};
