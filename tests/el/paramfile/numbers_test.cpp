// Number recognition of unquoted values and the evaluator behind enum, __EVAL and __EXEC.
#include <cmath>
#include <limits>

#include "el/paramfile/param_numbers.h"
#include "tests/el/paramfile/param_test_support.h"

namespace {

TEST(ParamNumbers, Int32DecimalAndHex) {
  int32_t value = 0;
  EXPECT_TRUE(ParseParamInt32("0", value));
  EXPECT_TRUE(ParseParamInt32("-2147483648", value));
  EXPECT_EQ(value, std::numeric_limits<int32_t>::min());
  EXPECT_TRUE(ParseParamInt32("+2147483647", value));
  EXPECT_EQ(value, 2147483647);
  EXPECT_FALSE(ParseParamInt32("2147483648", value));
  EXPECT_FALSE(ParseParamInt32("-2147483649", value));
  EXPECT_TRUE(ParseParamInt32("0x1F", value));
  EXPECT_EQ(value, 31);
  EXPECT_TRUE(ParseParamInt32("0xffffffff", value));
  EXPECT_EQ(value, -1);
  EXPECT_TRUE(ParseParamInt32("0x123456789", value));  // modulo 2^32
  EXPECT_EQ(value, 0x23456789);
  for (const char* text : {"", "-", "+", "0x", "0X10", "-0x10", "1 2", "12a", "1.0", " 1", "0x1g"})
    EXPECT_FALSE(ParseParamInt32(text, value)) << text;
}

TEST(ParamNumbers, Int64Decimal) {
  int64_t value = 0;
  EXPECT_TRUE(ParseParamInt64("9223372036854775807", value));
  EXPECT_EQ(value, std::numeric_limits<int64_t>::max());
  EXPECT_TRUE(ParseParamInt64("-9223372036854775808", value));
  EXPECT_EQ(value, std::numeric_limits<int64_t>::min());
  EXPECT_FALSE(ParseParamInt64("9223372036854775808", value));
  EXPECT_FALSE(ParseParamInt64("0x10", value));
}

TEST(ParamNumbers, FloatsAndDecibels) {
  CapturedMessages messages;
  float value = 0;
  EXPECT_TRUE(ParseParamFloat("1e3", value));
  EXPECT_FLOAT_EQ(value, 1000.0f);
  EXPECT_TRUE(ParseParamFloat("-.5", value));
  EXPECT_FLOAT_EQ(value, -0.5f);
  EXPECT_TRUE(ParseParamFloat("+5.", value));
  EXPECT_FLOAT_EQ(value, 5.0f);
  EXPECT_TRUE(ParseParamFloat("1E-2", value));
  EXPECT_FLOAT_EQ(value, 0.01f);
  EXPECT_TRUE(ParseParamFloat("1e400", value));
  EXPECT_TRUE(std::isinf(value));
  EXPECT_TRUE(ParseParamFloat("1e-400", value));
  EXPECT_EQ(value, 0.0f);
  for (const char* text : {"", ".", "e5", "1e", "1e+", "inf", "nan", "0x1p3", "1.5f", "1,5", "--1", "db", "dbx"})
    EXPECT_FALSE(ParseParamFloat(text, value)) << text;

  EXPECT_TRUE(ParseParamFloat("db-6", value));
  EXPECT_NEAR(value, std::pow(10.0, -0.3), 1e-6);
  EXPECT_TRUE(ParseParamFloat("db0", value));
  EXPECT_FLOAT_EQ(value, 1.0f);
  EXPECT_TRUE(messages.logLines.empty());
  EXPECT_TRUE(ParseParamFloat("db20x", value));
  EXPECT_FLOAT_EQ(value, 10.0f);
  EXPECT_TRUE(messages.Logged("invalid db value db20x"));
}

TEST(ParamNumbers, ValuesAndElementsRecogniseDifferently) {
  ParamNumber big = RecognizeValueNumber("3000000000");
  EXPECT_EQ(big.kind, ParamNumberKind::Int64);
  EXPECT_EQ(big.int64Value, 3000000000);
  ParamNumber element = RecognizeElementNumber("3000000000");
  EXPECT_EQ(element.kind, ParamNumberKind::Float);
  EXPECT_FLOAT_EQ(element.floatValue, 3e9f);
  EXPECT_EQ(RecognizeValueNumber("0x1F").kind, ParamNumberKind::Int);
  EXPECT_EQ(RecognizeValueNumber("1.0").kind, ParamNumberKind::Float);
  EXPECT_EQ(RecognizeValueNumber("99999999999999999999").kind, ParamNumberKind::Float);
  EXPECT_EQ(RecognizeValueNumber("1 2").kind, ParamNumberKind::None);
  EXPECT_EQ(RecognizeValueNumber("").kind, ParamNumberKind::None);
}

TEST(ParamNumbers, RoundingIsToNearestEven) {
  EXPECT_EQ(RoundToInt(2.5), 2);
  EXPECT_EQ(RoundToInt(3.5), 4);
  EXPECT_EQ(RoundToInt(-2.5), -2);
  EXPECT_EQ(RoundToInt(2.6), 3);
  EXPECT_EQ(RoundToInt(1e20), std::numeric_limits<int>::max());
  EXPECT_EQ(RoundToInt(-1e20), std::numeric_limits<int>::min());
  EXPECT_EQ(RoundToInt(std::nan("")), 0);
}

TEST(ParamEvaluator, ArithmeticOverConstants) {
  CapturedMessages messages;
  ParamEvaluator evaluator;
  evaluator.SetConstant("Width", 4);
  EXPECT_DOUBLE_EQ(evaluator.Evaluate("1 + 2 * 3"), 7);
  EXPECT_DOUBLE_EQ(evaluator.Evaluate("(1 + 2) * 3"), 9);
  EXPECT_DOUBLE_EQ(evaluator.Evaluate("-width * -2"), 8);
  EXPECT_DOUBLE_EQ(evaluator.Evaluate("7 % 4 - 10 / 4"), 0.5);
  EXPECT_DOUBLE_EQ(evaluator.Evaluate("0x10 + 1e1 + .5"), 26.5);
  EXPECT_DOUBLE_EQ(evaluator.Evaluate("true + false"), 1);
  EXPECT_EQ(evaluator.EvaluateToText("6 / 2"), "3");
  EXPECT_EQ(evaluator.EvaluateToText("1 / 4"), "0.25");
  EXPECT_EQ(evaluator.EvaluateToText("3000000000"), "3e+09");
  EXPECT_TRUE(messages.errorLines.empty());

  evaluator.Execute("a = 2; b = a * width; ; WIDTH = 1");
  float value = 0;
  ASSERT_TRUE(evaluator.GetConstant("B", value));
  EXPECT_EQ(value, 8);
  EXPECT_TRUE(evaluator.GetConstant("width", value));
  EXPECT_EQ(value, 1);
  ASSERT_EQ(evaluator.Constants().size(), 3u);
  EXPECT_EQ(evaluator.Constants()[0].first, "Width");  // first spelling, first place
}

TEST(ParamEvaluator, ErrorsGiveZero) {
  CapturedMessages messages;
  ParamEvaluator evaluator;
  double value = 1;
  EXPECT_FALSE(evaluator.Evaluate("1 / 0", value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(messages.Errored("Expression error: division by zero in '1 / 0'"));
  EXPECT_FALSE(evaluator.Evaluate("5 % (2 - 2)", value));
  EXPECT_FALSE(evaluator.Evaluate("unknown + 1", value));
  EXPECT_TRUE(messages.Errored("Expression error: unknown name in 'unknown + 1'"));
  EXPECT_FALSE(evaluator.Evaluate("(1 + 2", value));
  EXPECT_FALSE(evaluator.Evaluate("1 +", value));
  EXPECT_FALSE(evaluator.Evaluate("1 2", value));
  EXPECT_FALSE(evaluator.Evaluate("a = 1", value));  // assignments only run
  EXPECT_TRUE(evaluator.Evaluate("", value));
  EXPECT_EQ(value, 0);
  // Deep nesting is an error, not a crash.
  std::string deep(300, '(');
  EXPECT_FALSE(evaluator.Evaluate(deep + "1", value));
  EXPECT_FALSE(evaluator.Evaluate(std::string(100000, '-') + "1", value));
  EXPECT_TRUE(messages.Errored("Expression error: expression nested too deeply in '" + deep + "1'"));
}

}  // namespace
