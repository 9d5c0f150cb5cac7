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
const char* Preproc::ScanPlainArguments(const char* p, const char* end, long long& work) {
  argViews_.clear();
  const char* argument = p;
  for (;;) {
    if (p == end) return nullptr;
    char c = *p;
    if (c == ',' || c == ')') {
      ++work;
      argViews_.push_back(TrimmedBlanks(std::string_view(argument, static_cast<size_t>(p - argument))));
      ++p;
      if (c == ')') return p;
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
    if (!plain) return nullptr;
    work += 1 + static_cast<long long>(length);
    p += length;
  }
}

bool Preproc::ReadPlainArguments(PreprocTokenizer& in, AutoArray<RString>& values) {
  if (runsOff_ || error_ || !in.AtCursor()) return false;
  const char* start = in.Cursor();
  long long work = 0;
  const char* after = ScanPlainArguments(start, in.TextEnd(), work);
  if (!after) return false;
  size_t length = static_cast<size_t>(after - start);
  if (work_ + work > limits_.maxWork + workAllowance_ || static_cast<long long>(length) > limits_.maxOutputSize)
    return false;
  work_ += work;
  in.Skip(length, 0);
  for (std::string_view value : argViews_) values.emplace_back(value);
  return true;
}

// The steps are those of the token by token way: EmitWord reads the name, ExpandMacro the
// '(' and ReadPlainArguments the list; then ExpandBody, whose memo is asked with the
// arguments as they stand in the text, so that a known result costs no copies.
bool Preproc::ExpandPlainUse(PreprocTokenizer& in, const DefineSymb& macro, size_t nameLength) {
  // ExpandMacro refuses the use itself only under a depth limit below one.
  if (macroDepth_ != 0 || limits_.maxMacroDepth < 1 || runsOff_ || error_ || !in.AtCursor()) return false;
  const char* start = in.Cursor();
  const char* end = in.TextEnd();
  const char* p = start + nameLength;
  long long work = 1;
  argViews_.clear();
  if (macro.hasParams) {
    // A missing '(' and a wrong number of arguments are reported the usual way.
    if (p == end || *p != '(') return false;
    ++work;
    const char* list = ++p;
    p = ScanPlainArguments(list, end, work);
    if (!p || p - list > limits_.maxOutputSize) return false;
    if (macro.params.empty() && argViews_.size() == 1 && argViews_[0].empty()) argViews_.clear();
    if (argViews_.size() != macro.params.size()) return false;
  }
  if (!Fits(work, 0)) return false;
  work_ += work;
  in.Skip(static_cast<size_t>(p - start), 0);
  ++macroDepth_;
  const ExpansionMemo::Result* known =
      memoGeneration_ == macros_.Generation() ? memo_.Find(macro, argViews_) : nullptr;
  if (known && work_ + known->work <= limits_.maxWork + workAllowance_) {
    work_ += known->work;
    --macroDepth_;
    Write(known->text);
    return true;
  }
  expanded_.clear();
  if (macro.hasParams) {
    AutoArray<RString> values;
    values.reserve(argViews_.size());
    for (std::string_view value : argViews_) values.emplace_back(value);
    MacTableList args(macro, std::move(values));
    ExpandBody(macro, &args, expanded_);
  } else {
    ExpandBody(macro, nullptr, expanded_);
  }
  --macroDepth_;
  Write(expanded_);
  return true;
}
