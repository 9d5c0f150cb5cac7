#pragma once
// A plain walk over the structure of a ".paa"/".pac" file, for explaining it: where each
// tagged block and mipmap starts and what its header says. Unlike the header reader it
// applies no rules of the engine (no size limits, no stop at small mipmaps): it follows
// the mipmaps one after another until the end marker, the end of the file or a bound.
#include <cstdint>

#include "el/qstream/basic_types.h"

class QIStream;

struct PacTagInfo {
  char name[5] = {};
  int64_t offset = 0;           // position of the "GGAT" marker
  int32_t length = 0;           // payload length as stored
  uint32_t value = 0;           // first 4 payload bytes (colour and flag blocks)
  AutoArray<uint32_t> offsets;  // "SFFO": the stored offsets (at most 16)
};

struct PacLevelInfo {
  int64_t offset = 0;  // position of the mipmap header
  uint16_t width = 0;  // low 15 bits of the stored width
  uint16_t height = 0;
  bool widthFlag = false;     // bit 15 of the stored width
  bool extendedSize = false;  // announced by 1234/8765
  uint32_t dataSize = 0;      // 24-bit size of the data
  bool truncated = false;     // the data runs past the end of the file
};

struct PacLayout {
  bool hasFormatWord = false;
  uint16_t formatWord = 0;
  int format = 0;  // from the word, else by the extension's default
  AutoArray<PacTagInfo> tags;
  int64_t paletteOffset = 0;
  int paletteCount = 0;
  AutoArray<PacLevelInfo> levels;
  bool terminated = false;  // the end marker (width 0, height 0) was found
  int64_t endOffset = -1;   // its position
  RString problem;          // why the walk stopped early, empty when it did not
};

// Walks the file in `in` from its current position. False when the tag section or the
// palette is broken (layout.problem says why); the mipmap walk never fails.
bool ScanPacLayout(QIStream& in, bool isPaa, PacLayout& layout);
