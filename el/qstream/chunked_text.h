#pragma once
// Text kept in memory as chunks of one size rather than as one block: it grows without
// copying what is written, and a reader can free each chunk once it is read.
#include <memory>
#include <vector>

#include "el/qstream/basic_types.h"

struct QChunkedText {
  // Large enough that most of a chunk lies in whole 2 MiB pages (see huge_pages.h), small
  // enough that a reader freeing chunks as it goes keeps little read text in memory.
  static constexpr QFileSize kChunkSize = 4 << 20;

  // Every chunk holds kChunkSize bytes except the last, which holds the rest of `size`.
  std::vector<std::unique_ptr<char[]>> chunks;
  QFileSize size = 0;
};
