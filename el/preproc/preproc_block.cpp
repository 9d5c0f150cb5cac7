// Blocks of text, directives and conditional blocks.
#include <string>

#include "el/appframe/app_frame.h"
#include "el/preproc/preproc_core.h"

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

}  // namespace

// Processes tokens until the end of the input or an #else or #endif. With the output off
// (a dropped branch) only line feeds are written, so that line numbers stay right.
Preproc::BlockEnd Preproc::ProcessBlock(PreprocTokenizer& in, bool outputOn) {
  bool inString = false;
  for (;;) {
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
          std::string expanded;
          PasteState paste;
          EmitWord(token, in, Scope{}, expanded, paste);
          Write(expanded);
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
    case PreprocTokenId::Ifndef:
      Conditional(in, outputOn, token.id == PreprocTokenId::Ifndef);
      break;
    default:
      in.PushBack(token);
      SetError(kPreprocUnknownDirective);
      break;
  }
  return error_ ? BlockEnd::Failed : BlockEnd::None;
}

// #ifdef / #ifndef: the first branch is kept when the condition holds, the branch after
// #else when it does not. Inside a dropped branch the conditional is still followed, with
// both branches dropped, so that its #else and #endif do not end the outer branch.
void Preproc::Conditional(PreprocTokenizer& in, bool outputOn, bool negate) {
  DepthGuard depth(conditionalDepth_);
  if (depth.Depth() > limits_.maxConditionalDepth) {
    ErrorMessage("Conditional blocks nested deeper than %d in %s", limits_.maxConditionalDepth, CurrentFile().c_str());
    SetError(kPreprocTooDeep);
    return;
  }
  PreprocToken name = NextNonBlank(in);
  bool defined = false;
  if (IsWordToken(name.id)) {
    defined = macros_.Contains(name.text);
  } else if (outputOn) {
    in.PushBack(name);
    SetError(kPreprocMissingName);
    return;
  } else {
    in.PushBack(name);
  }
  bool keep = defined != negate;
  BlockEnd end = ProcessBlock(in, outputOn && keep);
  if (end == BlockEnd::Else) end = ProcessBlock(in, outputOn && !keep);
  if (end == BlockEnd::Failed) return;
  if (end != BlockEnd::Endif) SetError(kPreprocMissingEndif);
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
