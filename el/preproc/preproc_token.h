#pragma once
// Tokens of the configuration preprocessor.
//
// A word (a run of letters, digits and underscores) is one token; the table below gives
// the directive words and a few characters their own ids, so that they are recognised
// wherever they stand. Every other character is a token of its own.
#include <array>
#include <cstddef>
#include <string_view>

enum class PreprocTokenId : int {
  Include = 0,
  Define = 1,
  Ifdef = 2,
  Ifndef = 3,
  Else = 4,
  Endif = 5,
  OpenParen = 6,
  CloseParen = 7,
  Comma = 8,
  Hash = 9,
  StartOfFile = 10,  // behaves like a line feed, so that a directive may stand on the first line
  LineFeed = 11,
  Continuation = 12,  // a backslash followed by a line feed
  LineComment = 13,   // "//"
  BlockComment = 14,  // "/*"
  Identifier = 15,    // a word that is not in the table
  Other = 16,         // any other single character
  End = 17,           // end of input
  Quote = 18,
  Less = 20,
  Greater = 21,
  Paste = 22,  // "##"
  Undef = 23,
};

struct PreprocToken {
  PreprocTokenId id = PreprocTokenId::End;
  std::string_view text;  // the token's characters, inside the text being read
};

// A longer run of word characters is split into tokens of this many characters.
inline constexpr size_t kMaxPreprocTokenLength = 127;

// The id of a word that may be a directive word (see ClassifyWord).
PreprocTokenId ClassifyDirectiveWord(std::string_view word);

// The id of a word: the id of a directive word, otherwise Identifier. Case-sensitive.
inline PreprocTokenId ClassifyWord(std::string_view word) {
  // Directive words are 4 to 7 letters long and begin with one of these letters.
  if (word.size() < 4 || word.size() > 7) return PreprocTokenId::Identifier;
  char first = word[0];
  if (first != 'i' && first != 'd' && first != 'e' && first != 'u') return PreprocTokenId::Identifier;
  return ClassifyDirectiveWord(word);
}

// Letters, digits and '_', by byte value.
inline constexpr std::array<bool, 256> kPreprocWordChars = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c)
    table[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  return table;
}();

inline bool IsWordChar(char c) { return kPreprocWordChars[static_cast<unsigned char>(c)]; }

// Identifiers and directive words: the tokens that may name a macro.
inline bool IsWordToken(PreprocTokenId id) {
  return id == PreprocTokenId::Identifier || (id >= PreprocTokenId::Include && id <= PreprocTokenId::Endif) ||
         id == PreprocTokenId::Undef;
}

// A space or a tab.
inline bool IsBlankToken(const PreprocToken& token) {
  return token.id == PreprocTokenId::Other && (token.text == " " || token.text == "\t");
}
