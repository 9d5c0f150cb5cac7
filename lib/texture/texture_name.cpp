#include "lib/texture/texture_name.h"

#include "platform/ascii.h"

namespace {

constexpr size_t kMaxNormalizedInput = 1024;

constexpr bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

RString NormalizeTextureHeaderName(std::string_view name) {
  if (name.size() > kMaxNormalizedInput) name = name.substr(0, kMaxNormalizedInput);
  RString result;
  result.reserve(name.size());
  for (char c : name) {
    if (IsSeparator(c)) {
      if (!result.empty() && result.back() == '\\') continue;
      result += '\\';
    } else {
      result += AsciiLower(c);  // tolower of the "C" locale
    }
  }
  if (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

std::string_view TextureFileExtension(std::string_view path) {
  size_t separator = path.find_last_of("\\/");
  std::string_view name;
  if (separator != std::string_view::npos) {
    name = path.substr(separator + 1);
  } else if (path.size() >= 2 && path[1] == ':') {
    name = path.substr(2);
  } else {
    name = path;
  }
  size_t dot = name.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool IsPaaPath(std::string_view path) { return AsciiEqualIgnoreCase(TextureFileExtension(path), ".paa"); }

bool IsPacTexturePath(std::string_view path) {
  std::string_view extension = TextureFileExtension(path);
  return AsciiEqualIgnoreCase(extension, ".paa") || AsciiEqualIgnoreCase(extension, ".pac");
}
