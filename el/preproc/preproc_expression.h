#pragma once
// The integer constant expressions of #if and #elif, after macro expansion.
//
// The form is C's: decimal, octal and hexadecimal literals (with optional u and l
// suffixes, which change nothing), parentheses, the unary operators ! ~ - +, the binary
// operators * / % + - << >> < <= > >= == != & ^ | && || and ?:, with C's precedence.
// Values are 64-bit integers that wrap around; any identifier left after expansion counts
// as 0. The parts of && || and ?: that are not taken are checked for form but not for
// division by zero.
//
// Safe on untrusted input: recursion is bounded and no operation can overflow.
#include <string>
#include <string_view>

struct PreprocExpressionResult {
  bool ok = false;
  long long value = 0;
  std::string problem;  // what is wrong, when not ok
};

PreprocExpressionResult EvaluatePreprocExpression(std::string_view text);
