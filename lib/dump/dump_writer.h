#pragma once
// Builds the text of a dump as indented "key: value" lines or as JSON, from the same
// calls, so that both forms always hold the same facts. The JSON form is a document of
// nlohmann-json, printed as every JSON dump is (lib/dump/dump_json.h).
#include <cstdint>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <vector>

class DumpWriter {
 public:
  explicit DumpWriter(bool json);
  ~DumpWriter();
  DumpWriter(const DumpWriter&) = delete;
  DumpWriter& operator=(const DumpWriter&) = delete;

  // Objects and arrays; `key` is ignored (and may be empty) for elements of an array and
  // for the outermost object.
  void BeginObject(std::string_view key = {});
  void EndObject();
  void BeginArray(std::string_view key);
  void EndArray();

  void String(std::string_view key, std::string_view value);
  void Int(std::string_view key, int64_t value);
  void Bool(std::string_view key, bool value);
  void Float(std::string_view key, double value);
  // A 32-bit value as "0x" and 8 hexadecimal digits (a string in JSON).
  void Hex(std::string_view key, uint32_t value);
  // A JSON null; "-" in text.
  void Null(std::string_view key);

  // The finished text, ending in a new line.
  std::string Take();

 private:
  struct Level {
    bool array = false;
    int items = 0;
  };
  void Begin(std::string_view key, bool array);
  void End();
  // Text form.
  void Key(std::string_view key);
  void Value(std::string_view key, const std::string& textValue);
  void Indent();
  // JSON form: `value` in the open object under `key`, or appended to the open array;
  // the outermost value when nothing is open. Returns where it was put.
  nlohmann::ordered_json& Put(std::string_view key, nlohmann::ordered_json value);

  bool json_;
  std::string out_;
  std::vector<Level> levels_;
  std::unique_ptr<nlohmann::ordered_json> document_;
  // The open objects and arrays, innermost last. Only the innermost one grows, so the
  // pointers to the ones around it stay valid.
  std::vector<nlohmann::ordered_json*> open_;
};
