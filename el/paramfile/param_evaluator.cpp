#include "el/paramfile/param_evaluator.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "el/appframe/app_frame.h"

namespace {

RString LowerCase(std::string_view name) {
  RString lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  return lower;
}

inline bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
inline bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

// Recursive descent over one text; the first error stops it.
class ParamEvaluator::Parser {
 public:
  Parser(const ParamEvaluator& evaluator, std::string_view text) : evaluator_(evaluator), text_(text) {}

  // statements; `assign` receives assignments (null: assignments are errors).
  double Run(ParamEvaluator* assign) {
    double last = 0;
    for (;;) {
      SkipBlanks();
      if (AtEnd()) break;
      if (Peek() == ';') {
        ++pos_;
        continue;
      }
      size_t start = pos_;
      std::string_view name = Name();
      SkipBlanks();
      if (!name.empty() && Peek() == '=' && assign) {
        ++pos_;
        double value = Expression(0);
        if (failed_) return 0;
        assign->SetConstant(name, static_cast<float>(value));
        last = value;
      } else {
        pos_ = start;
        last = Expression(0);
        if (failed_) return 0;
      }
      SkipBlanks();
      if (AtEnd()) break;
      if (Peek() != ';' || !assign) return Fail("unexpected character");
    }
    return last;
  }

  bool Failed() const { return failed_; }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(text_[pos_])) ++pos_;
  }

  double Fail(const char* what) {
    if (!failed_) {
      failed_ = true;
      RString shown(text_);
      ErrorMessage("Expression error: %s in '%s'", what, shown.c_str());
    }
    return 0;
  }

  std::string_view Name() {
    size_t start = pos_;
    if (!AtEnd() && IsNameStart(text_[pos_]))
      while (!AtEnd() && IsNameChar(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  double Expression(int depth) {
    if (depth > kMaxDepth) return Fail("expression nested too deeply");
    double value = Term(depth);
    for (;;) {
      SkipBlanks();
      char op = Peek();
      if (failed_ || (op != '+' && op != '-')) return value;
      ++pos_;
      double right = Term(depth);
      value = op == '+' ? value + right : value - right;
    }
  }

  double Term(int depth) {
    double value = Unary(depth);
    for (;;) {
      SkipBlanks();
      char op = Peek();
      if (failed_ || (op != '*' && op != '/' && op != '%')) return value;
      ++pos_;
      double right = Unary(depth);
      if (failed_) return 0;
      if (op == '*') {
        value *= right;
      } else if (right == 0) {
        return Fail("division by zero");
      } else {
        value = op == '/' ? value / right : std::fmod(value, right);
      }
    }
  }

  double Unary(int depth) {
    if (depth > kMaxDepth) return Fail("expression nested too deeply");
    SkipBlanks();
    if (Peek() == '-') {
      ++pos_;
      return -Unary(depth + 1);
    }
    if (Peek() == '+') {
      ++pos_;
      return Unary(depth + 1);
    }
    return Primary(depth);
  }

  double Primary(int depth) {
    SkipBlanks();
    if (failed_) return 0;
    char c = Peek();
    if (c == '(') {
      ++pos_;
      double value = Expression(depth + 1);
      SkipBlanks();
      if (Peek() != ')') return Fail("missing ')'");
      ++pos_;
      return value;
    }
    if (IsDigit(c) || c == '.') return Number();
    if (IsNameStart(c)) {
      std::string_view name = Name();
      float value = 0;
      if (evaluator_.GetConstant(name, value)) return value;
      RString lower = LowerCase(name);
      if (lower == "true") return 1;
      if (lower == "false") return 0;
      return Fail("unknown name");
    }
    return Fail(AtEnd() ? "missing operand" : "unexpected character");
  }

  double Number() {
    if (text_.substr(pos_, 2) == "0x" || text_.substr(pos_, 2) == "0X") {
      pos_ += 2;
      size_t start = pos_;
      double value = 0;
      while (!AtEnd() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) {
        char c = text_[pos_++];
        int digit = IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
        value = value * 16 + digit;
      }
      if (pos_ == start) return Fail("bad number");
      return value;
    }
    double value = 0;
    const char* begin = text_.data() + pos_;
    auto [end, error] = std::from_chars(begin, text_.data() + text_.size(), value, std::chars_format::general);
    if (end == begin) return Fail("bad number");
    if (error == std::errc::result_out_of_range) {
      // Beyond the double range: the standard conversion gives infinity or zero.
      std::string copy(begin, end);
      value = std::strtod(copy.c_str(), nullptr);
    }
    pos_ += static_cast<size_t>(end - begin);
    return value;
  }

  const ParamEvaluator& evaluator_;
  std::string_view text_;
  size_t pos_ = 0;
  bool failed_ = false;
};

bool ParamEvaluator::Evaluate(std::string_view text, double& value) const {
  Parser parser(*this, text);
  value = parser.Run(nullptr);
  if (parser.Failed()) value = 0;
  return !parser.Failed();
}

double ParamEvaluator::Evaluate(std::string_view text) const {
  double value = 0;
  Evaluate(text, value);
  return value;
}

RString ParamEvaluator::EvaluateToText(std::string_view text) const { return FormatEvaluatedNumber(Evaluate(text)); }

void ParamEvaluator::Execute(std::string_view text) {
  Parser parser(*this, text);
  parser.Run(this);
}

void ParamEvaluator::SetConstant(std::string_view name, float value) {
  RString key = LowerCase(name);
  auto found = index_.find(key);
  if (found != index_.end()) {
    constants_[found->second].second = value;
    return;
  }
  index_.emplace(std::move(key), constants_.size());
  constants_.emplace_back(RString(name), value);
}

bool ParamEvaluator::GetConstant(std::string_view name, float& value) const {
  auto found = index_.find(LowerCase(name));
  if (found == index_.end()) return false;
  value = constants_[found->second].second;
  return true;
}

void ParamEvaluator::Clear() {
  constants_.clear();
  index_.clear();
}

RString FormatEvaluatedNumber(double value) {
  char text[64];
  if (value == std::floor(value) && value >= -2147483648.0 && value <= 2147483647.0)
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(value));
  else
    std::snprintf(text, sizeof(text), "%.9g", value);
  return text;
}
