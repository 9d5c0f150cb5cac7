#include "lib/dump/dump_writer.h"

#include <cstdio>
#include <cstdlib>

#include "lib/dump/dump_json.h"

using Json = DumpJson;

DumpWriter::DumpWriter(bool json) : json_(json) {}
DumpWriter::~DumpWriter() = default;

Json& DumpWriter::Put(std::string_view key, Json value) {
  if (open_.empty()) {
    document_ = std::make_unique<Json>(std::move(value));
    return *document_;
  }
  Json& parent = *open_.back();
  if (parent.is_array()) {
    parent.push_back(std::move(value));
    return parent.back();
  }
  Json& slot = parent[std::string(key)];
  slot = std::move(value);
  return slot;
}

void DumpWriter::Indent() {
  // The outermost object unindented.
  size_t depth = levels_.empty() ? 0 : levels_.size() - 1;
  out_.append(depth * 2, ' ');
}

void DumpWriter::Key(std::string_view key) {
  if (levels_.empty()) return;
  Level& level = levels_.back();
  Indent();
  if (level.array)
    out_ += "[" + std::to_string(level.items) + "]";
  else
    out_ += key;
  ++level.items;
}

void DumpWriter::Begin(std::string_view key, bool array) {
  if (json_) {
    open_.push_back(&Put(key, array ? Json::array() : Json::object()));
    return;
  }
  // The outermost object has no line of its own.
  if (array || !levels_.empty()) {
    Key(key);
    out_ += ":\n";
  }
  levels_.push_back({array, 0});
}

void DumpWriter::End() {
  if (json_)
    open_.pop_back();
  else
    levels_.pop_back();
}

void DumpWriter::BeginObject(std::string_view key) { Begin(key, false); }
void DumpWriter::EndObject() { End(); }
void DumpWriter::BeginArray(std::string_view key) { Begin(key, true); }
void DumpWriter::EndArray() { End(); }

void DumpWriter::Value(std::string_view key, const std::string& textValue) {
  Key(key);
  out_ += levels_.back().array ? " " : ": ";
  out_ += textValue + "\n";
}

void DumpWriter::String(std::string_view key, std::string_view value) {
  if (json_)
    Put(key, JsonText(value));
  else
    Value(key, std::string(value));
}

void DumpWriter::Int(std::string_view key, int64_t value) {
  if (json_)
    Put(key, value);
  else
    Value(key, std::to_string(value));
}

void DumpWriter::Bool(std::string_view key, bool value) {
  if (json_)
    Put(key, value);
  else
    Value(key, value ? "yes" : "no");
}

void DumpWriter::Float(std::string_view key, double value) {
  // Six significant digits in both forms; JSON has no NaN or infinity.
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  if (!json_) {
    Value(key, text);
    return;
  }
  bool finite = value == value && value - value == 0;
  Put(key, finite ? Json(std::strtod(text, nullptr)) : Json(nullptr));
}

void DumpWriter::Hex(std::string_view key, uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  if (json_)
    Put(key, text);
  else
    Value(key, text);
}

void DumpWriter::Null(std::string_view key) {
  if (json_)
    Put(key, nullptr);
  else
    Value(key, "-");
}

std::string DumpWriter::Take() {
  std::string text;
  if (json_) {
    if (document_) text = PrintedJson(*document_);
    document_.reset();
    open_.clear();
  } else {
    text = std::move(out_);
    out_.clear();
    levels_.clear();
  }
  return text;
}
