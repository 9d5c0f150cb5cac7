// The numbers and texts of the JSON dumps: floats read back as the same float and show no
// digits of their widening to double; names are bytes.
#include "lib/dump/dump_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

TEST(DumpJson, FloatsPrintTheirShortestTextAndReadBackExactly) {
  const float values[] = {0.0f,
                          -0.0f,
                          0.1f,
                          1.0f / 3.0f,
                          44.999996f,
                          1e13f,
                          -4.5f,
                          1e-30f,
                          std::numeric_limits<float>::max(),
                          std::numeric_limits<float>::denorm_min(),
                          16777217.0f};
  for (float value : values) {
    const std::string text = ShortestFloatText(value);
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
    const std::string printed = JsonFloat(value).dump();
    EXPECT_EQ(std::strtof(printed.c_str(), nullptr), value) << printed;
    // The number of the shortest text, not the float widened: 0.1f is not 0.10000000149011612.
    EXPECT_EQ(std::strtod(printed.c_str(), nullptr), std::strtod(text.c_str(), nullptr)) << printed;
    EXPECT_EQ(DumpJson::parse(printed).get<float>(), value) << printed;
  }
  EXPECT_EQ(JsonFloat(0.1f).dump(), "0.1");
  EXPECT_EQ(ShortestFloatText(44.999996f), "44.999996");
  EXPECT_EQ(ShortestFloatText(1e13f), "1e+13");
}

TEST(DumpJson, NonFiniteFloatsAreNull) {
  EXPECT_TRUE(JsonFloat(INFINITY).is_null());
  EXPECT_TRUE(JsonFloat(-INFINITY).is_null());
  EXPECT_TRUE(JsonFloat(NAN).is_null());
  EXPECT_EQ(ShortestFloatText(NAN), "null");
}

TEST(DumpJson, TextsAreBytesAndTheDocumentIsAscii) {
  DumpJson document = {{"name", JsonText(std::string("a\xe9\"\\\x01", 5))},
                       {"lines", JsonTexts({"x", "\xff"})},
                       {"at", JsonVector({1.5f, 0.1f, -2.0f})}};
  const std::string printed = PrintedJson(document);
  EXPECT_EQ(printed.back(), '\n');
  for (char c : printed) EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << printed;
  EXPECT_NE(printed.find("\"a\\u00e9\\\"\\\\\\u0001\""), std::string::npos) << printed;
  DumpJson back = DumpJson::parse(printed);
  EXPECT_EQ(back["lines"][1], "\u00ff");
  EXPECT_EQ(back["at"], DumpJson::parse("[1.5, 0.1, -2]"));
}

}  // namespace
