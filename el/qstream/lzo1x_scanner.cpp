#include "el/qstream/lzo1x_scanner.h"

namespace {

// Distances of the LZO1X match kinds.
constexpr size_t kM2MaxOffset = 0x0800;
constexpr size_t kM3MaxOffset = 0x4000;

// Reads a run-length extension at `at`: a run of 0 bytes each adding 255, then one
// nonzero byte, added to `base`. Returns false when the data ends first. A value beyond
// `limit` is cut to limit + 1 (the caller's output check then fails) so that the count
// cannot overflow.
inline bool ReadExtension(const uint8_t* data, size_t available, size_t limit, size_t& at, size_t base,
                          size_t& length) {
  size_t value = 0;
  while (at < available && data[at] == 0) {
    ++at;
    if (value <= limit) value += 255;
  }
  if (at >= available) return false;
  length = value > limit ? limit + 1 : value + base + data[at];
  ++at;
  return true;
}

}  // namespace

Lzo1xScanResult Lzo1xScanner::Scan(const uint8_t* data, size_t available) {
  using R = Lzo1xScanResult;
  const size_t limit = expectedSize_;
  // The state after the last whole instruction; a scan that runs out of data stops there.
  size_t ip = position_;
  size_t op = produced_;
  Context context = context_;
  R result = R::kNeedMore;

  if (context == Context::kStart) {
    if (ip >= available) return R::kNeedMore;
    if (data[ip] > 17) {
      size_t t = data[ip] - 17u;
      if (t > limit - op) return R::kCorrupt;
      if (t > available - ip - 1) return R::kNeedMore;
      ip += 1 + t;
      op += t;
      context = t < 4 ? Context::kAfterShortRun : Context::kAfterLongRun;
    } else {
      context = Context::kLoopTop;
    }
  }

  while (ip < available) {
    size_t at = ip + 1;
    size_t t = data[ip];
    size_t distance;
    size_t length;
    size_t trailingByte;  // the byte whose low 2 bits count the literals after a match

    if (t < 16) {
      if (context == Context::kLoopTop) {
        // A literal run of t + 3 bytes (t == 0: extended).
        size_t run = t;
        if (t == 0 && !ReadExtension(data, available, limit, at, 15, run)) break;
        run += 3;
        if (run > limit - op) return R::kCorrupt;
        if (run > available - at) break;
        ip = at + run;
        op += run;
        context = Context::kAfterLongRun;
        continue;
      }
      // A near match: 3 bytes after a long literal run, 2 after short trailing literals.
      if (at >= available) break;
      distance = 1 + (t >> 2) + (size_t{data[at]} << 2);
      if (context == Context::kAfterLongRun) {
        distance += kM2MaxOffset;
        length = 3;
      } else {
        length = 2;
      }
      trailingByte = t;
      ++at;
    } else if (t >= 64) {
      if (at >= available) break;
      distance = 1 + ((t >> 2) & 7) + (size_t{data[at]} << 3);
      length = (t >> 5) + 1;
      trailingByte = t;
      ++at;
    } else if (t >= 32) {
      length = t & 31;
      if (length == 0 && !ReadExtension(data, available, limit, at, 31, length)) break;
      length += 2;
      if (available - at < 2) break;
      distance = 1 + (data[at] >> 2) + (size_t{data[at + 1]} << 6);
      trailingByte = data[at];
      at += 2;
    } else {
      length = t & 7;
      if (length == 0 && !ReadExtension(data, available, limit, at, 7, length)) break;
      length += 2;
      if (available - at < 2) break;
      size_t high = (t & 8) << 11;
      size_t low = (data[at] >> 2) + (size_t{data[at + 1]} << 6);
      trailingByte = data[at];
      at += 2;
      if (high + low == 0) {  // the end-of-stream marker
        ip = at;
        result = R::kEnd;
        break;
      }
      distance = high + low + kM3MaxOffset;
    }

    if (distance > op || length > limit - op) return R::kCorrupt;
    size_t trailing = trailingByte & 3;
    if (trailing > limit - op - length) return R::kCorrupt;
    // A match and its trailing literals are one step: without the literals, resume
    // before the match.
    if (trailing > available - at) break;
    ip = at + trailing;
    op += length + trailing;
    context = trailing ? Context::kAfterShortRun : Context::kLoopTop;
  }
  position_ = ip;
  produced_ = op;
  context_ = context;
  return result;
}
