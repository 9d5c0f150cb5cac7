#pragma once
// 64 bytes of preprocessor input classified at once: one bit per byte and class, bit i for
// p[i]. CopyPlainRun walks long stretches of ordinary text a block at a time with these.
//
// Three forms give the same masks: byte by byte (the reference, and the form for other
// processors), with SSE2 (every x86-64 processor), and with AVX2 where the processor has
// it, chosen when the program runs.
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "el/preproc/preproc_token.h"

// The characters a word may begin with to need a closer look (a directive word, a macro
// name, __FILE__ or __LINE__), as a set of 256 bits and as nibble tables for vector
// lookups: character c is in the set when low[c & 15] & high[c >> 4] is not 0. Words
// begin below 0x80, so eight bits of `high` are enough.
struct PlainBlockFirstChars {
  uint64_t set[4] = {};
  alignas(16) uint8_t low[16] = {};
  alignas(16) uint8_t high[16] = {};

  void Add(unsigned char c) { set[c >> 6] |= uint64_t{1} << (c & 63); }
  bool Has(unsigned char c) const { return (set[c >> 6] >> (c & 63) & 1) != 0; }
  // Fills the nibble tables from the set.
  void MakeTables() {
    for (int c = 0; c < 128; ++c)
      if (Has(static_cast<unsigned char>(c))) low[c & 15] |= static_cast<uint8_t>(1u << (c >> 4));
    for (int h = 0; h < 8; ++h) high[h] = static_cast<uint8_t>(1u << h);
  }
};

struct PlainBlockMasks {
  uint64_t word = 0;       // letters, digits and '_'
  uint64_t quote = 0;      // '"'
  uint64_t lineFeed = 0;   // '\n'
  uint64_t backslash = 0;  // '\\'
  uint64_t slashHash = 0;  // '/' and '#', which may start a comment, a directive or "##"
  uint64_t blank = 0;      // ' ' and '\t'
  uint64_t lookAt = 0;     // starts of words whose first character is in the set
};

// The starts of the words of `word`, a block that begins at a token's start.
inline uint64_t WordStarts(uint64_t word) { return word & ~(word << 1); }

inline PlainBlockMasks ClassifyPlainBlockBytes(const char* p, const PlainBlockFirstChars& first) {
  PlainBlockMasks m;
  uint64_t firstChar = 0;
  for (int i = 0; i < 64; ++i) {
    const uint64_t bit = uint64_t{1} << i;
    const char c = p[i];
    if (IsWordChar(c)) m.word |= bit;
    if (c == '"') m.quote |= bit;
    if (c == '\n') m.lineFeed |= bit;
    if (c == '\\') m.backslash |= bit;
    if (c == '/' || c == '#') m.slashHash |= bit;
    if (c == ' ' || c == '\t') m.blank |= bit;
    if (first.Has(static_cast<unsigned char>(c))) firstChar |= bit;
  }
  m.lookAt = WordStarts(m.word) & firstChar;
  return m;
}

#if defined(__x86_64__)
namespace plain_block_detail {

inline uint64_t Bits16(__m128i flags, int part) {
  return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(flags))) << (16 * part);
}

}  // namespace plain_block_detail

inline PlainBlockMasks ClassifyPlainBlockSse2(const char* p, const PlainBlockFirstChars& first) {
  using plain_block_detail::Bits16;
  auto equal = [](__m128i bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  PlainBlockMasks m;
  for (int part = 0; part < 4; ++part) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
    // Bytes from 0x80 on are negative here and fall outside every range.
    __m128i folded = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
    __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)),
                                   _mm_cmplt_epi8(folded, _mm_set1_epi8('z' + 1)));
    __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                  _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)));
    m.word |= Bits16(_mm_or_si128(_mm_or_si128(letter, digit), equal(bytes, '_')), part);
    m.quote |= Bits16(equal(bytes, '"'), part);
    m.lineFeed |= Bits16(equal(bytes, '\n'), part);
    m.backslash |= Bits16(equal(bytes, '\\'), part);
    m.slashHash |= Bits16(_mm_or_si128(equal(bytes, '/'), equal(bytes, '#')), part);
    m.blank |= Bits16(_mm_or_si128(equal(bytes, ' '), equal(bytes, '\t')), part);
  }
  // SSE2 has no byte lookup: the first characters are tested word by word.
  for (uint64_t starts = WordStarts(m.word); starts != 0; starts &= starts - 1) {
    const int at = __builtin_ctzll(starts);
    if (first.Has(static_cast<unsigned char>(p[at]))) m.lookAt |= uint64_t{1} << at;
  }
  return m;
}

namespace plain_block_detail {

__attribute__((target("avx2"))) inline uint64_t Bits32(__m256i flags, int part) {
  return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(flags))) << (32 * part);
}

__attribute__((target("avx2"))) inline __m256i Equal32(__m256i bytes, char c) {
  return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(c));
}

}  // namespace plain_block_detail

__attribute__((target("avx2"))) inline PlainBlockMasks ClassifyPlainBlockAvx2(const char* p,
                                                                               const PlainBlockFirstChars& first) {
  using plain_block_detail::Bits32;
  using plain_block_detail::Equal32;
  const __m256i low = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(first.low)));
  const __m256i high = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(first.high)));
  const __m256i nibble = _mm256_set1_epi8(0x0f);
  PlainBlockMasks m;
  uint64_t firstChar = 0;
  for (int part = 0; part < 2; ++part) {
    __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * part));
    __m256i folded = _mm256_or_si256(bytes, _mm256_set1_epi8(0x20));
    __m256i letter = _mm256_and_si256(_mm256_cmpgt_epi8(folded, _mm256_set1_epi8('a' - 1)),
                                      _mm256_cmpgt_epi8(_mm256_set1_epi8('z' + 1), folded));
    __m256i digit = _mm256_and_si256(_mm256_cmpgt_epi8(bytes, _mm256_set1_epi8('0' - 1)),
                                     _mm256_cmpgt_epi8(_mm256_set1_epi8('9' + 1), bytes));
    m.word |= Bits32(_mm256_or_si256(_mm256_or_si256(letter, digit), Equal32(bytes, '_')), part);
    m.quote |= Bits32(Equal32(bytes, '"'), part);
    m.lineFeed |= Bits32(Equal32(bytes, '\n'), part);
    m.backslash |= Bits32(Equal32(bytes, '\\'), part);
    m.slashHash |= Bits32(_mm256_or_si256(Equal32(bytes, '/'), Equal32(bytes, '#')), part);
    m.blank |= Bits32(_mm256_or_si256(Equal32(bytes, ' '), Equal32(bytes, '\t')), part);
    __m256i lowBits = _mm256_shuffle_epi8(low, _mm256_and_si256(bytes, nibble));
    __m256i highBits = _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble));
    __m256i none = _mm256_cmpeq_epi8(_mm256_and_si256(lowBits, highBits), _mm256_setzero_si256());
    firstChar |= ~Bits32(none, part) & (uint64_t{0xffffffff} << (32 * part));
  }
  m.lookAt = WordStarts(m.word) & firstChar;
  return m;
}

// True when the processor running the program has AVX2 and POPCNT.
inline bool PlainBlockHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
  return has;
}
#else
inline bool PlainBlockHasAvx2() { return false; }
#endif

// Bit i set when an odd number of bits at or below i are set in `bits`.
inline uint64_t PrefixParity(uint64_t bits) {
  bits ^= bits << 1;
  bits ^= bits << 2;
  bits ^= bits << 4;
  bits ^= bits << 8;
  bits ^= bits << 16;
  bits ^= bits << 32;
  return bits;
}

// The bits below `count` (0..64).
inline uint64_t LowBits(int count) { return count >= 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1; }
