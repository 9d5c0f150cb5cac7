#include "lib/shape/texture_flags.h"

#include "platform/ascii.h"

namespace {

// The extension with its dot ("" when the last path component has none).
std::string_view Extension(std::string_view name) {
  size_t dot = name.find_last_of('.');
  size_t slash = name.find_last_of("\\/");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return name.substr(dot);
}

}  // namespace

bool TextureSetsAlphaSorted(std::string_view name) {
  if (name.empty()) return false;
  std::string_view extension = Extension(name);
  if (AsciiEqualIgnoreCase(extension, ".paa")) return false;
  std::string_view stem = name.substr(0, name.size() - extension.size());
  if (stem.size() >= 3 && AsciiEqualIgnoreCase(stem.substr(stem.size() - 3), "_co")) return false;
  if (name.find("\\000") != std::string_view::npos) return false;
  return true;
}
