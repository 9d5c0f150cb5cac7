#pragma once
// ASCII letter-case helpers that do not depend on the locale.
#include <string>
#include <string_view>

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

inline std::string AsciiLowerCopy(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

// <0, 0, >0 like strcmp, with ASCII capitals taken as small letters.
inline int AsciiCompareIgnoreCase(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(AsciiLower(a[i]));
    unsigned char cb = static_cast<unsigned char>(AsciiLower(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

inline bool AsciiEqualIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiCompareIgnoreCase(a, b) == 0;
}
