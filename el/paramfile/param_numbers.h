#pragma once
// Number recognition for unquoted configuration values.
//
//   32-bit integer: a decimal integer (optional sign) within the 32-bit range, or "0x"
//                   and hexadecimal digits (taken modulo 2^32);
//   64-bit integer: a decimal integer within the 64-bit range;
//   float:          a decimal number with optional fraction and exponent (single precision),
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

// A member value: 32-bit integer, else 64-bit integer, else float.
ParamNumber RecognizeValueNumber(std::string_view text);
// An array element: 32-bit integer, else float (arrays hold no 64-bit integers).
ParamNumber RecognizeElementNumber(std::string_view text);

// `value` rounded to the nearest integer (halves to even), saturated to the int range;
// NaN gives 0.
int RoundToInt(double value);
