#include "el/appframe/message_origin.h"

#include <climits>

namespace {

constexpr std::string_view kFilePrefix = "File ";
constexpr std::string_view kLineInfix = ", line ";
constexpr std::string_view kConfigSuffix = ": ";
constexpr std::string_view kEngineSuffix = ") : ";

// Reads the decimal number at `pos` of `text`, advancing `pos`; false when there are no
// digits or the number does not fit an int.
bool ReadLineNumber(std::string_view text, size_t& pos, int& line) {
  size_t start = pos;
  long long value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos] - '0');
    if (value > INT_MAX) return false;
    ++pos;
  }
  line = static_cast<int>(value);
  return pos > start;
}

bool StartsWithAt(std::string_view text, size_t pos, std::string_view part) {
  return text.size() - pos >= part.size() && text.compare(pos, part.size(), part) == 0;
}

// "File %s, line %d: %s". A file name may itself hold ", line ": the one followed
// by a number and ": " ends it, the first such one.
std::optional<MessageOrigin> ConfigOrigin(std::string_view text) {
  if (!StartsWithAt(text, 0, kFilePrefix)) return std::nullopt;
  for (size_t infix = text.find(kLineInfix, kFilePrefix.size()); infix != std::string_view::npos;
       infix = text.find(kLineInfix, infix + 1)) {
    size_t pos = infix + kLineInfix.size();
    int line = 0;
    if (!ReadLineNumber(text, pos, line) || !StartsWithAt(text, pos, kConfigSuffix)) continue;
    std::string_view file = text.substr(kFilePrefix.size(), infix - kFilePrefix.size());
    if (file.empty()) return std::nullopt;
    return MessageOrigin{std::string(file), line, text.substr(pos + kConfigSuffix.size())};
  }
  return std::nullopt;
}

// "%s(%d) : %s": the first "(" number ") : " ends the file name.
std::optional<MessageOrigin> EngineOrigin(std::string_view text) {
  for (size_t open = text.find('('); open != std::string_view::npos; open = text.find('(', open + 1)) {
    size_t pos = open + 1;
    int line = 0;
    if (!ReadLineNumber(text, pos, line) || !StartsWithAt(text, pos, kEngineSuffix)) continue;
    if (open == 0) return std::nullopt;
    return MessageOrigin{std::string(text.substr(0, open)), line, text.substr(pos + kEngineSuffix.size())};
  }
  return std::nullopt;
}

}  // namespace

std::optional<MessageOrigin> FindMessageOrigin(std::string_view text) {
  if (auto origin = ConfigOrigin(text)) return origin;
  return EngineOrigin(text);
}
