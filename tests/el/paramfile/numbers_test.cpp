// Number recognition of unquoted values and the evaluator behind enum, __EVAL and __EXEC.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <limits>

#include "el/paramfile/param_numbers.h"
#include "tests/el/paramfile/param_test_support.h"

namespace {

TEST(ParamNumbers, Integers) {
  const std::pair<const char*, int32_t> accepted32[] = {{"0", 0},
                                                        {"-2147483648", std::numeric_limits<int32_t>::min()},
                                                        {"+2147483647", 2147483647},
                                                        {"0x1F", 31},
                                                        {"0xffffffff", -1},
                                                        {"0x123456789", 0x23456789} /* modulo 2^32 */};
  for (auto [text, expected] : accepted32) {
    int32_t value = 12345;
    EXPECT_TRUE(ParseParamInt32(text, value)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  int32_t value32 = 0;
  for (const char* text :
       {"2147483648", "-2147483649", "", "-", "+", "0x", "0X10", "-0x10", "1 2", "12a", "1.0", " 1", "0x1g"})
    EXPECT_FALSE(ParseParamInt32(text, value32)) << text;

  int64_t value64 = 0;
  EXPECT_TRUE(ParseParamInt64("9223372036854775807", value64));
  EXPECT_EQ(value64, std::numeric_limits<int64_t>::max());
  EXPECT_TRUE(ParseParamInt64("-9223372036854775808", value64));
  EXPECT_EQ(value64, std::numeric_limits<int64_t>::min());
  EXPECT_FALSE(ParseParamInt64("9223372036854775808", value64));
  EXPECT_FALSE(ParseParamInt64("0x10", value64));
}

TEST(ParamNumbers, FloatsAndDecibels) {
  CapturedMessages messages;
  const std::pair<const char*, float> accepted[] = {{"1e3", 1000.0f},
                                                    {"-.5", -0.5f},
                                                    {"+5.", 5.0f},
                                                    {"1E-2", 0.01f},
                                                    {"1e-400", 0.0f},
                                                    {"db0", 1.0f},
                                                    {"db-6", static_cast<float>(std::pow(10.0, -0.3))},
                                                    {"0x1p3", 8.0f},
                                                    {"0X1F", 31.0f},
                                                    {"-0x1F", -31.0f}};
  for (auto [text, expected] : accepted) {
    float value = -1;
    EXPECT_TRUE(ParseParamFloat(text, value)) << text;
    EXPECT_FLOAT_EQ(value, expected) << text;
  }
  float value = 0;
  // Infinity and NaN in the forms of the standard conversion, which is also how they are saved.
  for (const char* text : {"1e400", "inf", "-INF", "+Infinity"}) {
    EXPECT_TRUE(ParseParamFloat(text, value)) << text;
    EXPECT_TRUE(std::isinf(value)) << text;
    EXPECT_EQ(std::signbit(value), text[0] == '-') << text;
  }
  for (const char* text : {"nan", "-nan", "NaN"}) {
    EXPECT_TRUE(ParseParamFloat(text, value)) << text;
    EXPECT_TRUE(std::isnan(value)) << text;
  }
  for (const char* text : {"", ".", "e5", "1e", "1e+", "1.5f", "1,5", "--1", "db", "dbx", "infantry", "nano", "0x",
                           "0xg", " 5", "i", "-n"})
    EXPECT_FALSE(ParseParamFloat(text, value)) << text;
  EXPECT_TRUE(messages.logLines.empty());
  EXPECT_TRUE(ParseParamFloat("db20x", value));
  EXPECT_FLOAT_EQ(value, 10.0f);
  EXPECT_TRUE(messages.Logged("invalid db value db20x"));
}

TEST(ParamNumbers, PlainDecimalsConvertAsTheGeneralConversionDoes) {
  // Short decimals take a quicker way: every one must give the float that correct
  // rounding of the whole text gives, up to the longest and past it.
  std::mt19937 random(7);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 17);
    std::string text = random() % 2 ? "-" : "";
    const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    float value = 0;
    ASSERT_TRUE(ParseParamFloat(text, value)) << text;
    const float expected = static_cast<float>(std::strtod(text.c_str(), nullptr));
    ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text << " " << value << " " << expected;
  }
  float zero = 1;
  ASSERT_TRUE(ParseParamFloat("-0.0", zero));
  EXPECT_TRUE(std::signbit(zero));
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

TEST(ParamNumbers, RecognitionAgreesWithTheGeneralRules) {
  // Texts of digits with a sign, a point or a stray character anywhere, of every length
  // around the 15 digits that the quick recognition takes: the kind and the value must be
  // those of the rules in param_numbers.h.
  std::mt19937 random(11);
  const char pieces[] = "0123456789012345678901234567890123456789.-+ex";
  for (int i = 0; i < 300000; ++i) {
    const int size = static_cast<int>(random() % 19);
    std::string text;
    for (int c = 0; c < size; ++c) text += random() % 8 ? pieces[random() % 40] : pieces[random() % (sizeof pieces - 1)];
    ParamNumber expected;
    if (ParseParamInt32(text, expected.intValue))
      expected.kind = ParamNumberKind::Int;
    else if (ParseParamInt64(text, expected.int64Value))
      expected.kind = ParamNumberKind::Int64;
    else if (ParseParamFloat(text, expected.floatValue))
      expected.kind = ParamNumberKind::Float;
    const ParamNumber value = RecognizeValueNumber(text);
    ASSERT_EQ(value.kind, expected.kind) << text;
    switch (expected.kind) {
      case ParamNumberKind::Int: ASSERT_EQ(value.intValue, expected.intValue) << text; break;
      case ParamNumberKind::Int64: ASSERT_EQ(value.int64Value, expected.int64Value) << text; break;
      case ParamNumberKind::Float:
        ASSERT_EQ(std::memcmp(&value.floatValue, &expected.floatValue, sizeof(float)), 0) << text;
        break;
      case ParamNumberKind::None: break;
    }
    // An element has no 64-bit integers: such a number is the float of its text.
    const ParamNumber element = RecognizeElementNumber(text);
    if (expected.kind == ParamNumberKind::Int64) {
      ASSERT_EQ(element.kind, ParamNumberKind::Float) << text;
      float asFloat = 0;
      ASSERT_TRUE(ParseParamFloat(text, asFloat)) << text;
      ASSERT_EQ(std::memcmp(&element.floatValue, &asFloat, sizeof(float)), 0) << text;
    } else {
      ASSERT_EQ(element.kind, expected.kind) << text;
    }
  }
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
  const std::pair<const char*, double> results[] = {{"1 + 2 * 3", 7},          {"(1 + 2) * 3", 9},
                                                    {"-width * -2", 8},        {"7 % 4 - 10 / 4", 0.5},
                                                    {"0x10 + 1e1 + .5", 26.5}, {"true + false", 1}};
  for (auto [text, expected] : results) EXPECT_DOUBLE_EQ(evaluator.Evaluate(text), expected) << text;
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
  // Deep nesting is an error, not a crash; assignments only run.
  const std::string deep = std::string(300, '(') + "1";
  for (const std::string& text :
       {std::string("1 / 0"), std::string("5 % (2 - 2)"), std::string("unknown + 1"), std::string("(1 + 2"),
        std::string("1 +"), std::string("1 2"), std::string("a = 1"), deep, std::string(100000, '-') + "1"}) {
    double value = 1;
    EXPECT_FALSE(evaluator.Evaluate(text, value)) << text.substr(0, 20);
    EXPECT_EQ(value, 0) << text.substr(0, 20);
  }
  EXPECT_TRUE(messages.Errored("Expression error: division by zero in '1 / 0'"));
  EXPECT_TRUE(messages.Errored("Expression error: unknown name in 'unknown + 1'"));
  EXPECT_TRUE(messages.Errored("Expression error: expression nested too deeply in '" + deep + "'"));
  double value = 1;
  EXPECT_TRUE(evaluator.Evaluate("", value));
  EXPECT_EQ(value, 0);
}

}  // namespace
