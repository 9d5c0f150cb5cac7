#include "el/preproc/preproc_token.h"

#include <array>
#include <utility>

PreprocTokenId ClassifyDirectiveWord(std::string_view word) {
  static constexpr std::array<std::pair<std::string_view, PreprocTokenId>, 7> kWords = {{
      {"include", PreprocTokenId::Include},
      {"define", PreprocTokenId::Define},
      {"ifdef", PreprocTokenId::Ifdef},
      {"ifndef", PreprocTokenId::Ifndef},
      {"else", PreprocTokenId::Else},
      {"endif", PreprocTokenId::Endif},
      {"undef", PreprocTokenId::Undef},
  }};
  for (const auto& [text, id] : kWords)
    if (word == text) return id;
  return PreprocTokenId::Identifier;
}
