#pragma once
// Splits a text into preprocessor tokens and counts its lines.
//
// The text is the whole source with carriage returns already removed; tokens are views
// into it, so it must outlive the tokenizer and every token taken from it. Tokens read
// ahead can be pushed back and are then returned again, last pushed first.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "el/preproc/preproc_token.h"

class PreprocTokenizer {
 public:
  // With `startOfFile`, the first token is StartOfFile (a file); without, the text is a
  // macro body or argument and starts with its first character.
  PreprocTokenizer(std::string_view text, bool startOfFile) : text_(text), startOfFile_(startOfFile) {}

  // The next token; End (with empty text) once the text is used up.
  PreprocToken Next();
  // Makes `token` the next token to be returned; its line feed counts again when it is.
  void PushBack(const PreprocToken& token) {
    line_ -= LineFeedsIn(token);
    pushed_.push_back(token);
  }

  // Direct access for runs of text that need no tokens: true when no token is pushed back
  // and the start of the file is behind, so that the read position is Cursor().
  bool AtCursor() const { return pushed_.empty() && !startOfFile_; }
  const char* Cursor() const { return text_.data() + pos_; }
  const char* TextEnd() const { return text_.data() + text_.size(); }
  // Moves past `length` characters at Cursor() (whole tokens), which hold `lineFeeds`
  // line feeds.
  void Skip(size_t length, int lineFeeds) {
    pos_ += length;
    line_ += lineFeeds;
  }

  // The line of the read position: 1 plus the line feeds read so far.
  int Line() const { return line_; }

  // Called after a "/*" token: drops everything up to and including "*/" (or to the end
  // of the text) and returns the number of line feeds dropped.
  int SkipBlockComment();
  // Called after the opening '"' or '<' of an include name: reads the characters up to
  // `close`, which is consumed. At most kMaxPreprocTokenLength characters are kept.
  // False when a line feed (left unread) or the end of the text comes first.
  bool ReadName(char close, std::string& name);

 private:
  static int LineFeedsIn(const PreprocToken& token) {
    return token.id == PreprocTokenId::LineFeed || token.id == PreprocTokenId::Continuation ? 1 : 0;
  }
  PreprocToken Take(PreprocTokenId id, size_t length);

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  bool startOfFile_;
  std::vector<PreprocToken> pushed_;
};

// The end of the word token that starts at `p` (a word character before `end`): the first
// character that is no word character, or the token length limit.
inline const char* PreprocWordEnd(const char* p, const char* end) {
  const char* limit = end - p > static_cast<std::ptrdiff_t>(kMaxPreprocTokenLength) ? p + kMaxPreprocTokenLength : end;
  const char* word = p + 1;
#if defined(__SSE2__)
  // Most words are short, and their end is found without a branch per character; the
  // loads never pass `limit`.
  while (limit - word >= 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(word));
    // Bytes from 0x80 on are negative here and fall outside every range.
    __m128i folded = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
    __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)),
                                   _mm_cmplt_epi8(folded, _mm_set1_epi8('z' + 1)));
    __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                  _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)));
    __m128i underscore = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('_'));
    unsigned others = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(letter, digit), underscore))) & 0xffffu;
    if (others != 0) return word + __builtin_ctz(others);
    word += 16;
  }
#endif
  while (word < limit && IsWordChar(*word)) ++word;
  return word;
}

// The length of the token at `p` (before `end`), as PreprocTokenizer::Next takes it.
inline size_t PreprocTokenLength(const char* p, const char* end) {
  if (IsWordChar(*p)) return static_cast<size_t>(PreprocWordEnd(p, end) - p);
  char next = p + 1 < end ? p[1] : '\0';
  switch (*p) {
    case '\\':
      return next == '\n' ? 2 : 1;
    case '/':
      return next == '/' || next == '*' ? 2 : 1;
    case '#':
      return next == '#' ? 2 : 1;
    default:
      return 1;
  }
}
