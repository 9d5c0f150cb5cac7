#pragma once
// The pieces every JSON dump is made of: texts (names are ANSI bytes, so each byte beyond
// ASCII is one character, \u00XX), floats that read back as the same float, and the
// printed document.
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "el/qstream/vector3.h"

using DumpJson = nlohmann::ordered_json;

// The shortest text that reads back as the same float ("null" when not finite, which JSON
// cannot hold).
std::string ShortestFloatText(float value);

// `value` as a JSON number printed as its shortest text (null when not finite): the
// double nearest to that text, so that no digits of the float's widening show.
DumpJson JsonFloat(float value);
// `bytes` as a JSON string.
DumpJson JsonText(std::string_view bytes);
DumpJson JsonTexts(const std::vector<std::string>& lines);
// [x, y, z].
DumpJson JsonVector(const Vector3& v);

// The document with two spaces of indent, ASCII only, ending in a new line.
std::string PrintedJson(const DumpJson& document);

// `text` as a JSON string literal, quotes included.
std::string JsonQuoted(std::string_view text);
