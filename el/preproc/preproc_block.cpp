// Blocks of text and directives.
#include <array>
#include <string>

#include "el/preproc/plain_block.h"
#include "el/preproc/preproc_core.h"

// Processes tokens until the end of the input or an #elif, #else or #endif. With the output off
// (a dropped branch) only line feeds are written, so that line numbers stay right.
Preproc::BlockEnd Preproc::ProcessBlock(PreprocTokenizer& in, bool outputOn) {
  bool inString = false;
  for (;;) {
    if (!runsOff_ && !error_ && in.AtCursor()) CopyPlainRun(in, outputOn, inString);
    PreprocToken token = Next(in);
    if (error_) return BlockEnd::Failed;
    if (token.id == PreprocTokenId::End) {
      FlushPendingLineFeeds();
      return error_ ? BlockEnd::Failed : BlockEnd::EndOfInput;
    }
    if (inString) {
      // Inside double quotes every token is copied as it is.
      if (token.id == PreprocTokenId::Quote) inString = false;
      if (outputOn) {
        Write(token.text);
      } else if (token.id == PreprocTokenId::LineFeed || token.id == PreprocTokenId::Continuation) {
        WriteLineFeeds(1);
      }
      continue;
    }
    switch (token.id) {
      case PreprocTokenId::LineFeed:
        FlushPendingLineFeeds();
        Write(token.text);
        [[fallthrough]];
      case PreprocTokenId::StartOfFile:
        if (BlockEnd end = LineStart(in, outputOn); end != BlockEnd::None) return end;
        break;
      case PreprocTokenId::Quote:
        inString = true;
        if (outputOn) Write(token.text);
        break;
      case PreprocTokenId::LineComment:
        SkipLineComment(in);
        break;
      case PreprocTokenId::BlockComment:
        WriteLineFeeds(in.SkipBlockComment());
        break;
      case PreprocTokenId::Continuation:
        ++pendingLineFeeds_;
        break;
      case PreprocTokenId::Identifier:
        if (outputOn) {
          // Expansion never comes back here, so one buffer serves every word.
          expanded_.clear();
          EmitWord(token, in, Scope{}, expanded_);
          Write(expanded_);
        }
        break;
      default:
        if (outputOn) Write(token.text);
        break;
    }
  }
}

// At the start of a line: a directive when '#' follows (blanks may stand before it).
Preproc::BlockEnd Preproc::LineStart(PreprocTokenizer& in, bool outputOn) {
  if (TakeLineStartBlanks(in, outputOn)) return BlockEnd::None;
  std::string blanks;
  PreprocToken token = Next(in);
  while (IsBlankToken(token)) {
    blanks += token.text;
    token = Next(in);
  }
  if (token.id == PreprocTokenId::Hash) return Directive(in, outputOn);
  in.PushBack(token);
  if (outputOn) Write(blanks);
  return error_ ? BlockEnd::Failed : BlockEnd::None;
}

namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

// Blanks from `p` on; true when '#' (not "##") follows them, which makes a directive.
bool DirectiveFollows(const char* p, const char* end, size_t& blanks) {
  const char* q = p;
  while (q < end && IsBlankChar(*q)) ++q;
  blanks = static_cast<size_t>(q - p);
  return q < end && *q == '#' && !(q + 1 < end && q[1] == '#');
}

// How CopyPlainRun treats a character: a word starts, a token of one character without a
// meaning of its own, or one that needs a closer look.
enum class RunChar : unsigned char { Plain, Word, Special };

constexpr std::array<RunChar, 256> kRunChars = [] {
  std::array<RunChar, 256> table{};
  for (int c = 0; c < 256; ++c) {
    if (kPreprocWordChars[c]) {
      table[c] = RunChar::Word;
    } else if (c == '"' || c == '\n' || c == '\\' || c == '/' || c == '#') {
      table[c] = RunChar::Special;
    } else {
      table[c] = RunChar::Plain;
    }
  }
  return table;
}();

}  // namespace

bool Preproc::TakeLineStartBlanks(PreprocTokenizer& in, bool outputOn) {
  if (runsOff_ || error_ || !in.AtCursor()) return false;
  size_t blanks = 0;
  if (DirectiveFollows(in.Cursor(), in.TextEnd(), blanks)) return false;
  // LineStart reads each blank and the token after them, which it puts back.
  long long work = static_cast<long long>(blanks) + 1;
  if (!Fits(work, outputOn ? static_cast<long long>(blanks) : 0)) {
    runsOff_ = true;
    return false;
  }
  const char* start = in.Cursor();
  work_ += work;
  in.Skip(blanks, 0);
  if (outputOn) Write(std::string_view(start, blanks));
  return true;
}

// The tokens taken here are those for which ProcessBlock only writes the token's text
// (outside strings: words that expand to themselves, and characters without a meaning of
// their own; inside strings: everything) and counts its work: one step per token, plus
// the length of a word that went through expansion. With the output on, line feeds
// outside strings are taken too when no joined lines wait and no directive follows.
void Preproc::CopyPlainRun(PreprocTokenizer& in, bool outputOn, bool& inString) {
  // Most words begin with a character that begins no directive word, neither __FILE__
  // nor __LINE__, and no macro name: one test tells them apart from the words that need
  // a closer look. Expansion defines no macro, so the mask holds for the whole call.
  PlainBlockFirstChars first;
  for (char c : {'i', 'd', 'e', 'u', '_'}) first.Add(static_cast<unsigned char>(c));
  macros_.AddFirstChars(first.set);
  const uint64_t(&toLookAt)[4] = first.set;
  const bool blocks = blockReading_ && outputOn;
  if (blocks) first.MakeTables();
  const bool avx2 = blocks && PlainBlockHasAvx2();
  for (;;) {
    const char* start = in.Cursor();
    const char* end = in.TextEnd();
    const char* p = start;
    long long work = 0;
    int lineFeeds = 0;
    bool quoted = inString;
    // The macro whose name ends the run, looked up once for ExpandPlainUse.
    const DefineSymb* use = nullptr;
    size_t useLength = 0;
    while (p < end) {
      if (blocks && end - p >= 64 && pendingLineFeeds_ == 0) {
        PlainBlock block = avx2 ? ScanPlainBlockAvx2(p, quoted, first) : ScanPlainBlock(p, quoted, first);
        if (block.length != 0 || block.stopsAtWord) {
          p += block.length;
          work += block.work;
          lineFeeds += block.lineFeeds;
          quoted = block.quoted;
          if (block.stopsAtWord) {
            use = block.use;
            useLength = block.useLength;
            break;
          }
          continue;
        }
      }
      RunChar kind = kRunChars[static_cast<unsigned char>(*p)];
      if (kind == RunChar::Word) {
        const char* after = PreprocWordEnd(p, end);
        size_t length = static_cast<size_t>(after - p);
        if (!quoted && outputOn) {
          std::string_view word(p, length);
          unsigned char first = static_cast<unsigned char>(*p);
          if ((toLookAt[first >> 6] >> (first & 63) & 1) == 0) {
            // An identifier that stays as it is.
            work += static_cast<long long>(length);
          } else if (ClassifyWord(word) == PreprocTokenId::Identifier) {
            use = macros_.FindUse(word);
            if (use || IsPositionWord(word)) {
              useLength = length;
              break;
            }
            work += static_cast<long long>(length);
          }
        }
        ++work;
        p = after;
        continue;
      }
      if (kind == RunChar::Plain) {
        // Each of these characters is a token of its own.
        const char* after = p + 1;
        while (after < end && kRunChars[static_cast<unsigned char>(*after)] == RunChar::Plain) ++after;
        work += after - p;
        p = after;
        continue;
      }
      char c = *p;
      if (c == '"') {
        quoted = !quoted;
        ++work;
        ++p;
        continue;
      }
      if (c == '\n') {
        if (!outputOn) break;
        if (quoted) {
          ++work;
          ++lineFeeds;
          ++p;
          continue;
        }
        if (pendingLineFeeds_ != 0) break;
        // The line feed, then the blanks at the start of the next line and the token after
        // them, which LineStart reads ahead.
        size_t blanks = 0;
        if (DirectiveFollows(p + 1, end, blanks)) break;
        work += 1 + static_cast<long long>(blanks) + 1;
        ++lineFeeds;
        p += 1 + blanks;
        continue;
      }
      // '\\', '/' and '#', which may begin a token of two characters.
      size_t length = PreprocTokenLength(p, end);
      if (length == 2 && (c == '\\' || c == '/')) {
        // A joined line or a comment: copied as text only inside a string with the output on.
        if (!quoted || !outputOn) break;
        if (c == '\\') ++lineFeeds;
      }
      ++work;
      p += length;
    }
    if (p != start) {
      size_t length = static_cast<size_t>(p - start);
      if (!Fits(work, outputOn ? static_cast<long long>(length) : 0)) {
        // A limit is reached inside the run: the tokens go one by one, up to the error.
        runsOff_ = true;
        return;
      }
      work_ += work;
      in.Skip(length, lineFeeds);
      inString = quoted;
      if (outputOn) Write(std::string_view(start, length));
    }
    if (!use || error_ || !ExpandPlainUse(in, *use, useLength)) return;
  }
}

Preproc::BlockEnd Preproc::Directive(PreprocTokenizer& in, bool outputOn) {
  PreprocToken token = Next(in);
  switch (token.id) {
    case PreprocTokenId::Else:
      return BlockEnd::Else;
    case PreprocTokenId::Endif:
      return BlockEnd::Endif;
    case PreprocTokenId::Include:
      if (outputOn) {
        IncludeDirective(in);
      } else {
        ReadDirectiveText(in, nullptr);
      }
      break;
    case PreprocTokenId::Define:
      if (outputOn) {
        DefineDirective(in);
      } else {
        ReadDirectiveText(in, nullptr);
      }
      break;
    case PreprocTokenId::Undef:
      if (outputOn) {
        UndefDirective(in);
      } else {
        ReadDirectiveText(in, nullptr);
      }
      break;
    case PreprocTokenId::Ifdef:
      Conditional(in, outputOn, ConditionKind::Ifdef);
      break;
    case PreprocTokenId::Ifndef:
      Conditional(in, outputOn, ConditionKind::Ifndef);
      break;
    default:
      return OtherDirective(token, in, outputOn);
  }
  return error_ ? BlockEnd::Failed : BlockEnd::None;
}

void Preproc::IncludeDirective(PreprocTokenizer& in) {
  PreprocToken open = NextNonBlank(in);
  char close;
  if (open.id == PreprocTokenId::Quote) {
    close = '"';
  } else if (open.id == PreprocTokenId::Less) {
    close = '>';
  } else {
    in.PushBack(open);
    SetError(kPreprocBadInclude);
    return;
  }
  std::string name;
  if (!in.ReadName(close, name)) {
    SetError(kPreprocBadInclude);
    return;
  }
  IncludeFile(name, lineMarkers_);
}
