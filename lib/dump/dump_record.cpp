#include "lib/dump/dump_record.h"

#include <cstdio>

DumpRecord& DumpRecord::Raw(std::string_view key, DumpJson jsonValue, const std::string& textValue) {
  if (json_)
    object_[std::string(key)] = std::move(jsonValue);
  else
    text_ += Indent() + std::string(key) + ": " + textValue + "\n";
  return *this;
}

DumpRecord& DumpRecord::Int(std::string_view key, int64_t value) { return Raw(key, value, std::to_string(value)); }

DumpRecord& DumpRecord::Flags(std::string_view key, uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return Raw(key, value, text);
}

DumpRecord& DumpRecord::Float(std::string_view key, float value) {
  return Raw(key, JsonFloat(value), ShortestFloatText(value));
}

DumpRecord& DumpRecord::Bool(std::string_view key, bool value) { return Raw(key, value, value ? "yes" : "no"); }

DumpRecord& DumpRecord::Str(std::string_view key, std::string_view value) {
  return Raw(key, JsonText(value), std::string(value));
}

DumpRecord& DumpRecord::Vector(std::string_view key, const Vector3& v) {
  return Raw(key, JsonVector(v), ShortestFloatText(v.x) + " " + ShortestFloatText(v.y) + " " + ShortestFloatText(v.z));
}

DumpRecord& DumpRecord::Strings(std::string_view key, const std::vector<std::string>& values) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) text += (i ? ", " : "") + values[i];
  return Raw(key, JsonTexts(values), text);
}

DumpRecord& DumpRecord::Nested(std::string_view key, const DumpRecord& record) {
  if (json_) return Raw(key, record.object_, {});
  text_ += Indent() + std::string(key) + ": \n" + record.text_;
  return *this;
}

DumpRecord& DumpRecord::List(std::string_view key, const std::vector<DumpRecord>& items, std::string_view itemTitle) {
  if (json_) {
    DumpJson array = DumpJson::array();
    for (const DumpRecord& item : items) array.push_back(item.object_);
    return Raw(key, std::move(array), {});
  }
  text_ += Indent() + std::string(key) + ": " + std::to_string(items.size()) + "\n";
  for (size_t i = 0; i < items.size(); ++i)
    text_ += Indent(2) + std::string(itemTitle) + " " + std::to_string(i) + ":\n" + items[i].text_;
  return *this;
}
