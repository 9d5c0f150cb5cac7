#pragma once
// Number recognition for unquoted configuration values.
//
//   32-bit integer: a decimal integer (optional sign) within the 32-bit range, or "0x"
//                   and hexadecimal digits (taken modulo 2^32);
//   64-bit integer: a decimal integer within the 64-bit range;
//   float:          what the standard string-to-double conversion reads (single precision):
//                   a decimal number with optional fraction and exponent, an infinity or
//                   NaN ("inf", "-nan"), a hexadecimal float ("0x1p3", "0X1F");
//                   or "db" and a number d, a decibel level read as the amplitude
//                   10^(d * 0.05) ("invalid db value %s" when characters follow the number).
// The whole text must match; anything else stays a string.
#include <cstdint>
#include <string_view>

bool ParseParamInt32(std::string_view text, int32_t& value);
bool ParseParamInt64(std::string_view text, int64_t& value);
bool ParseParamFloat(std::string_view text, float& value);

enum class ParamNumberKind : uint8_t { None, Int, Int64, Float };

struct ParamNumber {
  ParamNumberKind kind = ParamNumberKind::None;
  int32_t intValue = 0;
  int64_t int64Value = 0;
  float floatValue = 0;
};

// The general paths of the two below, for the texts the quick one refuses.
ParamNumber RecognizeOtherValueNumber(std::string_view text);
ParamNumber RecognizeOtherElementNumber(std::string_view text);

// The quick recognition of the common numbers, inline: it is the whole work for most
// values and elements.
namespace param_numbers {

// Reads the decimal digits from `p` on into `whole` (times ten per digit, wrapping past
// 2^64); returns where they stop. Two digits a round: numbers are short, and the loop
// test is most of the cost of a digit.
inline const char* TakeDigits(const char* p, const char* end, uint64_t& whole) {
  uint64_t value = whole;
  for (; end - p >= 2; p += 2) {
    const unsigned first = static_cast<unsigned char>(p[0]) - unsigned{'0'};
    const unsigned second = static_cast<unsigned char>(p[1]) - unsigned{'0'};
    if (first > 9) break;
    if (second > 9) {
      whole = value * 10 + first;
      return p + 1;
    }
    value = value * 100 + first * 10 + second;
  }
  if (p < end) {
    const unsigned last = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (last <= 9) {
      value = value * 10 + last;
      ++p;
    }
  }
  whole = value;
  return p;
}

// The common numbers in one pass: a sign, at most 15 digits and at most one point, and
// nothing else. `kind` is Int for a whole number in the 32-bit range, Int64 for a whole
// number beyond it, Float for one with a point; false for any other text, which then
// takes the general path. The values are those of the general path: ParseDecimal's, and
// ConvertShortDecimal's arithmetic for the floats.
inline bool RecognizeShortNumber(std::string_view text, ParamNumber& number) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = text.data();
  const char* end = p + text.size();
  if (p == end) return false;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  // The whole digits, then a point and the fraction digits. Past 15 digits the sum may
  // wrap; the text is refused then.
  uint64_t whole = 0;
  const char* first = p;
  p = TakeDigits(p, end, whole);
  size_t digits = static_cast<size_t>(p - first);
  const bool point = p < end && *p == '.';
  size_t fraction = 0;  // digits after the point
  if (point) {
    first = ++p;
    p = TakeDigits(p, end, whole);
    fraction = static_cast<size_t>(p - first);
    digits += fraction;
  }
  if (p != end || digits == 0 || digits > 15) return false;
  if (!point) {
    const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
    if (whole <= limit) {
      number.kind = ParamNumberKind::Int;
      number.intValue = static_cast<int32_t>(negative ? uint64_t{0} - whole : whole);
    } else {
      number.kind = ParamNumberKind::Int64;
      number.int64Value = negative ? -static_cast<int64_t>(whole) : static_cast<int64_t>(whole);
    }
    return true;
  }
  double value = static_cast<double>(whole);
  if (fraction > 0) value /= kPowersOfTen[fraction];
  if (negative) value = -value;
  number.kind = ParamNumberKind::Float;
  number.floatValue = static_cast<float>(value);
  return true;
}

}  // namespace param_numbers

// A member value: 32-bit integer, else 64-bit integer, else float.
inline ParamNumber RecognizeValueNumber(std::string_view text) {
  ParamNumber number;
  if (param_numbers::RecognizeShortNumber(text, number)) return number;
  return RecognizeOtherValueNumber(text);
}

// An array element: 32-bit integer, else float (arrays hold no 64-bit integers).
inline ParamNumber RecognizeElementNumber(std::string_view text) {
  ParamNumber number;
  if (param_numbers::RecognizeShortNumber(text, number)) {
    // A whole number beyond 32 bits is a float, as the general path reads it.
    if (number.kind == ParamNumberKind::Int64) {
      number.kind = ParamNumberKind::Float;
      number.floatValue = static_cast<float>(static_cast<double>(number.int64Value));
    }
    return number;
  }
  return RecognizeOtherElementNumber(text);
}

// `value` rounded to the nearest integer (halves to even), saturated to the int range;
// NaN gives 0.
int RoundToInt(double value);
