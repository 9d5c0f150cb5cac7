#include "el/preproc/preproc_tokenizer.h"

#include <algorithm>

PreprocToken PreprocTokenizer::Take(PreprocTokenId id, size_t length) {
  PreprocToken token{id, text_.substr(pos_, length)};
  pos_ += length;
  return token;
}

PreprocToken PreprocTokenizer::Next() {
  if (!pushed_.empty()) {
    PreprocToken token = pushed_.back();
    pushed_.pop_back();
    line_ += LineFeedsIn(token);
    return token;
  }
  if (startOfFile_) {
    startOfFile_ = false;
    return {PreprocTokenId::StartOfFile, {}};
  }
  if (pos_ >= text_.size()) return {PreprocTokenId::End, {}};

  char c = text_[pos_];
  if (IsWordChar(c)) {
    const char* word = text_.data() + pos_;
    size_t length = static_cast<size_t>(PreprocWordEnd(word, text_.data() + text_.size()) - word);
    PreprocToken token = Take(PreprocTokenId::Identifier, length);
    token.id = ClassifyWord(token.text);
    return token;
  }
  char next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
  switch (c) {
    case '\n':
      ++line_;
      return Take(PreprocTokenId::LineFeed, 1);
    case '\\':
      if (next != '\n') break;
      ++line_;
      return Take(PreprocTokenId::Continuation, 2);
    case '/':
      if (next == '/') return Take(PreprocTokenId::LineComment, 2);
      if (next == '*') return Take(PreprocTokenId::BlockComment, 2);
      break;
    case '#':
      return next == '#' ? Take(PreprocTokenId::Paste, 2) : Take(PreprocTokenId::Hash, 1);
    case '(':
      return Take(PreprocTokenId::OpenParen, 1);
    case ')':
      return Take(PreprocTokenId::CloseParen, 1);
    case ',':
      return Take(PreprocTokenId::Comma, 1);
    case '"':
      return Take(PreprocTokenId::Quote, 1);
    case '<':
      return Take(PreprocTokenId::Less, 1);
    case '>':
      return Take(PreprocTokenId::Greater, 1);
    default:
      break;
  }
  return Take(PreprocTokenId::Other, 1);
}

int PreprocTokenizer::SkipBlockComment() {
  int lineFeeds = 0;
  while (pos_ < text_.size()) {
    char c = text_[pos_++];
    if (c == '\n') {
      ++lineFeeds;
      ++line_;
    } else if (c == '*' && pos_ < text_.size() && text_[pos_] == '/') {
      ++pos_;
      break;
    }
  }
  return lineFeeds;
}

bool PreprocTokenizer::ReadName(char close, std::string& name) {
  name.clear();
  // Characters are read straight from the text; tokens read ahead would be lost.
  if (!pushed_.empty()) return false;
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (c == '\n') return false;
    ++pos_;
    if (c == close) return true;
    if (name.size() < kMaxPreprocTokenLength) name += c;
  }
  return false;
}
