#pragma once
// Finds where an LZO1X stream ends without decoding it.
//
// An LZO1X block carries no length; the decoder of the LZO library does not tell how much
// input it consumed. The scanner walks the instruction stream (literal runs and matches),
// counts the bytes it would produce and stops at the end-of-stream marker, so that the
// block's exact bytes can be handed to the library's decoder and the stream left on the
// first byte after the block. It checks what the library's safe decoder checks: no
// instruction may produce more than the expected size or refer back before the first
// output byte. Safe on untrusted input; every loop is bounded by the bytes it is given.
#include <cstddef>
#include <cstdint>

enum class Lzo1xScanResult {
  kEnd,       // the end marker was found; `position` is the block length
  kNeedMore,  // the bytes given end inside the block; call again with more
  kCorrupt,   // the stream cannot be a valid block of the expected size
};

class Lzo1xScanner {
 public:
  // `expectedSize`: the number of bytes the block must decode to.
  explicit Lzo1xScanner(size_t expectedSize) : expectedSize_(expectedSize) {}

  // Scans `data[0, available)`, the block's bytes from its first byte on; a later call
  // passes the same bytes plus more (the scan resumes where it stopped). Returns kEnd when
  // the end marker was found (Position() is then the length of the block), kNeedMore when
  // the data ends first, kCorrupt on an invalid instruction.
  Lzo1xScanResult Scan(const uint8_t* data, size_t available);

  // Input bytes consumed by whole instructions so far.
  size_t Position() const { return position_; }
  // Bytes the scanned instructions decode to.
  size_t Produced() const { return produced_; }

 private:
  // How the next instruction byte below 16 is read.
  enum class Context : uint8_t {
    kStart,         // first byte of the block: values above 17 start with literals
    kLoopTop,       // after a match with no trailing literals: a literal run
    kAfterLongRun,  // after a literal run of 4 or more: a 3-byte near match
    kAfterShortRun, // after 1 to 3 trailing literals: a 2-byte near match
  };

  size_t expectedSize_;
  size_t position_ = 0;
  size_t produced_ = 0;
  Context context_ = Context::kStart;
};
