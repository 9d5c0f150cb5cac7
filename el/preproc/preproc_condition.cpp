// Conditional blocks (#ifdef, #ifndef, #if, #elif, #else, #endif), the conditions of #if
// and #elif (`defined`, __has_include, macros, then the expression), and #pragma.
#include <string>

#include "el/appframe/app_frame.h"
#include "el/preproc/preproc_core.h"
#include "el/preproc/preproc_expression.h"

namespace {

// Keeps a nesting counter raised for the lifetime of a scope.
class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(++depth) {}
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  int Depth() const { return depth_; }

 private:
  int& depth_;
};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

// These words are no tokens of their own: as ordinary words they stay off the paths that
// copy plain text, and only here, after '#', do they mean a directive.
Preproc::BlockEnd Preproc::OtherDirective(const PreprocToken& word, PreprocTokenizer& in, bool outputOn) {
  if (word.id == PreprocTokenId::Identifier) {
    if (word.text == "elif") return BlockEnd::Elif;
    if (word.text == "if") {
      Conditional(in, outputOn, ConditionKind::If);
      return error_ ? BlockEnd::Failed : BlockEnd::None;
    }
    if (word.text == "pragma") {
      // Pragmas are meant for other tools: the line (joined lines too) is dropped.
      ReadDirectiveText(in, nullptr);
      return error_ ? BlockEnd::Failed : BlockEnd::None;
    }
  }
  in.PushBack(word);
  SetError(kPreprocUnknownDirective);
  return BlockEnd::Failed;
}

// #ifdef, #ifndef or #if opens the conditional; each #elif adds a branch and #else a last
// one. The first branch whose condition holds is kept, or the #else branch when none
// does. Inside a dropped branch the conditional is still followed, with every branch
// dropped and no condition evaluated, so that its #elif, #else and #endif do not end the
// outer branch.
void Preproc::Conditional(PreprocTokenizer& in, bool outputOn, ConditionKind kind) {
  DepthGuard depth(conditionalDepth_);
  if (depth.Depth() > limits_.maxConditionalDepth) {
    ErrorMessage("Conditional blocks nested deeper than %d in %s", limits_.maxConditionalDepth, CurrentFile().c_str());
    SetError(kPreprocTooDeep);
    return;
  }
  bool keep = false;
  if (kind == ConditionKind::If) {
    if (outputOn) {
      keep = IfCondition(in, "#if");
    } else {
      ReadDirectiveText(in, nullptr);
    }
  } else {
    bool defined = false;
    if (!ConditionName(in, outputOn, defined)) return;
    keep = defined != (kind == ConditionKind::Ifndef);
  }
  if (error_) return;
  bool taken = keep;
  BlockEnd end = ProcessBlock(in, outputOn && keep);
  while (end == BlockEnd::Elif) {
    bool branch = false;
    if (outputOn && !taken) {
      branch = IfCondition(in, "#elif");
      if (error_) return;
    } else {
      ReadDirectiveText(in, nullptr);
    }
    taken = taken || branch;
    end = ProcessBlock(in, outputOn && branch);
  }
  if (end == BlockEnd::Else) end = ProcessBlock(in, outputOn && !taken);
  if (end == BlockEnd::Failed) return;
  // Also an #elif or a second #else after #else.
  if (end != BlockEnd::Endif) SetError(kPreprocMissingEndif);
}

bool Preproc::ConditionName(PreprocTokenizer& in, bool outputOn, bool& defined) {
  PreprocToken name = NextNonBlank(in);
  if (IsWordToken(name.id)) {
    defined = macros_.Contains(name.text);
    return true;
  }
  in.PushBack(name);
  if (!outputOn) return true;
  SetError(kPreprocMissingName);
  return false;
}

bool Preproc::IfCondition(PreprocTokenizer& in, std::string_view directive) {
  const int line = CurrentLine();
  std::string text;
  ReadDirectiveText(in, &text);
  if (error_) return false;
  std::string expanded;
  std::string problem;
  PreprocExpressionResult result;
  if (ExpandCondition(text, expanded, problem)) {
    if (error_) return false;
    result = EvaluatePreprocExpression(expanded);
    problem = result.problem;
  }
  if (error_) return false;
  if (!problem.empty() || !result.ok) {
    std::string_view shown = Trimmed(text);
    std::string_view after = Trimmed(expanded);
    if (!after.empty() && after != shown) {
      ErrorMessage("File %s, line %d: %s %s (expanded: %s): %s", CurrentFile().c_str(), line,
                   std::string(directive).c_str(), std::string(shown).c_str(), std::string(after).c_str(),
                   problem.c_str());
    } else {
      ErrorMessage("File %s, line %d: %s %s: %s", CurrentFile().c_str(), line, std::string(directive).c_str(),
                   std::string(shown).c_str(), problem.c_str());
    }
    SetError(kPreprocBadExpression);
    return false;
  }
  return result.value != 0;
}

// `defined` and __has_include are taken before macros are expanded, so that the names
// they are given stay as written.
bool Preproc::ExpandCondition(std::string_view text, std::string& dst, std::string& problem) {
  PreprocTokenizer in(text, false);
  for (;;) {
    PreprocToken token = Next(in);
    if (error_ || token.id == PreprocTokenId::End) return true;
    if (!IsWordToken(token.id)) {
      Append(dst, token.text);
      continue;
    }
    if (token.text == "defined") {
      bool defined = false;
      if (!DefinedOperand(in, defined)) {
        problem = "'defined' needs a name, alone or in parentheses";
        return false;
      }
      Append(dst, defined ? " 1 " : " 0 ");
    } else if (token.text == "__has_include") {
      bool exists = false;
      if (!HasIncludeOperand(in, exists)) {
        problem = "'__has_include' needs a name in double quotes or angle brackets, in parentheses";
        return false;
      }
      Append(dst, exists ? " 1 " : " 0 ");
    } else {
      EmitWord(token, in, Scope{}, dst);
    }
  }
}

bool Preproc::DefinedOperand(PreprocTokenizer& in, bool& defined) {
  PreprocToken token = NextNonBlank(in);
  const bool parenthesized = token.id == PreprocTokenId::OpenParen;
  if (parenthesized) token = NextNonBlank(in);
  if (!IsWordToken(token.id)) return false;
  defined = macros_.Contains(token.text);
  return !parenthesized || NextNonBlank(in).id == PreprocTokenId::CloseParen;
}

bool Preproc::HasIncludeOperand(PreprocTokenizer& in, bool& exists) {
  if (NextNonBlank(in).id != PreprocTokenId::OpenParen) return false;
  PreprocToken open = NextNonBlank(in);
  char close;
  if (open.id == PreprocTokenId::Quote) {
    close = '"';
  } else if (open.id == PreprocTokenId::Less) {
    close = '>';
  } else {
    return false;
  }
  std::string name;
  if (!in.ReadName(close, name) || NextNonBlank(in).id != PreprocTokenId::CloseParen) return false;
  exists = !name.empty() && IncludeExists(name);
  return true;
}
