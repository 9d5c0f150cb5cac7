#pragma once
// ParamNameCache: shared string blocks for the texts that repeat while a file is parsed or
// loaded (entry names, string values).
//
// A configuration repeats a few dozen names and values millions of times, among as many
// texts that occur once (class names, display names, paths). The cache is a small table of
// two-way sets. A text is taken in only when it comes a second time while its set still
// remembers it, so texts that occur once never push out the ones that repeat; everything
// else just gets a new block. Only sharing depends on the cache: the strings handed out
// are equal to the text either way.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "el/paramfile/param_string.h"

class ParamNameCache {
 public:
  // Inline: a parse asks for every name and string value.
  ParamString Get(std::string_view text);

 private:
  // A text the table does not hold (`hash`: its SpellingHash): a new block, which the
  // table may keep.
  [[gnu::noinline]] ParamString Admit(std::string_view text, uint32_t hash);

  static constexpr size_t kSets = 1024;
  // Longer texts rarely repeat; they are not worth a place.
  static constexpr size_t kMaxCachedSize = 40;

  struct Set {
    uint32_t hash[2] = {0, 0};  // 0: the way is empty
    uint32_t missed = 0;        // the last text of this set that was not taken in
    uint32_t recent = 0;        // the way that was used last
    ParamString text[2];
  };
  std::unique_ptr<Set[]> sets_;
};

// The hashing and comparing of texts, for Get.
namespace param_name_cache {

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

// A hash of the exact spelling of a text that is not empty, from its Ends; never 0 (the
// empty way).
inline uint32_t SpellingHash(const char* p, size_t size, uint64_t first, uint64_t last) {
  // The words between the first and the last eight bytes of a long text.
  for (size_t i = 8; i + 8 < size; i += 8) first = (first ^ Load64(p + i)) * 0xBF58476D1CE4E5B9ull;
  uint64_t hash = (first ^ size * 0x9E3779B97F4A7C15ull) * 0x94D049BB133111EBull;
  hash ^= last * 0xBF58476D1CE4E5B9ull;
  hash ^= hash >> 29;
  hash *= 0x9E3779B97F4A7C15ull;
  return static_cast<uint32_t>(hash >> 32) | 1;
}

// Exact equality of `a` and `b`, texts of the same size (not 0, at most kMaxCachedSize),
// without a call; `first` and `last` are the Ends of `b`.
inline bool SameSpelling(const char* a, const char* b, size_t size, uint64_t first, uint64_t last) {
  uint64_t firstA = 0;
  uint64_t lastA = 0;
  Ends(a, size, firstA, lastA);
  if (firstA != first || lastA != last) return false;
  for (size_t i = 8; i + 8 < size; i += 8)
    if (Load64(a + i) != Load64(b + i)) return false;
  return true;
}

}  // namespace param_name_cache

inline ParamString ParamNameCache::Get(std::string_view text) {
  const size_t size = text.size();
  if (size > kMaxCachedSize) return ParamString(text);
  if (size == 0) return ParamString();
  // The ends of the text serve both the hash and the comparisons.
  const char* p = text.data();
  uint64_t first = 0;
  uint64_t last = 0;
  param_name_cache::Ends(p, size, first, last);
  const uint32_t hash = param_name_cache::SpellingHash(p, size, first, last);
  if (!sets_) return Admit(text, hash);
  Set& set = sets_[(hash >> 1) & (kSets - 1)];
  for (uint32_t way = 0; way < 2; ++way) {
    std::string_view cached = set.text[way].View();
    if (set.hash[way] == hash && cached.size() == size &&
        param_name_cache::SameSpelling(cached.data(), p, size, first, last)) {
      set.recent = way;
      return set.text[way];
    }
  }
  return Admit(text, hash);
}

