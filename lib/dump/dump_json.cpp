#include "lib/dump/dump_json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Each byte as the character of that number (Latin-1), in UTF-8: the document needs valid
// UTF-8, and printed with ensure_ascii every byte beyond ASCII comes out as \u00XX.
std::string BytesAsUtf8(std::string_view text) {
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

std::string Printed(const DumpJson& value, int indent) { return value.dump(indent, ' ', /*ensure_ascii=*/true); }

}  // namespace

std::string ShortestFloatText(float value) {
  if (!std::isfinite(value)) return "null";
  char text[64];
  for (int precision = 6; precision <= 9; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) break;
  }
  return text;
}

DumpJson JsonFloat(float value) {
  if (!std::isfinite(value)) return nullptr;
  return std::strtod(ShortestFloatText(value).c_str(), nullptr);
}

DumpJson JsonText(std::string_view bytes) { return BytesAsUtf8(bytes); }

DumpJson JsonTexts(const std::vector<std::string>& lines) {
  DumpJson array = DumpJson::array();
  for (const std::string& line : lines) array.push_back(JsonText(line));
  return array;
}

DumpJson JsonVector(const Vector3& v) { return DumpJson::array({JsonFloat(v.x), JsonFloat(v.y), JsonFloat(v.z)}); }

std::string PrintedJson(const DumpJson& document) { return Printed(document, 2) + "\n"; }

std::string JsonQuoted(std::string_view text) { return Printed(JsonText(text), -1); }
