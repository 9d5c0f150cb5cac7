#include "tool/match_pattern.h"

#include "platform/ascii.h"

namespace kln {
namespace {

constexpr size_t kMaxContainsText = 2047;
constexpr size_t kMaxContainsPattern = 511;

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && AsciiEqualIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && AsciiEqualIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool MatchPattern(std::string_view pattern, std::string_view text) {
  if (pattern == "*") return true;
  if (AsciiEqualIgnoreCase(pattern, text)) return true;
  if (pattern.find('*') == std::string_view::npos) return false;

  if (pattern.front() == '*') {
    std::string_view rest = pattern.substr(1);
    if (!rest.empty() && rest.back() == '*') {
      // "*piece*": the piece anywhere in the text, both cut to their buffers' sizes.
      std::string lowerText = AsciiLowerCopy(text.substr(0, kMaxContainsText));
      std::string piece = AsciiLowerCopy(rest.substr(0, kMaxContainsPattern));
      if (!piece.empty()) piece.pop_back();
      return lowerText.find(piece) != std::string::npos;
    }
    return EndsWithIgnoreCase(text, rest);
  }
  if (pattern.back() == '*') return StartsWithIgnoreCase(text, pattern.substr(0, pattern.find('*')));
  return false;
}

bool IsExcluded(const RunSettings& settings, std::string_view name, std::string_view path) {
  for (const RString& pattern : settings.exclusionList) {
    if (MatchPattern(pattern, name) || MatchPattern(pattern, path)) return true;
  }
  return false;
}

}  // namespace kln
