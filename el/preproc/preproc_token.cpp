#include "el/preproc/preproc_token.h"

#include <array>
#include <utility>

PreprocTokenId ClassifyWord(std::string_view word) {
  static constexpr std::array<std::pair<std::string_view, PreprocTokenId>, 7> kWords = {{
      {"include", PreprocTokenId::Include},
      {"define", PreprocTokenId::Define},
      {"ifdef", PreprocTokenId::Ifdef},
      {"ifndef", PreprocTokenId::Ifndef},
      {"else", PreprocTokenId::Else},
      {"endif", PreprocTokenId::Endif},
      {"undef", PreprocTokenId::Undef},
  }};
  // Directive words are 4 to 7 letters long and begin with one of these letters.
  if (word.size() < 4 || word.size() > 7) return PreprocTokenId::Identifier;
  char first = word[0];
  if (first != 'i' && first != 'd' && first != 'e' && first != 'u') return PreprocTokenId::Identifier;
  for (const auto& [text, id] : kWords)
    if (word == text) return id;
  return PreprocTokenId::Identifier;
}
