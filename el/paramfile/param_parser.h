#pragma once
// The text parser (internal to el/paramfile): ParamTextInput reads characters of the
// preprocessed text straight out of the stream's buffers; ParamTextParser turns them into
// a tree. Statement forms are in param_parser.cpp, values and arrays in
// param_value_reader.cpp.
//
// Results: 0 success, 2 the stream failed, 3 a syntax error. The first error ends the
// parse; what was parsed before it stays in the tree.
#include <array>
#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "el/paramfile/param_file.h"
#include "el/paramfile/param_name_cache.h"
#include "el/qstream/qi_preprocessed_stream.h"

// Character classes of the parser, by table.
namespace param_text {

enum : uint8_t { kBlank = 1, kWord = 2 };

constexpr std::array<uint8_t, 256> MakeCharClasses() {
  std::array<uint8_t, 256> classes{};
  for (int c : {' ', '\t', '\r', '\n', '\v', '\f'}) classes[static_cast<size_t>(c)] = kBlank;
  for (int c = 0; c < 256; ++c)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')
      classes[static_cast<size_t>(c)] = kWord;
  return classes;
}
inline constexpr std::array<uint8_t, 256> kCharClasses = MakeCharClasses();

inline bool IsBlank(int c) { return kCharClasses[static_cast<unsigned char>(c)] == kBlank; }
inline bool IsWordChar(int c) { return kCharClasses[static_cast<unsigned char>(c)] == kWord; }

// The first character in [p, end) that is not blank, or end.
inline const char* BlanksEnd(const char* p, const char* end) {
  while (p < end && IsBlank(*p)) ++p;
  return p;
}

// The first character in [p, end) that is no word character, or end.
inline const char* WordEnd(const char* p, const char* end) {
#if defined(__SSE2__)
  // Sixteen characters per step without a branch per character; the loads never pass `end`.
  while (end - p >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Bytes from 0x80 on are negative here and fall outside every range.
    const __m128i folded = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)),
                                         _mm_cmplt_epi8(folded, _mm_set1_epi8('z' + 1)));
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)));
    const __m128i underscore = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('_'));
    const unsigned others =
        ~static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(letter, digit), underscore))) & 0xffffu;
    if (others != 0) return p + __builtin_ctz(others);
    p += 16;
  }
#endif
  while (p < end && IsWordChar(*p)) ++p;
  return p;
}

// The first '"' or line feed in [p, end), or end: where the text of a quoted value stops.
inline const char* QuotedTextEnd(const char* p, const char* end) {
#if defined(__SSE2__)
  while (end - p >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i stops =
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    const unsigned found = static_cast<unsigned>(_mm_movemask_epi8(stops));
    if (found != 0) return p + __builtin_ctz(found);
    p += 16;
  }
#endif
  while (p < end && *p != '"' && *p != '\n') ++p;
  return p;
}

}  // namespace param_text

class ParamTextInput {
 public:
  explicit ParamTextInput(QIPreprocessedStream& stream) : stream_(stream) {}
  ~ParamTextInput() { Sync(); }
  ParamTextInput(const ParamTextInput&) = delete;
  ParamTextInput& operator=(const ParamTextInput&) = delete;

  // The next character (0..255), or -1 at the end of the input.
  int Peek() { return p_ < end_ ? static_cast<unsigned char>(*p_) : Refill(); }
  // Moves past the character Peek() returned (which must not have been -1). Reading the
  // stream directly in between (messages ask it for the line) drops the buffer view, so
  // the view is taken up again first.
  void Skip() {
    if (p_ >= end_ && Refill() < 0) return;
    ++p_;
  }
  int Get() {
    int c = Peek();
    if (c >= 0) ++p_;
    return c;
  }
  // Appends characters to `out` while `accept(c)` holds.
  template <class Accept>
  void TakeWhile(std::string& out, Accept accept) {
    TakeUntil(out, [accept](const char* p, const char* end) { return Scan(p, end, accept); });
  }
  // Appends characters to `out` up to where `stop(p, end)` finds the first one not to
  // take in [p, end) (or end).
  template <class Stop>
  void TakeUntil(std::string& out, Stop stop) {
    for (;;) {
      const char* start = p_;
      p_ = stop(p_, end_);
      out.append(start, static_cast<size_t>(p_ - start));
      if (p_ < end_ || Refill() < 0) return;
    }
  }
  // The characters from the current one on while `accept(c)` holds, when the character
  // that stops them is in the current buffer too: the position moves to that character.
  // Otherwise false, and the position stays. The view is valid until the next refill.
  template <class Accept>
  bool TakeInBuffer(std::string_view& out, Accept accept) {
    const char* stop = Scan(p_, end_, accept);
    if (stop == end_) return false;
    out = std::string_view(p_, static_cast<size_t>(stop - p_));
    p_ = stop;
    return true;
  }
  // After an opening quote: the text of a quoted value that ends in the current buffer,
  // with its closing quote and the blanks after it, followed there by a character that
  // neither doubles the quote nor starts a "\n" continuation. The position moves to that
  // character. Otherwise false, and the position stays. The view is valid until the next
  // refill.
  bool TakeQuotedInBuffer(std::string_view& out) {
    const char* close = param_text::QuotedTextEnd(p_, end_);
    if (close == end_ || *close != '"') return false;
    const char* after = param_text::BlanksEnd(close + 1, end_);
    if (after == end_ || *after == '"' || *after == '\\') return false;
    out = std::string_view(p_, static_cast<size_t>(close - p_));
    p_ = after;
    return true;
  }
  // Moves past characters while `accept(c)` holds.
  template <class Accept>
  void SkipWhile(Accept accept) {
    SkipUntil([accept](const char* p, const char* end) { return Scan(p, end, accept); });
  }
  // Moves past characters up to where `stop(p, end)` finds the first one not to pass in
  // [p, end) (or end).
  template <class Stop>
  void SkipUntil(Stop stop) {
    for (;;) {
      p_ = stop(p_, end_);
      if (p_ < end_ || Refill() < 0) return;
    }
  }

  // The characters left in the current buffer, [Position(), End()), for readers that look
  // ahead in local pointers and then move to a character of that range with MoveTo().
  // The range is empty before the first Peek() and after a refill failed.
  const char* Position() const { return p_; }
  const char* End() const { return end_; }
  void MoveTo(const char* position) { p_ = position; }

  // The stream, positioned at the current character, for direct reading; the input picks
  // up from wherever the stream was left at the next Peek().
  QIPreprocessedStream& Stream() {
    Sync();
    start_ = p_ = end_ = nullptr;
    return stream_;
  }

  // The first character in [p, end) that `accept` refuses, or end. Local pointers, since
  // the compiler keeps a member pointer in memory (a char may alias it), and eight
  // characters per bound check: unquoted values are read this way.
  template <class Accept>
  static const char* Scan(const char* p, const char* end, Accept accept) {
    while (end - p >= 8) {
      auto at = [p](int i) { return static_cast<unsigned char>(p[i]); };
      if (!accept(at(0))) return p;
      if (!accept(at(1))) return p + 1;
      if (!accept(at(2))) return p + 2;
      if (!accept(at(3))) return p + 3;
      if (!accept(at(4))) return p + 4;
      if (!accept(at(5))) return p + 5;
      if (!accept(at(6))) return p + 6;
      if (!accept(at(7))) return p + 7;
      p += 8;
    }
    while (p < end && accept(static_cast<unsigned char>(*p))) ++p;
    return p;
  }

 private:
  void Sync() {
    if (p_ != start_) stream_.Advance(p_ - start_);
    start_ = p_;
  }
  int Refill();

  QIPreprocessedStream& stream_;
  const char* start_ = nullptr;  // where the stream's position is
  const char* p_ = nullptr;
  const char* end_ = nullptr;
};

class ParamTextParser {
 public:
  ParamTextParser(QIPreprocessedStream& stream, ParamFile& file);
  // Parses the whole input into the file.
  int Parse();

  // Characters to stop an unquoted value at.
  // Per character: kEnds where a value ends, kStops where reading its characters stops
  // (the ends and the line breaks).
  using Terminators = std::array<uint8_t, 256>;
  static constexpr uint8_t kEnds = 1;
  static constexpr uint8_t kStops = 2;

 private:
  static const Terminators kMemberTerminators;   // ; } CR LF
  static const Terminators kElementTerminators;  // , ; }

  // --- Statements (param_parser.cpp).
  int ParseBody(ParamClass& cls, int depth);
  int ParseDelete(ParamClass& cls);
  int ParseClass(ParamClass& cls, int depth);
  int ParseEnum(ParamClass& cls);
  int ParseExec(ParamClass& cls);
  int ParseMember(ParamClass& cls, std::string_view word);
  int ParseArrayMember(ParamClass& cls, ParamString name);
  void AddEntry(ParamClass& cls, std::unique_ptr<ParamEntry>&& entry);
  // AddEntry for a value or an array.
  void AddMember(ParamClass& cls, std::unique_ptr<ParamEntry>&& entry);
  // An entry whose name is taken: the message, and the entry goes.
  [[gnu::cold, gnu::noinline]] void RefuseEntry(ParamClass& cls, std::unique_ptr<ParamEntry> entry);
  // A member value entry for a value text already evaluated.
  std::unique_ptr<ParamEntry> MakeEntry(ParamString&& name, std::string_view text, bool quoted, bool expression);

  // --- Values (param_value_reader.cpp).
  // Reads a value; false (message given) on a syntax error. `text` is in value_, or, when
  // the whole value lay in the input buffer, in that buffer: it is valid until the input
  // is read on (a refill may free the buffer).
  bool ReadValue(const Terminators& terminators, std::string_view& text, bool& quoted, bool& nonEmpty);
  // The elements of an array, '{' to '}', appended to `items`; 0 or a parse result.
  int ParseArray(ParamArrayItems& items, int depth);
  // The common elements in one pass over the buffer, each with the ',' after it: quoted
  // texts without "" or \n, and unquoted texts that need no evaluation, followed by blanks
  // and ',' or '}' in the same buffer. They are appended to `items`. True when a '}' ended
  // the array (the position after it); false at an element the general path reads, or at
  // the end of the buffer (the position on it, past blanks).
  bool TakeElements(ParamArrayItems& items);
  // An unquoted, evaluated, non-empty element: a number where it reads as one, else a text.
  void AppendUnquotedElement(ParamArrayItems& items, std::string_view text);
  // An unquoted value after "__EVAL" evaluation (the result in value_).
  std::string_view Evaluated(std::string_view text);
  static bool IsEvaluated(std::string_view text) { return text.size() >= 6 && text[0] == '_' && text.substr(0, 6) == "__EVAL"; }

  // --- Reading helpers (inline: they run for every word and value).
  void SkipBlanks() {
    input_.SkipUntil([](const char* p, const char* end) { return param_text::BlanksEnd(p, end); });
  }
  void SkipBlanksAndSemicolons() { input_.SkipWhile([](int c) { return param_text::IsBlank(c) || c == ';'; }); }
  void ReadWord(std::string& word) {
    word.clear();
    SkipBlanks();
    input_.TakeUntil(word, [](const char* p, const char* end) { return param_text::WordEnd(p, end); });
  }
  // The same without the copy when the word ends in the input buffer: the view is valid
  // until the input is read on (otherwise it is word_).
  std::string_view ReadWordView() {
    SkipBlanks();
    return TakeWord();
  }
  // ReadWordView at a character that is not blank.
  std::string_view TakeWord() {
    std::string_view word;
    if (input_.TakeInBuffer(word, [](int c) { return param_text::IsWordChar(c); })) return word;
    ReadWord(word_);
    return word_;
  }
  // After '#': a line directive; false when it is not one.
  bool ReadLineDirective();
  bool AtEnd() { return input_.Peek() < 0; }

  // --- Messages: "File %s, line %d: %s" with the source position. Errors go to the
  // error channel, warnings to the log.
  void Error(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Warning(const char* format, ...) __attribute__((format(printf, 2, 3)));
  std::string Located(const char* format, va_list args);
  // A character for a message (the end of the input shows as '?').
  static int Shown(int c) { return c > 0 ? c : '?'; }

  QIPreprocessedStream& stream_;
  ParamTextInput input_;
  ParamFile& file_;
  ParamEvaluator& evaluator_;
  ParamNameCache names_;
  ParamNameCache texts_;  // string values
  std::string word_;
  std::string value_;
  std::vector<ParamArrayItems> scratch_;  // element lists being read, one per array depth
  size_t inheritedCopied_ = 0;             // elements copied out of inherited arrays
  // The entry counts of the classes parsed last, by base class, or by name for a class
  // without a base (see ParseClass).
  std::array<uint32_t, 256> classSizes_{};
};
