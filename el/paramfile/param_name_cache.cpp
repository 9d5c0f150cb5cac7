#include "el/paramfile/param_name_cache.h"

#include <cstring>

namespace {

inline uint64_t Load64(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  return word;
}

inline uint64_t Load32(const char* p) {
  uint32_t word;
  std::memcpy(&word, p, 4);
  return word;
}

// The first and the last bytes of a text that is not empty, eight at most of each, as two
// numbers: overlapping loads, so that every byte counts, nothing past the text is read and
// short texts need no loop.
inline void Ends(const char* p, size_t size, uint64_t& first, uint64_t& last) {
  if (size >= 8) {
    first = Load64(p);
    last = Load64(p + size - 8);
  } else if (size >= 4) {
    first = Load32(p);
    last = Load32(p + size - 4);
  } else {
    auto byte = [p](size_t i) { return static_cast<uint64_t>(static_cast<unsigned char>(p[i])); };
    first = byte(0) | byte(size / 2) << 8 | byte(size - 1) << 16;
    last = 0;
  }
}

// A hash of the exact spelling; never 0 (the empty way).
uint32_t SpellingHash(std::string_view text) {
  size_t size = text.size();
  if (size == 0) return 1;
  const char* p = text.data();
  uint64_t first = 0;
  uint64_t last = 0;
  Ends(p, size, first, last);
  // The words between the first and the last eight bytes of a long text.
  for (size_t i = 8; i + 8 < size; i += 8) first = (first ^ Load64(p + i)) * 0xBF58476D1CE4E5B9ull;
  uint64_t hash = (first ^ size * 0x9E3779B97F4A7C15ull) * 0x94D049BB133111EBull;
  hash ^= last * 0xBF58476D1CE4E5B9ull;
  hash ^= hash >> 29;
  hash *= 0x9E3779B97F4A7C15ull;
  return static_cast<uint32_t>(hash >> 32) | 1;
}

// Exact equality of two texts of the same size (at most kMaxCachedSize), without a call.
bool SameSpelling(const char* a, const char* b, size_t size) {
  if (size == 0) return true;
  for (size_t i = 0; i + 8 < size; i += 8)
    if (Load64(a + i) != Load64(b + i)) return false;
  uint64_t firstA = 0, lastA = 0, firstB = 0, lastB = 0;
  Ends(a, size, firstA, lastA);
  Ends(b, size, firstB, lastB);
  return firstA == firstB && lastA == lastB;
}

}  // namespace

ParamString ParamNameCache::Get(std::string_view text) {
  if (text.size() > kMaxCachedSize) return ParamString(text);
  const uint32_t hash = SpellingHash(text);
  if (!sets_) return Admit(text, hash);
  Set& set = sets_[(hash >> 1) & (kSets - 1)];
  for (uint32_t way = 0; way < 2; ++way) {
    std::string_view cached = set.text[way].View();
    if (set.hash[way] == hash && cached.size() == text.size() && SameSpelling(cached.data(), text.data(), text.size())) {
      set.recent = way;
      return set.text[way];
    }
  }
  return Admit(text, hash);
}

// Out of line, so that a hit, the common case, saves and restores no registers.
ParamString ParamNameCache::Admit(std::string_view text, uint32_t hash) {
  if (!sets_) sets_ = std::make_unique<Set[]>(kSets);
  Set& set = sets_[(hash >> 1) & (kSets - 1)];
  if (set.missed != hash) {
    set.missed = hash;
    return ParamString(text);
  }
  // The second time in a row for this set: the text repeats, it takes the way used less
  // recently (or an empty one).
  uint32_t way = set.hash[0] == 0 ? 0 : set.hash[1] == 0 ? 1 : set.recent ^ 1;
  set.hash[way] = hash;
  set.text[way] = ParamString(text);
  set.recent = way;
  set.missed = 0;
  return set.text[way];
}
