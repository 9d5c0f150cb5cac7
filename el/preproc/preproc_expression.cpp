#include "el/preproc/preproc_expression.h"

#include <cstdint>
#include <limits>

#include "el/preproc/preproc_token.h"

namespace {

// Parentheses, unary operators and ?: nested deeper than this are refused rather than
// followed down the stack.
constexpr int kMaxDepth = 256;

struct BinaryOperator {
  std::string_view text;
  int precedence;  // higher binds tighter
};

constexpr BinaryOperator kBinaryOperators[] = {
    {"*", 10}, {"/", 10}, {"%", 10}, {"+", 9},  {"-", 9},  {"<<", 8}, {">>", 8}, {"<=", 7}, {">=", 7},
    {"<", 7},  {">", 7},  {"==", 6}, {"!=", 6}, {"&", 5},  {"^", 4},  {"|", 3},  {"&&", 2}, {"||", 1},
};

// Operators of two characters, matched before those of one.
constexpr std::string_view kPairs[] = {"<<", ">>", "<=", ">=", "==", "!=", "&&", "||"};
constexpr std::string_view kSingles = "()!~-+*/%<>&^|?:";

class ExpressionParser {
 public:
  explicit ExpressionParser(std::string_view text) : text_(text) { Advance(); }

  PreprocExpressionResult Run() {
    PreprocExpressionResult result;
    if (kind_ == Kind::End && !failed_) Fail("no expression");
    uint64_t value = failed_ ? 0 : Conditional(true);
    if (!failed_ && kind_ != Kind::End) Fail("unexpected '" + std::string(token_) + "'");
    result.ok = !failed_;
    result.value = static_cast<long long>(value);
    result.problem = problem_;
    return result;
  }

 private:
  enum class Kind { Number, Operator, End };

  // Reads the next token into kind_, token_ and number_.
  void Advance() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n')) ++pos_;
    if (pos_ >= text_.size()) {
      kind_ = Kind::End;
      token_ = {};
      return;
    }
    const size_t start = pos_;
    const char c = text_[pos_];
    if (IsWordChar(c)) {
      while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
      token_ = text_.substr(start, pos_ - start);
      kind_ = Kind::Number;
      number_ = c >= '0' && c <= '9' ? ReadNumber(token_) : 0;  // an identifier is 0
      return;
    }
    kind_ = Kind::Operator;
    for (std::string_view pair : kPairs) {
      if (text_.substr(pos_, 2) == pair) {
        pos_ += 2;
        token_ = pair;
        return;
      }
    }
    ++pos_;
    token_ = text_.substr(start, 1);
    if (kSingles.find(c) == std::string_view::npos) Fail("unexpected '" + std::string(token_) + "'");
  }

  // A literal: decimal, octal after a leading 0, hexadecimal after 0x; u and l suffixes.
  uint64_t ReadNumber(std::string_view word) {
    size_t i = 0;
    unsigned base = 10;
    if (word.size() > 1 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
      base = 16;
      i = 2;
    } else if (word[0] == '0') {
      base = 8;
    }
    const size_t digitsStart = i;
    uint64_t value = 0;
    for (; i < word.size(); ++i) {
      char c = word[i];
      unsigned digit;
      if (c >= '0' && c <= '9') {
        digit = static_cast<unsigned>(c - '0');
      } else if (base == 16 && c >= 'a' && c <= 'f') {
        digit = static_cast<unsigned>(c - 'a' + 10);
      } else if (base == 16 && c >= 'A' && c <= 'F') {
        digit = static_cast<unsigned>(c - 'A' + 10);
      } else {
        break;
      }
      if (digit >= base) break;
      if (value > (std::numeric_limits<uint64_t>::max() - digit) / base) {
        Fail("the number " + std::string(word) + " is too large");
        return 0;
      }
      value = value * base + digit;
    }
    bool digits = i > digitsStart || base == 8;
    for (; i < word.size(); ++i)
      if (word[i] != 'u' && word[i] != 'U' && word[i] != 'l' && word[i] != 'L') break;
    if (!digits || i != word.size()) Fail("bad number '" + std::string(word) + "'");
    return value;
  }

  bool At(std::string_view op) const { return kind_ == Kind::Operator && token_ == op; }

  void Expect(std::string_view op) {
    if (failed_) return;
    if (At(op)) {
      Advance();
    } else {
      Fail("'" + std::string(op) + "' expected" + Found());
    }
  }

  std::string Found() const {
    return kind_ == Kind::End ? " at the end" : " before '" + std::string(token_) + "'";
  }

  void Fail(std::string problem) {
    if (failed_) return;
    failed_ = true;
    problem_ = std::move(problem);
    kind_ = Kind::End;
  }

  bool Deeper() {
    if (++depth_ <= kMaxDepth) return true;
    Fail("nested deeper than " + std::to_string(kMaxDepth) + " levels");
    return false;
  }

  // condition ? expression : conditional. `live` is false in parts whose value is not taken.
  uint64_t Conditional(bool live) {
    if (!Deeper()) return 0;
    uint64_t condition = Binary(1, live);
    if (!failed_ && At("?")) {
      Advance();
      uint64_t whenTrue = Conditional(live && condition != 0);
      Expect(":");
      uint64_t whenFalse = failed_ ? 0 : Conditional(live && condition == 0);
      condition = condition != 0 ? whenTrue : whenFalse;
    }
    --depth_;
    return failed_ ? 0 : condition;
  }

  const BinaryOperator* PeekBinary() const {
    if (kind_ != Kind::Operator) return nullptr;
    for (const BinaryOperator& op : kBinaryOperators)
      if (token_ == op.text) return &op;
    return nullptr;
  }

  uint64_t Binary(int minPrecedence, bool live) {
    uint64_t left = Unary(live);
    for (;;) {
      const BinaryOperator* op = failed_ ? nullptr : PeekBinary();
      if (!op || op->precedence < minPrecedence) return failed_ ? 0 : left;
      Advance();
      if (op->text == "&&") {
        uint64_t right = Binary(op->precedence + 1, live && left != 0);
        left = left != 0 && right != 0;
      } else if (op->text == "||") {
        uint64_t right = Binary(op->precedence + 1, live && left == 0);
        left = left != 0 || right != 0;
      } else {
        uint64_t right = Binary(op->precedence + 1, live);
        left = Apply(op->text, left, right, live);
      }
    }
  }

  uint64_t Apply(std::string_view op, uint64_t left, uint64_t right, bool live) {
    const auto a = static_cast<int64_t>(left);
    const auto b = static_cast<int64_t>(right);
    if (op == "*") return left * right;
    if (op == "/" || op == "%") {
      if (b == 0) {
        if (live) Fail("division by zero");
        return 0;
      }
      if (a == std::numeric_limits<int64_t>::min() && b == -1) return op == "/" ? left : 0;
      return static_cast<uint64_t>(op == "/" ? a / b : a % b);
    }
    if (op == "+") return left + right;
    if (op == "-") return left - right;
    if (op == "<<") return b < 0 || b >= 64 ? 0 : left << b;
    if (op == ">>") return b < 0 || b >= 64 ? (a < 0 ? ~uint64_t{0} : 0) : static_cast<uint64_t>(a >> b);
    if (op == "<") return a < b;
    if (op == ">") return a > b;
    if (op == "<=") return a <= b;
    if (op == ">=") return a >= b;
    if (op == "==") return left == right;
    if (op == "!=") return left != right;
    if (op == "&") return left & right;
    if (op == "^") return left ^ right;
    return left | right;
  }

  uint64_t Unary(bool live) {
    if (failed_ || !Deeper()) return 0;
    uint64_t value = 0;
    if (kind_ == Kind::Number) {
      value = number_;
      Advance();
    } else if (At("(")) {
      Advance();
      value = Conditional(live);
      Expect(")");
    } else if (At("!") || At("~") || At("-") || At("+")) {
      char op = token_[0];
      Advance();
      value = Unary(live);
      value = op == '!' ? value == 0 : op == '~' ? ~value : op == '-' ? 0 - value : value;
    } else {
      Fail("a value expected" + Found());
    }
    --depth_;
    return failed_ ? 0 : value;
  }

  std::string_view text_;
  size_t pos_ = 0;
  Kind kind_ = Kind::End;
  std::string_view token_;
  uint64_t number_ = 0;
  int depth_ = 0;
  bool failed_ = false;
  std::string problem_;
};

}  // namespace

PreprocExpressionResult EvaluatePreprocExpression(std::string_view text) { return ExpressionParser(text).Run(); }
