#pragma once
// Names of the engine's ANSI world as UTF-8: each byte is the character of that number
// (Latin-1), so that no byte is lost and every text is valid UTF-8.
#include <string>
#include <string_view>

inline std::string Latin1AsUtf8(std::string_view text) {
  std::string utf8;
  utf8.reserve(text.size());
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (u >> 6));
      utf8 += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return utf8;
}
