#pragma once
// One record of a dump, built by the same calls as indented "key: value" lines or as a
// JSON object with the same keys. Lists of records are numbered blocks in text
// ("sections: 2", "  section 0:", ...) and arrays of objects in JSON.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "el/qstream/vector3.h"
#include "lib/dump/dump_json.h"

class DumpRecord {
 public:
  // `indent`: the spaces before each line of the text form.
  DumpRecord(bool json, int indent) : json_(json), indent_(indent) {}

  // A value given in both forms.
  DumpRecord& Raw(std::string_view key, DumpJson jsonValue, const std::string& textValue);
  DumpRecord& Int(std::string_view key, int64_t value);
  // Flags: a number in JSON, "0x" and 8 hexadecimal digits in text.
  DumpRecord& Flags(std::string_view key, uint32_t value);
  DumpRecord& Float(std::string_view key, float value);
  DumpRecord& Bool(std::string_view key, bool value);
  DumpRecord& Str(std::string_view key, std::string_view value);
  // Three floats: an array in JSON, separated by spaces in text.
  DumpRecord& Vector(std::string_view key, const Vector3& v);
  // An array in JSON, separated by ", " in text.
  DumpRecord& Strings(std::string_view key, const std::vector<std::string>& values);
  // A record inside this one: its lines follow the key's line.
  DumpRecord& Nested(std::string_view key, const DumpRecord& record);
  // Records under one key; `itemTitle` names each block of the text form.
  DumpRecord& List(std::string_view key, const std::vector<DumpRecord>& items, std::string_view itemTitle);

  bool IsJson() const { return json_; }
  const DumpJson& Json() const { return object_; }
  const std::string& Text() const { return text_; }
  // The finished dump: the lines, or the printed JSON document.
  std::string Printed() const { return json_ ? PrintedJson(object_) : text_; }

 private:
  std::string Indent(int more = 0) const { return std::string(static_cast<size_t>(indent_ + more), ' '); }

  bool json_;
  int indent_;
  DumpJson object_ = DumpJson::object();
  std::string text_;
};
