// CopyPlainRun's block step: ordinary text taken 64 bytes at a time, with the work and the
// line feeds that reading it token by token counts.
//
// Token by token, outside strings a word counts one step plus its length and a line feed
// one step more for the token LineStart reads ahead; inside strings a word is one step;
// every other character is a token of one step. Words that begin with a character some
// directive word or macro name begins with are looked at one by one, as the token way
// does.
#include "el/preproc/plain_block.h"
#include "el/preproc/preproc_core.h"

template <class Classify>
inline __attribute__((always_inline)) Preproc::PlainBlock Preproc::ScanPlainBlockWith(
    Classify classify, const char* p, bool quoted, const PlainBlockFirstChars& first) const {
  PlainBlock block;
  block.quoted = quoted;
  const PlainBlockMasks m = classify(p, first);
  // A word that fills the block may be longer than one token: the token way splits it.
  if (m.word == ~uint64_t{0}) return block;
  // '/' and '#' may start a comment, a directive or "##", and a backslash before a line
  // feed joins lines; a backslash at the end may have its line feed in the next block.
  const uint64_t stops = m.slashHash | (m.backslash & (m.lineFeed >> 1)) | (m.backslash & (uint64_t{1} << 63));
  int length = stops ? __builtin_ctzll(stops) : 64;
  // A word that runs into the end of the block is taken from its start next time.
  if (length == 64 && (m.word >> 63) != 0) length = 64 - __builtin_clzll(~m.word);
  // Inside a string after an odd number of quotes (a quote itself counts the same either way).
  const uint64_t inString = PrefixParity(m.quote) ^ (quoted ? ~uint64_t{0} : 0);
  const uint64_t bareLineFeeds = m.lineFeed & ~inString;
  // Whether a directive follows a line feed is decided at the line feed when only blanks
  // stand between it and the end of the part.
  const uint64_t notBlank = ~m.blank & LowBits(length);
  if (notBlank != 0) {
    const int last = 63 - __builtin_clzll(notBlank);
    if ((bareLineFeeds >> last & 1) != 0) length = last;
  }
  long long work = 0;
  for (uint64_t look = m.lookAt & ~inString & LowBits(length); look != 0; look &= look - 1) {
    const int at = __builtin_ctzll(look);
    const int wordLength = __builtin_ctzll(~(m.word >> at));
    const std::string_view word(p + at, static_cast<size_t>(wordLength));
    if (ClassifyWord(word) != PreprocTokenId::Identifier) {
      // A directive word outside a directive is one step, without its length.
      work -= wordLength;
      continue;
    }
    const DefineSymb* use = macros_.FindUse(word);
    if (use || IsPositionWord(word)) {
      block.use = use;
      block.useLength = static_cast<size_t>(wordLength);
      block.stopsAtWord = true;
      length = at;
      break;
    }
  }
  if (length == 0) return block;
  const uint64_t part = LowBits(length);
  // Every character is a step, a word outside strings one more per character after its
  // first, a word inside strings none, and a line feed outside strings one more.
  work += length - __builtin_popcountll(m.word & inString & part) + __builtin_popcountll(WordStarts(m.word) & part) +
          __builtin_popcountll(bareLineFeeds & part);
  block.length = static_cast<size_t>(length);
  block.work = work;
  block.lineFeeds = __builtin_popcountll(m.lineFeed & part);
  block.quoted = (inString >> (length - 1) & 1) != 0;
  return block;
}

namespace {

#if defined(__x86_64__)
struct ClassifyAvx2 {
  __attribute__((target("avx2"))) PlainBlockMasks operator()(const char* p, const PlainBlockFirstChars& first) const {
    return ClassifyPlainBlockAvx2(p, first);
  }
};
struct ClassifySse2 {
  PlainBlockMasks operator()(const char* p, const PlainBlockFirstChars& first) const {
    return ClassifyPlainBlockSse2(p, first);
  }
};
#else
struct ClassifyBytes {
  PlainBlockMasks operator()(const char* p, const PlainBlockFirstChars& first) const {
    return ClassifyPlainBlockBytes(p, first);
  }
};
#endif

}  // namespace

#if defined(__x86_64__)
__attribute__((target("avx2,popcnt"))) Preproc::PlainBlock Preproc::ScanPlainBlockAvx2(
    const char* p, bool quoted, const PlainBlockFirstChars& first) const {
  return ScanPlainBlockWith(ClassifyAvx2(), p, quoted, first);
}
#else
Preproc::PlainBlock Preproc::ScanPlainBlockAvx2(const char* p, bool quoted, const PlainBlockFirstChars& first) const {
  return ScanPlainBlock(p, quoted, first);
}
#endif

Preproc::PlainBlock Preproc::ScanPlainBlock(const char* p, bool quoted, const PlainBlockFirstChars& first) const {
#if defined(__x86_64__)
  return ScanPlainBlockWith(ClassifySse2(), p, quoted, first);
#else
  return ScanPlainBlockWith(ClassifyBytes(), p, quoted, first);
#endif
}
