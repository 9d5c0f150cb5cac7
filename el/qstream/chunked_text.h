#pragma once
// Text kept in memory as chunks of one size rather than as one block: it grows without
// copying what is written, and a reader can free each chunk once it is read.
#include <memory>
#include <vector>

#include "el/qstream/basic_types.h"

struct QChunkedText {
  static constexpr QFileSize kChunkSize = 1 << 20;

  // Every chunk holds kChunkSize bytes except the last, which holds the rest of `size`.
  std::vector<std::unique_ptr<char[]>> chunks;
  QFileSize size = 0;
};
