#include "el/paramfile/param_numbers.h"

#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "el/appframe/app_frame.h"

namespace {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decimal integer with an optional sign; false when out of [min, max] or not an integer.
template <class T>
bool ParseDecimal(std::string_view text, T& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  using U = std::make_unsigned_t<T>;
  const U limit = negative ? U(std::numeric_limits<T>::max()) + 1 : U(std::numeric_limits<T>::max());
  U result = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    U digit = static_cast<U>(text[i] - '0');
    if (result > (limit - digit) / 10) return false;
    result = result * 10 + digit;
  }
  value = negative ? static_cast<T>(U(0) - result) : static_cast<T>(result);
  return true;
}

// Length of the longest prefix of `text` that is a decimal number: sign, digits, optional
// fraction, optional exponent; 0 when there are no digits.
size_t DecimalNumberLength(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t e = i + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    if (e < text.size() && IsDigit(text[e])) {
      while (e < text.size() && IsDigit(text[e])) ++e;
      i = e;
    }
  }
  return i;
}

// The value of a plain decimal (sign, digits, optional fraction, no exponent) of at most
// 15 digits: the digits as one whole number, exact in a double, divided by an exact power
// of ten. One correctly rounded division gives the nearest double, as the general
// conversion does; false for any other text.
bool ConvertShortDecimal(std::string_view number, double& value) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  const bool negative = !number.empty() && number[0] == '-';
  if (!number.empty() && (number[0] == '-' || number[0] == '+')) ++i;
  uint64_t whole = 0;
  int digits = 0;
  int fraction = -1;  // digits after the point; -1 before it
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c == '.' && fraction < 0) {
      fraction = 0;
      continue;
    }
    if (!IsDigit(c) || ++digits > 15) return false;
    whole = whole * 10 + static_cast<uint64_t>(c - '0');
    if (fraction >= 0) ++fraction;
  }
  if (digits == 0) return false;
  value = static_cast<double>(whole);
  if (fraction > 0) value /= kPowersOfTen[fraction];
  if (negative) value = -value;
  return true;
}

// Converts a text that DecimalNumberLength accepted in full.
double ConvertDecimal(std::string_view number) {
  double quick = 0;
  if (ConvertShortDecimal(number, quick)) return quick;
  std::string_view digits = number;
  if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
  double value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error == std::errc() && end == digits.data() + digits.size()) return value;
  // Out of the double range: the standard conversion gives infinity or zero.
  std::string copy(number);
  return std::strtod(copy.c_str(), nullptr);
}

// The forms of the standard conversion beyond plain decimals: infinity, NaN and hexadecimal
// floats ("inf", "-nan", "0x1p3", "0X1F"), accepted when they make up the whole text.
bool ParseOtherFloat(std::string_view text, float& value) {
  std::string_view rest = text.substr(text[0] == '+' || text[0] == '-' ? 1 : 0);
  if (rest.empty() || std::string_view("0iInN").find(rest[0]) == std::string_view::npos) return false;
  std::string copy(text);
  char* end = nullptr;
  double converted = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size()) return false;
  value = static_cast<float>(converted);
  return true;
}

}  // namespace

bool ParseParamInt32(std::string_view text, int32_t& value) {
  if (text.size() > 2 && text[0] == '0' && text[1] == 'x') {
    uint32_t result = 0;
    for (size_t i = 2; i < text.size(); ++i) {
      int digit = HexDigit(text[i]);
      if (digit < 0) return false;
      result = (result << 4) | static_cast<uint32_t>(digit);
    }
    value = static_cast<int32_t>(result);
    return true;
  }
  return ParseDecimal(text, value);
}

bool ParseParamInt64(std::string_view text, int64_t& value) { return ParseDecimal(text, value); }

bool ParseParamFloat(std::string_view text, float& value) {
  if (text.size() > 2 && text[0] == 'd' && text[1] == 'b') {
    std::string_view rest = text.substr(2);
    size_t length = DecimalNumberLength(rest);
    if (length == 0) return false;
    if (length < rest.size()) {
      std::string shown(text);
      LogMessage("invalid db value %s", shown.c_str());
    }
    value = static_cast<float>(std::pow(10.0, ConvertDecimal(rest.substr(0, length)) * 0.05));
    return true;
  }
  if (text.empty()) return false;
  if (DecimalNumberLength(text) == text.size()) {
    value = static_cast<float>(ConvertDecimal(text));
    return true;
  }
  return ParseOtherFloat(text, value);
}

ParamNumber RecognizeOtherValueNumber(std::string_view text) {
  ParamNumber number;
  if (ParseParamInt32(text, number.intValue))
    number.kind = ParamNumberKind::Int;
  else if (ParseParamInt64(text, number.int64Value))
    number.kind = ParamNumberKind::Int64;
  else if (ParseParamFloat(text, number.floatValue))
    number.kind = ParamNumberKind::Float;
  return number;
}

ParamNumber RecognizeOtherElementNumber(std::string_view text) {
  ParamNumber number;
  if (ParseParamInt32(text, number.intValue))
    number.kind = ParamNumberKind::Int;
  else if (ParseParamFloat(text, number.floatValue))
    number.kind = ParamNumberKind::Float;
  return number;
}

int RoundToInt(double value) {
  if (std::isnan(value)) return 0;
  double rounded = std::nearbyint(value);
  if (rounded >= 2147483647.0) return std::numeric_limits<int>::max();
  if (rounded <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(rounded);
}
