#pragma once
// The evaluator of a configuration file: named numeric constants and a small arithmetic
// expression language, used by `enum`, `__EVAL` and `__EXEC` in text files, by texts read
// as numbers, and stored as the enum table of binary files.
//
//   statements := statement { ';' statement }
//   statement  := [ name '=' ] expression          (an assignment sets a constant)
//   expression := term { ('+' | '-') term }
//   term       := unary { ('*' | '/' | '%') unary }
//   unary      := ('-' | '+') unary | primary
//   primary    := number | name | '(' expression ')'
//
// Numbers are decimal (with fraction and exponent) or "0x" hexadecimal. Names are
// constants (compared without regard to letter case) and the built-ins true (1) and
// false (0). Errors (syntax, an unknown name, division by zero, nesting deeper than
// kMaxDepth) are reported as "Expression error: %s in '%s'" and give 0.
#include <string_view>
#include <unordered_map>
#include <vector>

#include "el/qstream/basic_types.h"

class ParamEvaluator {
 public:
  static constexpr int kMaxDepth = 256;

  // The value of an expression; false (value 0) after an error.
  bool Evaluate(std::string_view text, double& value) const;
  double Evaluate(std::string_view text) const;
  // The value of an expression as text: an integral value within the 32-bit range as an
  // integer, other values with nine significant digits.
  RString EvaluateToText(std::string_view text) const;
  // Runs statements (assignments set constants).
  void Execute(std::string_view text);

  // Named constants, kept as floats, in the order they were first set.
  void SetConstant(std::string_view name, float value);
  bool GetConstant(std::string_view name, float& value) const;
  const std::vector<std::pair<RString, float>>& Constants() const { return constants_; }
  void Clear();

 private:
  class Parser;

  std::vector<std::pair<RString, float>> constants_;
  std::unordered_map<RString, size_t> index_;  // lower-case name -> position in constants_
};

// Formats `value` the way EvaluateToText does.
RString FormatEvaluatedNumber(double value);
