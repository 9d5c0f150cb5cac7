#include "lib/dump/dump_json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/latin1.h"

namespace {

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

// The document needs valid UTF-8; printed with ensure_ascii, every byte beyond ASCII
// comes out as \u00XX.
DumpJson JsonText(std::string_view bytes) { return Latin1AsUtf8(bytes); }

DumpJson JsonTexts(const std::vector<std::string>& lines) {
  DumpJson array = DumpJson::array();
  for (const std::string& line : lines) array.push_back(JsonText(line));
  return array;
}

DumpJson JsonVector(const Vector3& v) { return DumpJson::array({JsonFloat(v.x), JsonFloat(v.y), JsonFloat(v.z)}); }

std::string PrintedJson(const DumpJson& document) { return Printed(document, 2) + "\n"; }

std::string JsonQuoted(std::string_view text) { return Printed(JsonText(text), -1); }
