// Macro expansion: words, argument lists and macro bodies.
#include <string>

#include "el/appframe/app_frame.h"
#include "el/preproc/preproc_core.h"

namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

RString TrimBlanks(const RString& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlankChar(text[begin])) ++begin;
  while (end > begin && IsBlankChar(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

// Words, and inside a macro body `#` and `##`. Returns false for any other token.
bool Preproc::EmitWordOrOperator(const PreprocToken& token, PreprocTokenizer& in, const Scope& scope,
                                 std::string& dst) {
  if (IsWordToken(token.id)) {
    EmitWord(token, in, scope, dst);
    return true;
  }
  if (!scope.body) return false;
  if (token.id == PreprocTokenId::Hash) {
    // `#` right before a parameter gives the argument in double quotes.
    PreprocToken next = Next(in);
    const RString* value = scope.args && IsWordToken(next.id) ? scope.args->Find(next.text) : nullptr;
    if (value) {
      Append(dst, "\"" + *value + "\"");
    } else {
      Append(dst, token.text);
      in.PushBack(next);
    }
    return true;
  }
  if (token.id == PreprocTokenId::Paste) {
    // `##` is not written, so the tokens on either side meet. A blank is a token of its
    // own and stays: "class ##name" keeps its blank, as addon configurations expect.
    return true;
  }
  return false;
}

void Preproc::EmitWord(const PreprocToken& token, PreprocTokenizer& in, const Scope& scope, std::string& dst) {
  if (token.text == "__FILE__") {
    positionUsed_ = true;
    Append(dst, "\"" + CurrentFile() + "\"");
    return;
  }
  if (token.text == "__LINE__") {
    positionUsed_ = true;
    Append(dst, std::to_string(CurrentLine()));
    return;
  }
  if (scope.args) {
    if (const RString* value = scope.args->Find(token.text)) {
      Append(dst, *value);
      return;
    }
  }
  // Keywords are copied; every other word, on either side of `##` too, is expanded.
  if (token.id != PreprocTokenId::Identifier) {
    Append(dst, token.text);
    return;
  }
  std::shared_ptr<const DefineSymb> macro = macros_.Find(token.text);
  if (!macro) {
    Append(dst, token.text);
    return;
  }
  ExpandMacro(*macro, in, scope, dst);
}

// `in` and `scope` are where the macro's name was read: its arguments follow there.
void Preproc::ExpandMacro(const DefineSymb& macro, PreprocTokenizer& in, const Scope& scope, std::string& dst) {
  if (macroDepth_ >= limits_.maxMacroDepth) {
    ErrorMessage("Macro expansions nested deeper than %d at %s (a macro that uses itself?)", limits_.maxMacroDepth,
                 macro.name.c_str());
    SetError(kPreprocTooDeep);
    return;
  }
  ++macroDepth_;
  if (!macro.hasParams) {
    ExpandBody(macro, nullptr, dst);
  } else if (PreprocToken open = Next(in); open.id != PreprocTokenId::OpenParen) {
    in.PushBack(open);
    SetError(kPreprocMissingArguments);
  } else {
    AutoArray<RString> values;
    values.reserve(macro.params.size());
    if (ReadArguments(in, scope, values)) {
      // "()" gives no argument to a macro without parameters, one empty argument otherwise.
      if (macro.params.empty() && values.size() == 1 && values[0].empty()) values.clear();
      if (values.size() > macro.params.size()) {
        SetError(kPreprocTooManyArguments);
      } else if (values.size() < macro.params.size()) {
        SetError(kPreprocMissingArguments);
      } else {
        MacTableList args(macro, std::move(values));
        ExpandBody(macro, &args, dst);
      }
    }
  }
  --macroDepth_;
}

// Reads the arguments after the '(' up to the matching ')'. Commas separate arguments only
// outside nested parentheses and double quotes; elsewhere they stay in the argument.
// Words are expanded as they are read, comments dropped, and line feeds become blanks
// (and are written with the next line feed).
bool Preproc::ReadArguments(PreprocTokenizer& in, const Scope& scope, AutoArray<RString>& values) {
  if (!scope.body && !scope.args && ReadPlainArguments(in, values)) return true;
  int depth = 0;
  bool inString = false;
  RString current;
  for (;;) {
    PreprocToken token = Next(in);
    if (error_) return false;
    if (token.id == PreprocTokenId::End) {
      SetError(kPreprocArgumentsNotClosed);
      return false;
    }
    if (inString) {
      if (token.id == PreprocTokenId::Quote) inString = false;
      Append(current, token.text);
      continue;
    }
    switch (token.id) {
      case PreprocTokenId::Quote:
        inString = true;
        Append(current, token.text);
        break;
      case PreprocTokenId::OpenParen:
        ++depth;
        Append(current, token.text);
        break;
      case PreprocTokenId::CloseParen:
        if (depth == 0) {
          values.push_back(TrimBlanks(current));
          return true;
        }
        --depth;
        Append(current, token.text);
        break;
      case PreprocTokenId::Comma:
        if (depth > 0) {
          Append(current, token.text);
          break;
        }
        values.push_back(TrimBlanks(current));
        current.clear();
        break;
      case PreprocTokenId::LineComment:
        SkipLineComment(in);
        break;
      case PreprocTokenId::BlockComment:
        pendingLineFeeds_ += in.SkipBlockComment();
        break;
      case PreprocTokenId::LineFeed:
        Append(current, " ");
        if (!scope.body) ++pendingLineFeeds_;
        break;
      case PreprocTokenId::Continuation:
        if (!scope.body) ++pendingLineFeeds_;
        break;
      default:
        if (!EmitWordOrOperator(token, in, scope, current)) Append(current, token.text);
        break;
    }
  }
}

// Processes the body of `macro` as input, with `args` bound to its parameter names.
void Preproc::ProcessBody(const DefineSymb& macro, const MacTableList* args, std::string& dst) {
  PreprocTokenizer in(macro.body, false);
  Scope scope{args, true};
  bool inString = false;
  for (;;) {
    if (!runsOff_ && !error_ && in.AtCursor()) AppendPlainBodyRun(in, scope, dst, inString);
    PreprocToken token = Next(in);
    if (token.id == PreprocTokenId::End || error_) return;
    if (inString) {
      if (token.id == PreprocTokenId::Quote) inString = false;
      Append(dst, token.text);
      continue;
    }
    if (token.id == PreprocTokenId::Quote) inString = true;
    if (!EmitWordOrOperator(token, in, scope, dst)) Append(dst, token.text);
  }
}

// Each token taken costs the work ProcessBody counts for it: one step to read it plus its
// length when appended.
void Preproc::AppendPlainBodyRun(PreprocTokenizer& in, const Scope& scope, std::string& dst, bool& inString) {
  const char* start = in.Cursor();
  const char* end = in.TextEnd();
  const char* p = start;
  long long work = 0;
  int lineFeeds = 0;
  bool quoted = inString;
  while (p < end) {
    char c = *p;
    size_t length = PreprocTokenLength(p, end);
    if (IsWordChar(c) && !quoted) {
      std::string_view word(p, length);
      if (word == "__FILE__" || word == "__LINE__") break;
      if (scope.args && scope.args->Find(word)) break;
      if (ClassifyWord(word) == PreprocTokenId::Identifier && macros_.Contains(word)) break;
    } else if (c == '#' && !quoted) {
      break;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == '\n' || (c == '\\' && length == 2)) {
      ++lineFeeds;
    }
    work += 1 + static_cast<long long>(length);
    p += length;
  }
  if (p == start) return;
  size_t length = static_cast<size_t>(p - start);
  if (work_ + work > limits_.maxWork + workAllowance_ ||
      static_cast<long long>(dst.size() + length) > limits_.maxOutputSize) {
    runsOff_ = true;
    return;
  }
  work_ += work;
  in.Skip(length, lineFeeds);
  inString = quoted;
  dst.append(start, length);
}
