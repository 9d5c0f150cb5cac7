// Shortcuts of macro expansion: argument lists read straight from the text, and bodies
// whose result is known from an earlier expansion. Both give the text, the work and the
// state that the token by token way gives, and step aside whenever they could not.
#include <string>

#include "el/preproc/preproc_core.h"

namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimmedBlanks(std::string_view text) {
  while (!text.empty() && IsBlankChar(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

void Preproc::ExpandBody(const DefineSymb& macro, const MacTableList* args, std::string& dst) {
  // Only an expansion that is not nested in another one starts from a state that the
  // arguments and the macro table wholly decide.
  bool memoOn = macroDepth_ == 1 && dst.empty() && !runsOff_ && !error_;
  static const AutoArray<RString> kNoArguments;
  const AutoArray<RString>& values = args ? args->Values() : kNoArguments;
  if (memoOn) {
    if (memoGeneration_ != macros_.Generation()) {
      memo_.Clear();
      memoGeneration_ = macros_.Generation();
    }
    const ExpansionMemo::Result* known = memo_.Find(macro, values);
    // Within the work limit the result is what the body gives; near it, the body is
    // processed so that the limit is reported where it is reached.
    if (known && work_ + known->work <= limits_.maxWork + workAllowance_) {
      work_ += known->work;
      dst += known->text;
      return;
    }
  }
  long long workBefore = work_;
  int pendingBefore = pendingLineFeeds_;
  bool positionBefore = positionUsed_;
  positionUsed_ = false;
  ProcessBody(macro, args, dst);
  bool position = positionUsed_;
  positionUsed_ = positionBefore || position;
  // A result that depends on the place of use (__FILE__, __LINE__), that went token by
  // token near a limit, or that left line feeds to write, is not kept.
  if (memoOn && !error_ && !runsOff_ && !position && pendingLineFeeds_ == pendingBefore)
    memo_.Add(macro, values, dst, work_ - workBefore);
}

// ReadArguments reads each token with one step of work and appends the text of every
// token but the separating commas and the closing ')' (a word that is not expanded is
// appended as it is), so a token here costs one step plus its length.
bool Preproc::ReadPlainArguments(PreprocTokenizer& in, AutoArray<RString>& values) {
  if (runsOff_ || error_ || !in.AtCursor()) return false;
  const char* start = in.Cursor();
  const char* end = in.TextEnd();
  const char* p = start;
  const char* argument = start;
  long long work = 0;
  for (;;) {
    if (p == end) {
      values.clear();
      return false;
    }
    char c = *p;
    if (c == ',' || c == ')') {
      ++work;
      values.emplace_back(TrimmedBlanks(std::string_view(argument, static_cast<size_t>(p - argument))));
      ++p;
      if (c == ')') break;
      argument = p;
      continue;
    }
    size_t length = PreprocTokenLength(p, end);
    bool plain;
    if (IsWordChar(c)) {
      plain = !ExpandsInFile(std::string_view(p, length));
    } else {
      // Nested lists, strings, line feeds, comments and joined lines need the tokens.
      plain = c != '(' && c != '"' && c != '\n' && !(length == 2 && (c == '/' || c == '\\'));
    }
    if (!plain) {
      values.clear();
      return false;
    }
    work += 1 + static_cast<long long>(length);
    p += length;
  }
  size_t length = static_cast<size_t>(p - start);
  if (work_ + work > limits_.maxWork + workAllowance_ || static_cast<long long>(length) > limits_.maxOutputSize) {
    values.clear();
    return false;
  }
  work_ += work;
  in.Skip(length, 0);
  return true;
}
