#pragma once
// Values of the configuration tree: the raw value kinds, value entries, array elements
// and array entries.
//
// A raw value is one of string, float, 32-bit integer, 64-bit integer or expression (a
// text evaluated when it is read). A value entry (`ParamValueSpec<Raw>`) holds one; an
// array element (`IParamArrayValue`) holds one of them or a nested array. Elements are
// stored by value, 16 bytes each, since arrays of numbers are the bulk of large files.
//
// Reading converts between kinds. A text read as a number is recognised as an integer or
// a float by the parser's rules; failing that it is evaluated by the file's evaluator
// ("Cannot evaluate '%s' - no file" without one).
#include <memory>
#include <variant>
#include <vector>

#include "el/paramfile/param_compact_vector.h"
#include "el/paramfile/param_entry.h"

struct ParamRawValue {
  static constexpr ParamValueType kType = ParamValueType::String;
  ParamString value;

  RString GetString(const ParamFile* file) const { return value.Str(); }
  float GetFloat(const ParamFile* file) const;
  int GetInt(const ParamFile* file) const;
  int64_t GetInt64(const ParamFile* file) const;
};

struct ParamRawValueFloat {
  static constexpr ParamValueType kType = ParamValueType::Float;
  float value = 0;

  RString GetString(const ParamFile* file) const;
  float GetFloat(const ParamFile* file) const { return value; }
  int GetInt(const ParamFile* file) const;
  int64_t GetInt64(const ParamFile* file) const;
};

struct ParamRawValueInt {
  static constexpr ParamValueType kType = ParamValueType::Int;
  int32_t value = 0;

  RString GetString(const ParamFile* file) const;
  float GetFloat(const ParamFile* file) const { return static_cast<float>(value); }
  int GetInt(const ParamFile* file) const { return value; }
  int64_t GetInt64(const ParamFile* file) const { return value; }
};

struct ParamRawValueInt64 {
  static constexpr ParamValueType kType = ParamValueType::Int64;
  int64_t value = 0;

  RString GetString(const ParamFile* file) const;
  float GetFloat(const ParamFile* file) const { return static_cast<float>(value); }
  int GetInt(const ParamFile* file) const;
  int64_t GetInt64(const ParamFile* file) const { return value; }
};

struct ParamRawValueExpression {
  static constexpr ParamValueType kType = ParamValueType::Expression;
  ParamString value;  // the expression text

  // The evaluated result (as text or as a number).
  RString GetString(const ParamFile* file) const;
  float GetFloat(const ParamFile* file) const;
  int GetInt(const ParamFile* file) const;
  int64_t GetInt64(const ParamFile* file) const { return GetInt(file); }
};

// The file whose evaluator serves entries held by `holder` (null when there is none).
const ParamFile* ParamFileOf(const ParamClass* holder);

// A value entry.
template <class Raw>
class ParamValueSpec final : public ParamEntry {
 public:
  ParamValueSpec(ParamString name, Raw raw) : ParamEntry(std::move(name)), raw_(std::move(raw)) {}

  bool IsValue() const override { return true; }
  bool IsExpression() const override { return Raw::kType == ParamValueType::Expression; }
  ParamValueType GetValueType() const override { return Raw::kType; }

  RString GetValue(const ParamClass* holder) const override { return raw_.GetString(ParamFileOf(holder)); }
  float GetFloat(const ParamClass* holder) const override { return raw_.GetFloat(ParamFileOf(holder)); }
  int GetInt(const ParamClass* holder) const override { return raw_.GetInt(ParamFileOf(holder)); }
  int64_t GetInt64(const ParamClass* holder) const override { return raw_.GetInt64(ParamFileOf(holder)); }

  const Raw& GetRaw() const { return raw_; }

  std::unique_ptr<ParamEntry> Clone() const override { return std::make_unique<ParamValueSpec>(name_, raw_); }
  void SaveText(QOStream& out, int indent) const override;

 private:
  Raw raw_;
};

// An element holds a pooled string block, a number or a nested list's block pointer, so
// element lists move their elements by copying bytes.
template <>
struct ParamBytewiseMovable<IParamArrayValue> : std::true_type {};
using ParamArrayItems = ParamCompactVector<IParamArrayValue>;

// A nested array element: its own element list.
class ParamArrayValueArray {
 public:
  static constexpr ParamValueType kType = ParamValueType::Array;
  ParamArrayValueArray();
  explicit ParamArrayValueArray(ParamArrayItems items);
  ParamArrayValueArray(const ParamArrayValueArray& other);
  ParamArrayValueArray& operator=(const ParamArrayValueArray& other);
  ParamArrayValueArray(ParamArrayValueArray&& other) noexcept;
  ParamArrayValueArray& operator=(ParamArrayValueArray&& other) noexcept;
  ~ParamArrayValueArray();

  ParamArrayItems& Items() { return items_; }
  const ParamArrayItems& Items() const { return items_; }

 private:
  ParamArrayItems items_;
};

// One element of an array: a raw value or a nested array.
class IParamArrayValue {
 public:
  using Storage = std::variant<ParamRawValue, ParamRawValueFloat, ParamRawValueInt, ParamRawValueInt64,
                               ParamRawValueExpression, ParamArrayValueArray>;

  IParamArrayValue() : value_(ParamRawValue{}) {}
  template <class T>
  explicit IParamArrayValue(T value) : value_(std::move(value)) {}

  static IParamArrayValue String(std::string_view text) { return IParamArrayValue(ParamRawValue{ParamString(text)}); }
  static IParamArrayValue String(ParamString text) { return IParamArrayValue(ParamRawValue{std::move(text)}); }
  static IParamArrayValue Float(float value) { return IParamArrayValue(ParamRawValueFloat{value}); }
  static IParamArrayValue Int(int32_t value) { return IParamArrayValue(ParamRawValueInt{value}); }
  static IParamArrayValue Int64(int64_t value) { return IParamArrayValue(ParamRawValueInt64{value}); }
  static IParamArrayValue Expression(std::string_view text) {
    return IParamArrayValue(ParamRawValueExpression{ParamString(text)});
  }

  ParamValueType GetValueType() const;
  bool IsArrayValue() const { return std::holds_alternative<ParamArrayValueArray>(value_); }

  // Conversions as for value entries; `file` evaluates texts. A nested array reads as
  // an empty value.
  RString GetValue(const ParamFile* file = nullptr) const;
  float GetFloat(const ParamFile* file = nullptr) const;
  int GetInt(const ParamFile* file = nullptr) const;
  int64_t GetInt64(const ParamFile* file = nullptr) const;

  // The text of a string or expression (unevaluated), a number formatted, or "" for a
  // nested array; for messages and saving.
  RString GetText() const;

  // A nested array's elements (null for other elements).
  const ParamArrayItems* GetItems() const;
  ParamArrayItems* GetItems();
  const Storage& GetStorage() const { return value_; }

  // The comparison used by array removal: strings by text, numbers by value.
  bool IsEqualTo(const IParamArrayValue& other) const;

 private:
  Storage value_;
};

// Array operations: a plain assignment, or an append ("[]+=") or remove ("[]-=") that is
// applied when configurations are merged.
enum ParamArrayFlags : uint8_t { kParamArrayAppend = 1, kParamArrayRemove = 2 };

class ParamArray final : public ParamEntry {
 public:
  // The most elements one parse or load copies out of inherited arrays (appends applied
  // at once); beyond it an append is left to the merge, so that a small file cannot make
  // a huge tree by appending to a long inherited array many times.
  static constexpr size_t kMaxInheritedElements = size_t{1} << 22;

  explicit ParamArray(ParamString name, uint8_t flags = 0) : ParamEntry(std::move(name)), flags_(flags) {}

  bool IsArray() const override { return true; }
  ParamArray* GetArrayInterface() override { return this; }

  uint8_t GetFlags() const { return flags_; }
  void SetFlags(uint8_t flags) { flags_ = flags; }

  int GetSize() const { return static_cast<int>(items_.size()); }
  const IParamArrayValue& operator[](int index) const { return items_[static_cast<size_t>(index)]; }
  ParamArrayItems& Items() { return items_; }
  const ParamArrayItems& Items() const { return items_; }

  void AddValue(IParamArrayValue value) { items_.push_back(std::move(value)); }
  void Clear() { items_.clear(); }

  // Appends the string, float and integer elements of `from`; other kinds report
  // "Attempted to add unsupported type %d with value '%s' to array '%s'".
  void AppendFrom(const ParamArrayItems& from);
  // Removes one element equal to each element of `from`; reports "Failed to remove array
  // entry '%s' from '%s'" for an element not found and "Attempted to remove unsupported
  // type %d with value '%s' to array '%s'" for other kinds.
  void RemoveFrom(const ParamArrayItems& from);

  std::unique_ptr<ParamEntry> Clone() const override;
  void SaveText(QOStream& out, int indent) const override;

 private:
  ParamArrayItems items_;
  uint8_t flags_ = 0;
};

using ParamValueString = ParamValueSpec<ParamRawValue>;
using ParamValueFloat = ParamValueSpec<ParamRawValueFloat>;
using ParamValueInt = ParamValueSpec<ParamRawValueInt>;
using ParamValueInt64 = ParamValueSpec<ParamRawValueInt64>;
using ParamValueExpression = ParamValueSpec<ParamRawValueExpression>;

// A new value entry of the given kind.
std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, std::string_view text);
std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, ParamString text);
std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, float value);
std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, int32_t value);
std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, int64_t value);
std::unique_ptr<ParamEntry> MakeParamExpression(ParamString name, std::string_view text);
