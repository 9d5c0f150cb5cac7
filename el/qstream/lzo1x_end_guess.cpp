#include "el/qstream/lzo1x_end_guess.h"

#include <cstring>

#include "el/qstream/lzo1x_scanner.h"

namespace {

// How far before a candidate marker the local parse starts.
constexpr size_t kSyncDistance = 1024;
// Candidates looked at before the guess gives up.
constexpr int kMaxCandidates = 64;

// Parses instructions from `from`, taken as an instruction start after a match, up to
// `target`; returns true when an instruction starts exactly at `target`. Only the parse
// position matters here: distances and lengths are left to the decoder.
bool ParseMeets(const uint8_t* data, size_t from, size_t target) {
  enum { kLoopTop, kAfterLongRun, kAfterShortRun } context = kLoopTop;
  size_t ip = from;
  while (ip < target) {
    size_t t = data[ip];
    size_t at = ip + 1;
    if (t < 16 && context == kLoopTop) {  // a literal run
      size_t run = t;
      if (t == 0) {
        while (at < target && data[at] == 0) {
          run += 255;
          ++at;
        }
        if (at >= target) return false;
        run += 15 + data[at++];
      }
      ip = at + run + 3;
      context = kAfterLongRun;
      continue;
    }
    size_t trailingByte = t;
    if (t < 16 || t >= 64) {  // the two-byte matches
      at += 1;
    } else {  // the three-byte matches, maybe with a length extension
      if ((t >= 32 ? (t & 31) : (t & 7)) == 0) {
        while (at < target && data[at] == 0) ++at;
        ++at;
      }
      if (at + 1 >= target) return false;
      if (t < 32 && (t & 8) == 0 && data[at] < 4 && data[at + 1] == 0) return false;  // an end before target
      trailingByte = data[at];
      at += 2;
    }
    size_t trailing = trailingByte & 3;
    ip = at + trailing;
    context = trailing ? kAfterShortRun : kLoopTop;
  }
  return ip == target;
}

}  // namespace

size_t GuessLzo1xBlockEnd(const uint8_t* data, size_t available, size_t expectedSize) {
  const uint8_t* at = data;
  const uint8_t* end = data + available;
  for (int candidates = 0; candidates < kMaxCandidates && end - at >= 3;) {
    at = static_cast<const uint8_t*>(std::memchr(at, 0x11, static_cast<size_t>(end - at) - 2));
    if (!at) return 0;
    if (at[1] != 0 || at[2] != 0) {
      ++at;
      continue;
    }
    ++candidates;
    size_t marker = static_cast<size_t>(at - data);
    if (marker <= kSyncDistance) {
      // Near the start the exact walk is as cheap as the guess.
      Lzo1xScanner scanner(expectedSize);
      if (scanner.Scan(data, marker + 3) == Lzo1xScanResult::kEnd) return scanner.Position();
    } else if (ParseMeets(data, marker - kSyncDistance, marker)) {
      return marker + 3;
    }
    at += 1;
  }
  return 0;
}
