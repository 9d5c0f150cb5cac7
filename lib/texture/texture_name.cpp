#include "lib/texture/texture_name.h"

#include "platform/ascii.h"

namespace {

constexpr size_t kMaxNormalizedInput = 1024;

constexpr bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The position of the last separator of `path`, or npos.
size_t LastSeparator(std::string_view path) {
  for (size_t i = path.size(); i-- > 0;)
    if (IsSeparator(path[i])) return i;
  return std::string_view::npos;
}

}  // namespace

RString NormalizeTextureHeaderName(std::string_view name) {
  if (name.size() > kMaxNormalizedInput) name = name.substr(0, kMaxNormalizedInput);
  // Written in place: the result is never longer than the input.
  RString result(name.size(), '\0');
  size_t length = 0;
  for (char c : name) {
    if (IsSeparator(c)) {
      if (length > 0 && result[length - 1] == '\\') continue;
      result[length++] = '\\';
    } else {
      result[length++] = AsciiLower(c);  // tolower of the "C" locale
    }
  }
  if (length > 0 && result[length - 1] == '\\') --length;
  result.resize(length);
  return result;
}

std::string_view TextureFileExtension(std::string_view path) {
  size_t separator = LastSeparator(path);
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
