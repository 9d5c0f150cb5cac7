// #define and #undef, and reading the rest of a directive line.
#include "el/preproc/preproc_core.h"

// #define NAME body, or #define NAME(a, b) body: the '(' must follow the name at once.
void Preproc::DefineDirective(PreprocTokenizer& in) {
  PreprocToken name = NextNonBlank(in);
  if (!IsWordToken(name.id)) {
    in.PushBack(name);  // an error at a line feed belongs to the directive's line
    SetError(kPreprocMissingName);
    return;
  }
  auto macro = std::make_shared<DefineSymb>();
  macro->name = RString(name.text);
  PreprocToken token = Next(in);
  if (token.id == PreprocTokenId::OpenParen) {
    macro->hasParams = true;
    for (;;) {
      PreprocToken param = NextNonBlank(in);
      if (param.id == PreprocTokenId::CloseParen) break;
      if (param.id == PreprocTokenId::Comma) continue;
      if (!IsWordToken(param.id)) {
        in.PushBack(param);
        SetError(kPreprocParamsNotClosed);
        return;
      }
      macro->params.push_back({RString(param.text)});
    }
    token = Next(in);
  }
  // One blank after the name or the list separates it from the body.
  if (!IsBlankToken(token)) in.PushBack(token);
  ReadDirectiveText(in, &macro->body);
  if (!error_) macros_.Define(std::move(macro));
}

void Preproc::UndefDirective(PreprocTokenizer& in) {
  PreprocToken name = NextNonBlank(in);
  if (!IsWordToken(name.id)) {
    in.PushBack(name);  // an error at a line feed belongs to the directive's line
    SetError(kPreprocMissingName);
    return;
  }
  macros_.Undefine(name.text);
}

void Preproc::ReadDirectiveText(PreprocTokenizer& in, std::string* text) {
  bool inString = false;
  for (;;) {
    PreprocToken token = Next(in);
    switch (token.id) {
      case PreprocTokenId::End:
        return;
      case PreprocTokenId::LineFeed:
        in.PushBack(token);
        return;
      case PreprocTokenId::Continuation:
        // The line goes on; its line feed is written with the next one.
        ++pendingLineFeeds_;
        continue;
      default:
        break;
    }
    if (inString) {
      if (token.id == PreprocTokenId::Quote) inString = false;
    } else if (token.id == PreprocTokenId::Quote) {
      inString = true;
    } else if (token.id == PreprocTokenId::LineComment) {
      SkipLineComment(in);
      continue;
    } else if (token.id == PreprocTokenId::BlockComment) {
      pendingLineFeeds_ += in.SkipBlockComment();
      continue;
    }
    if (text) *text += token.text;
  }
}

// Drops a "//" comment up to the end of its line; the line feed is left unread. A line
// joined by a backslash continues the comment.
void Preproc::SkipLineComment(PreprocTokenizer& in) {
  for (;;) {
    PreprocToken token = Next(in);
    if (token.id == PreprocTokenId::LineFeed || token.id == PreprocTokenId::End) {
      in.PushBack(token);
      return;
    }
    if (token.id == PreprocTokenId::Continuation) ++pendingLineFeeds_;
  }
}
