#include "el/qstream/lzss.h"

#include <cstring>
#include <memory>

#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/stream_report.h"

namespace {

constexpr int kWindowSize = 4096;            // ring window, positions modulo 4096
constexpr int kWindowMask = kWindowSize - 1;
constexpr int kMaxMatch = 18;                // longest back reference
constexpr int kMinMatch = 3;                 // shorter matches go out as literals
constexpr int kStartPosition = kWindowSize - kMaxMatch;  // first byte goes to 4078
constexpr int kNil = kWindowSize;            // the empty tree link

// Encoder work area: the window (with the first 17 bytes mirrored past its end so that
// an 18-byte comparison needs no wrap-around) and one binary search tree of window
// positions per first byte, ordered by the 18-byte strings that start there.
struct LzssTrees {
  unsigned char window[kWindowSize + kMaxMatch - 1];
  int left[kWindowSize + 1];
  int right[kWindowSize + 1 + 256];  // right[kWindowSize + 1 + c] is the root for byte c
  int parent[kWindowSize + 1];
  int matchPosition = 0;
  int matchLength = 0;

  void Init() {
    for (int i = kWindowSize + 1; i <= kWindowSize + 256; ++i) right[i] = kNil;
    for (int i = 0; i < kWindowSize; ++i) parent[i] = kNil;
  }

  // Inserts the string at `r` and finds the longest earlier match for it; a full-length
  // match replaces the older position in the tree.
  void Insert(int r) {
    const unsigned char* key = &window[r];
    int p = kWindowSize + 1 + key[0];
    int cmp = 1;
    right[r] = left[r] = kNil;
    matchLength = 0;
    for (;;) {
      if (cmp >= 0) {
        if (right[p] == kNil) {
          right[p] = r;
          parent[r] = p;
          return;
        }
        p = right[p];
      } else {
        if (left[p] == kNil) {
          left[p] = r;
          parent[r] = p;
          return;
        }
        p = left[p];
      }
      int i = 1;
      for (; i < kMaxMatch; ++i)
        if ((cmp = key[i] - window[p + i]) != 0) break;
      if (i > matchLength) {  // on equal length the earlier candidate stays
        matchPosition = p;
        if ((matchLength = i) >= kMaxMatch) break;
      }
    }
    // r takes the place of p, which held the same 18 bytes.
    parent[r] = parent[p];
    left[r] = left[p];
    right[r] = right[p];
    parent[left[p]] = r;
    parent[right[p]] = r;
    if (right[parent[p]] == p)
      right[parent[p]] = r;
    else
      left[parent[p]] = r;
    parent[p] = kNil;
  }

  // Removes the string at `p` from its tree (nothing when it is not in one).
  void Remove(int p) {
    if (parent[p] == kNil) return;
    int q;
    if (right[p] == kNil) {
      q = left[p];
    } else if (left[p] == kNil) {
      q = right[p];
    } else {
      q = left[p];
      if (right[q] != kNil) {
        do q = right[q];
        while (right[q] != kNil);
        right[parent[q]] = left[q];
        parent[left[q]] = parent[q];
        left[q] = left[p];
        parent[left[p]] = q;
      }
      right[q] = right[p];
      parent[right[p]] = q;
    }
    parent[q] = parent[p];
    if (right[parent[p]] == p)
      right[parent[p]] = q;
    else
      left[parent[p]] = q;
    parent[p] = kNil;
  }
};

void WriteUint32(QOStream& out, uint32_t value) {
  unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  out.write(bytes, 4);
}

// The decoder shared by LzssDecode and LzssSkip; `destination` may be null (skip).
bool DecodeBlock(QIStream& in, unsigned char* destination, QFileSize count) {
  if (count <= 0) return true;
  unsigned char window[kWindowSize];
  std::memset(window, ' ', kStartPosition);
  int r = kStartPosition;
  uint32_t checksum = 0;
  QFileSize produced = 0;
  unsigned flags = 0;  // bit 8 and up count the items left in the current group
  while (produced < count) {
    flags >>= 1;
    if ((flags & 0x100) == 0) {
      int c = in.get();
      if (c < 0) {
        KLN_REPORT_AT_SOURCE("LZW: stream read failed");
        return false;
      }
      flags = static_cast<unsigned>(c) | 0xFF00;
    }
    if (flags & 1) {
      int c = in.get();
      if (c < 0) {
        KLN_REPORT_AT_SOURCE("LZW: stream read failed");
        return false;
      }
      if (destination) destination[produced] = static_cast<unsigned char>(c);
      ++produced;
      checksum += static_cast<unsigned>(c);
      window[r] = static_cast<unsigned char>(c);
      r = (r + 1) & kWindowMask;
      continue;
    }
    int b1 = in.get();
    int b2 = in.get();
    if (b1 < 0 || b2 < 0) {
      KLN_REPORT_AT_SOURCE("LZW: stream read failed");
      return false;
    }
    int distance = b1 | ((b2 & 0xF0) << 4);
    int length = (b2 & 0x0F) + kMinMatch;
    if (length > count - produced) {
      KLN_REPORT_AT_SOURCE("LZW overflow");
      return false;
    }
    int from = r - distance;
    for (int k = 0; k < length; ++k) {
      unsigned char c = window[(from + k) & kWindowMask];
      if (destination) destination[produced] = c;
      ++produced;
      checksum += c;
      window[r] = c;
      r = (r + 1) & kWindowMask;
    }
  }
  unsigned char stored[4];
  if (in.read(stored, 4) != 4) {
    KLN_REPORT_AT_SOURCE("LZW: end of stream");
    return false;
  }
  uint32_t expected = stored[0] | (stored[1] << 8) | (stored[2] << 16) | (uint32_t{stored[3]} << 24);
  if (expected != checksum) {
    KLN_REPORT_AT_SOURCE("Checksum");
    return false;
  }
  return true;
}

}  // namespace

uint32_t LzssChecksum(const void* data, size_t count) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  uint32_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum += bytes[i];
  return sum;
}

void LzssEncode(const void* source, size_t count, QOStream& out) {
  if (count == 0) return;
  const unsigned char* src = static_cast<const unsigned char*>(source);
  const unsigned char* srcEnd = src + count;
  auto trees = std::make_unique<LzssTrees>();
  trees->Init();
  unsigned char* window = trees->window;
  uint32_t checksum = 0;

  std::memset(window, ' ', kStartPosition);
  int r = kStartPosition;
  int s = 0;  // oldest window position: overwritten by the next source byte
  int len = 0;
  while (len < kMaxMatch && src < srcEnd) {
    checksum += *src;
    window[r + len++] = *src++;
  }
  for (int i = 1; i <= kMaxMatch; ++i) trees->Insert(r - i);
  trees->Insert(r);

  unsigned char group[1 + 8 * 2];
  group[0] = 0;
  int groupSize = 1;
  unsigned mask = 1;
  do {
    int matchLength = trees->matchLength > len ? len : trees->matchLength;
    if (matchLength < kMinMatch) {
      matchLength = 1;
      group[0] |= mask;
      group[groupSize++] = window[r];
    } else {
      int distance = (r - trees->matchPosition) & kWindowMask;
      group[groupSize++] = static_cast<unsigned char>(distance & 0xFF);
      group[groupSize++] = static_cast<unsigned char>(((distance >> 4) & 0xF0) | (matchLength - kMinMatch));
    }
    if ((mask <<= 1) == 0x100) {
      out.write(group, static_cast<size_t>(groupSize));
      group[0] = 0;
      groupSize = 1;
      mask = 1;
    }
    int i = 0;
    for (; i < matchLength && src < srcEnd; ++i) {
      trees->Remove(s);
      unsigned char c = *src++;
      checksum += c;
      window[s] = c;
      if (s < kMaxMatch - 1) window[s + kWindowSize] = c;
      s = (s + 1) & kWindowMask;
      r = (r + 1) & kWindowMask;
      trees->Insert(r);
    }
    for (; i < matchLength; ++i) {
      trees->Remove(s);
      s = (s + 1) & kWindowMask;
      r = (r + 1) & kWindowMask;
      if (--len) trees->Insert(r);
    }
  } while (len > 0);
  if (groupSize > 1) out.write(group, static_cast<size_t>(groupSize));
  WriteUint32(out, checksum);
}

bool LzssDecode(QIStream& in, void* destination, QFileSize count) {
  return DecodeBlock(in, static_cast<unsigned char*>(destination), count);
}

bool LzssSkip(QIStream& in, QFileSize count) { return DecodeBlock(in, nullptr, count); }
