#include "lib/texture/dump_writer.h"

#include <cstdio>

std::string JsonQuoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (u < 0x20 || u >= 0x7F) {
          // Bytes outside printable ASCII (names are ANSI, not UTF-8) as \u00XX.
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
          quoted += escaped;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

void DumpWriter::Indent() {
  // JSON: members one step in from their brackets; text: the outermost object unindented.
  size_t depth = json_ ? levels_.size() : (levels_.empty() ? 0 : levels_.size() - 1);
  out_.append(depth * 2, ' ');
}

void DumpWriter::Key(std::string_view key) {
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (json_) {
    out_ += level.items > 0 ? ",\n" : "\n";
    Indent();
    if (!level.array) out_ += JsonQuoted(key) + ": ";
  } else {
    Indent();
    if (level.array)
      out_ += "[" + std::to_string(level.items) + "]";
    else
      out_ += key;
  }
  ++level.items;
}

void DumpWriter::BeginObject(std::string_view key) {
  if (levels_.empty()) {
    if (json_) out_ += "{";
  } else {
    Key(key);
    out_ += json_ ? "{" : ":\n";
  }
  levels_.push_back({false, 0});
}

void DumpWriter::EndObject() {
  bool empty = levels_.back().items == 0;
  levels_.pop_back();
  if (!json_) return;
  if (!empty) {
    out_ += "\n";
    Indent();
  }
  out_ += "}";
  if (levels_.empty()) out_ += "\n";
}

void DumpWriter::BeginArray(std::string_view key) {
  Key(key);
  out_ += json_ ? "[" : ":\n";
  levels_.push_back({true, 0});
}

void DumpWriter::EndArray() {
  bool empty = levels_.back().items == 0;
  levels_.pop_back();
  if (!json_) return;
  if (!empty) {
    out_ += "\n";
    Indent();
  }
  out_ += "]";
}

void DumpWriter::Value(std::string_view key, const std::string& jsonValue, const std::string& textValue) {
  Key(key);
  if (json_) {
    out_ += jsonValue;
  } else {
    out_ += levels_.back().array ? " " : ": ";
    out_ += textValue + "\n";
  }
}

void DumpWriter::String(std::string_view key, std::string_view value) {
  Value(key, JsonQuoted(value), std::string(value));
}

void DumpWriter::Int(std::string_view key, int64_t value) {
  std::string text = std::to_string(value);
  Value(key, text, text);
}

void DumpWriter::Bool(std::string_view key, bool value) { Value(key, value ? "true" : "false", value ? "yes" : "no"); }

void DumpWriter::Float(std::string_view key, double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  // JSON has no NaN or infinity.
  bool finite = value == value && value - value == 0;
  Value(key, finite ? text : "null", text);
}

void DumpWriter::Hex(std::string_view key, uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  Value(key, JsonQuoted(text), text);
}

void DumpWriter::Null(std::string_view key) { Value(key, "null", "-"); }

std::string DumpWriter::Take() {
  std::string text = std::move(out_);
  out_.clear();
  levels_.clear();
  return text;
}
