// Array elements, array entries and the value-entry factories.
#include "el/paramfile/param_values.h"

#include <unordered_map>
#include <vector>

#include "el/appframe/app_frame.h"

// --- ParamArrayValueArray.

ParamArrayValueArray::ParamArrayValueArray() = default;
ParamArrayValueArray::ParamArrayValueArray(ParamArrayItems items) : items_(std::move(items)) {}
ParamArrayValueArray::ParamArrayValueArray(const ParamArrayValueArray& other) = default;
ParamArrayValueArray& ParamArrayValueArray::operator=(const ParamArrayValueArray& other) = default;
ParamArrayValueArray::ParamArrayValueArray(ParamArrayValueArray&& other) noexcept = default;
ParamArrayValueArray& ParamArrayValueArray::operator=(ParamArrayValueArray&& other) noexcept = default;
ParamArrayValueArray::~ParamArrayValueArray() = default;

// --- IParamArrayValue.

ParamValueType IParamArrayValue::GetValueType() const {
  return std::visit([](const auto& value) { return std::decay_t<decltype(value)>::kType; }, value_);
}

RString IParamArrayValue::GetValue(const ParamFile* file) const {
  if (IsArrayValue()) return RString();
  return std::visit(
      [file](const auto& value) -> RString {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, ParamArrayValueArray>)
          return RString();
        else
          return value.GetString(file);
      },
      value_);
}

float IParamArrayValue::GetFloat(const ParamFile* file) const {
  return std::visit(
      [file](const auto& value) -> float {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, ParamArrayValueArray>)
          return 0.0f;
        else
          return value.GetFloat(file);
      },
      value_);
}

int IParamArrayValue::GetInt(const ParamFile* file) const {
  return std::visit(
      [file](const auto& value) -> int {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, ParamArrayValueArray>)
          return 0;
        else
          return value.GetInt(file);
      },
      value_);
}

int64_t IParamArrayValue::GetInt64(const ParamFile* file) const {
  return std::visit(
      [file](const auto& value) -> int64_t {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, ParamArrayValueArray>)
          return 0;
        else
          return value.GetInt64(file);
      },
      value_);
}

RString IParamArrayValue::GetText() const {
  if (const auto* expression = std::get_if<ParamRawValueExpression>(&value_)) return expression->value.Str();
  return GetValue();
}

const ParamArrayItems* IParamArrayValue::GetItems() const {
  const auto* nested = std::get_if<ParamArrayValueArray>(&value_);
  return nested ? &nested->Items() : nullptr;
}

ParamArrayItems* IParamArrayValue::GetItems() {
  auto* nested = std::get_if<ParamArrayValueArray>(&value_);
  return nested ? &nested->Items() : nullptr;
}

namespace {

// The value of a numeric element as a double (false for other kinds).
bool NumericValue(const IParamArrayValue::Storage& value, double& number) {
  if (const auto* f = std::get_if<ParamRawValueFloat>(&value)) {
    number = f->value;
    return true;
  }
  if (const auto* i = std::get_if<ParamRawValueInt>(&value)) {
    number = i->value;
    return true;
  }
  if (const auto* l = std::get_if<ParamRawValueInt64>(&value)) {
    number = static_cast<double>(l->value);
    return true;
  }
  return false;
}

// Elements that merging may add or remove: strings, floats and integers.
bool IsMergeable(const IParamArrayValue& value) {
  ParamValueType type = value.GetValueType();
  return type == ParamValueType::String || type == ParamValueType::Float || type == ParamValueType::Int ||
         type == ParamValueType::Int64;
}

}  // namespace

bool IParamArrayValue::IsEqualTo(const IParamArrayValue& other) const {
  const auto* text = std::get_if<ParamRawValue>(&value_);
  const auto* otherText = std::get_if<ParamRawValue>(&other.value_);
  if (text || otherText) return text && otherText && text->value == otherText->value;
  double a = 0, b = 0;
  return NumericValue(value_, a) && NumericValue(other.value_, b) && a == b;
}

// --- ParamArray.

void ParamArray::AppendFrom(const ParamArrayItems& from) {
  for (const IParamArrayValue& value : from) {
    if (!IsMergeable(value)) {
      ErrorMessage("Attempted to add unsupported type %d with value '%s' to array '%s'",
                   static_cast<int>(value.GetValueType()), value.GetText().c_str(), name_.c_str());
      continue;
    }
    items_.push_back(value);
  }
}

void ParamArray::RemoveFrom(const ParamArrayItems& from) {
  // Where each string and each number stands, first occurrence first, so that removing
  // many elements from a long array stays linear.
  struct Positions {
    std::vector<size_t> at;
    size_t next = 0;
  };
  std::unordered_map<std::string_view, Positions> texts;
  std::unordered_map<double, Positions> numbers;
  for (size_t i = 0; i < items_.size(); ++i) {
    double number = 0;
    if (const auto* text = std::get_if<ParamRawValue>(&items_[i].GetStorage()))
      texts[text->value.View()].at.push_back(i);
    else if (NumericValue(items_[i].GetStorage(), number) && number == number)
      numbers[number].at.push_back(i);
  }
  std::vector<bool> removed(items_.size(), false);
  size_t removedCount = 0;
  for (const IParamArrayValue& value : from) {
    if (!IsMergeable(value)) {
      ErrorMessage("Attempted to remove unsupported type %d with value '%s' to array '%s'",
                   static_cast<int>(value.GetValueType()), value.GetText().c_str(), name_.c_str());
      continue;
    }
    Positions* positions = nullptr;
    double number = 0;
    if (const auto* text = std::get_if<ParamRawValue>(&value.GetStorage())) {
      auto found = texts.find(text->value.View());
      if (found != texts.end()) positions = &found->second;
    } else if (NumericValue(value.GetStorage(), number)) {
      auto found = numbers.find(number);
      if (found != numbers.end()) positions = &found->second;
    }
    if (!positions || positions->next == positions->at.size()) {
      ErrorMessage("Failed to remove array entry '%s' from '%s'", value.GetText().c_str(), name_.c_str());
      continue;
    }
    removed[positions->at[positions->next++]] = true;
    ++removedCount;
  }
  if (removedCount == 0) return;
  ParamArrayItems kept;
  kept.reserve(items_.size() - removedCount);
  for (size_t i = 0; i < items_.size(); ++i)
    if (!removed[i]) kept.push_back(std::move(items_[i]));
  items_ = std::move(kept);
}

std::unique_ptr<ParamEntry> ParamArray::Clone() const {
  auto copy = std::make_unique<ParamArray>(name_, flags_);
  copy->items_ = items_;
  return copy;
}

// --- Factories.

std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, std::string_view text) {
  return std::make_unique<ParamValueString>(std::move(name), ParamRawValue{ParamString(text)});
}

std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, ParamString text) {
  return std::make_unique<ParamValueString>(std::move(name), ParamRawValue{std::move(text)});
}

std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, float value) {
  return std::make_unique<ParamValueFloat>(std::move(name), ParamRawValueFloat{value});
}

std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, int32_t value) {
  return std::make_unique<ParamValueInt>(std::move(name), ParamRawValueInt{value});
}

std::unique_ptr<ParamEntry> MakeParamValue(ParamString name, int64_t value) {
  return std::make_unique<ParamValueInt64>(std::move(name), ParamRawValueInt64{value});
}

std::unique_ptr<ParamEntry> MakeParamExpression(ParamString name, std::string_view text) {
  return std::make_unique<ParamValueExpression>(std::move(name), ParamRawValueExpression{ParamString(text)});
}
