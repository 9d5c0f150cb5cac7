#include "platform/registry.h"

#include <cstdlib>
#include <fstream>

#include "platform/ascii.h"

namespace {

constexpr const char* kDefaultRegistryFile = "/etc/kilnify/registry.reg";

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// Reads a quoted string at the start of `text`; moves `text` past it.
std::optional<std::string> ReadQuoted(std::string_view& text) {
  if (text.empty() || text.front() != '"') return std::nullopt;
  std::string value;
  for (size_t i = 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      value += text[++i];
    } else if (c == '"') {
      text.remove_prefix(i + 1);
      return value;
    } else {
      value += c;
    }
  }
  return std::nullopt;
}

// Scans the registry file. With a value name: the value; without: "" when the key exists.
std::optional<std::string> Scan(std::string_view root, std::string_view key, std::optional<std::string_view> name) {
  std::ifstream file(RegistryFilePath());
  if (!file) return std::nullopt;
  std::string wanted = std::string(root) + "\\" + std::string(key);
  bool inKey = false;
  bool keyFound = false;
  std::string line;
  while (std::getline(file, line)) {
    std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';') continue;
    if (text.front() == '[') {
      inKey = text.back() == ']' && AsciiEqualIgnoreCase(text.substr(1, text.size() - 2), wanted);
      keyFound = keyFound || inKey;
      continue;
    }
    if (!inKey || !name) continue;
    std::optional<std::string> valueName = ReadQuoted(text);
    if (!valueName || !AsciiEqualIgnoreCase(*valueName, *name)) continue;
    text = Trim(text);
    if (text.empty() || text.front() != '=') continue;
    text.remove_prefix(1);
    text = Trim(text);
    if (std::optional<std::string> value = ReadQuoted(text)) return value;
  }
  if (!name && keyFound) return std::string();
  return std::nullopt;
}

}  // namespace

std::string RegistryFilePath() {
  const char* path = std::getenv("KILNIFY_REGISTRY");
  return path && *path ? path : kDefaultRegistryFile;
}

std::optional<std::string> ReadRegistryString(std::string_view root, std::string_view key, std::string_view name) {
  return Scan(root, key, name);
}

bool RegistryKeyExists(std::string_view root, std::string_view key) {
  return Scan(root, key, std::nullopt).has_value();
}
