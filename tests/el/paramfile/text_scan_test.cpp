// The character scans of the text parser, and array elements read along with their
// separator, against the plain rules they stand for.
#include <cstring>
#include <random>
#include <string>

#include "el/paramfile/param_numbers.h"
#include "el/paramfile/param_parser.h"
#include "tests/el/paramfile/param_test_support.h"

namespace {

template <class Scan, class Accept>
void ExpectScanStopsWhereAcceptFails(const char* name, Scan scan, Accept accept) {
  SCOPED_TRACE(name);
  // Every byte value at every position of runs long and short, in buffers of every length
  // around the block sizes of the scans.
  for (size_t length = 0; length <= 40; ++length) {
    for (size_t at = 0; at <= length; ++at) {
      for (int value = 0; value < 256; ++value) {
        std::string run;
        for (size_t i = 0; i < length; ++i) run.push_back(accept('a') ? 'a' : accept(' ') ? ' ' : 'x');
        if (at < length) run[at] = static_cast<char>(value);
        const char* end = run.data() + run.size();
        const char* expected = run.data();
        while (expected < end && accept(static_cast<unsigned char>(*expected))) ++expected;
        ASSERT_EQ(scan(run.data(), end) - run.data(), expected - run.data()) << length << " " << at << " " << value;
      }
    }
  }
}

TEST(ParamTextScan, ScansStopWhereTheirRuleFails) {
  ExpectScanStopsWhereAcceptFails("WordEnd", param_text::WordEnd, param_text::IsWordChar);
  ExpectScanStopsWhereAcceptFails("QuotedTextEnd", param_text::QuotedTextEnd, [](int c) { return c != '"' && c != '\n'; });
  ExpectScanStopsWhereAcceptFails("BlanksEnd", param_text::BlanksEnd, param_text::IsBlank);
}

// Plain numbers in arrays are read as the value reader passes them; they must be the
// elements the number recognition makes of their text.
TEST(ParamTextScan, ArrayNumbersAsRecognised) {
  std::mt19937 random(7);
  std::vector<std::string> texts = {"0", "-0", "+0", "1.", ".5", "-.5", "+", "-", ".", "00012", "-0.0",
                                    "2147483647", "2147483648", "-2147483648", "-2147483649", "123456789012345",
                                    "1234567890123456", "99999999999999.9", "0.000000000000001", "1.2.3", "1e5",
                                    "0x10", "db-6", "12a", "4294967296", "-9223372036854775808", "0.1234567890123456789",
                                    "1.00000000000000000001", "-12345678.123456789"};
  auto digits = [&random](int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<char>('0' + random() % 10));
    return out;
  };
  for (int i = 0; i < 3000; ++i) {
    const char* sign = i % 3 == 0 ? "-" : i % 3 == 1 ? "" : "+";
    const int whole = static_cast<int>(random() % 12);
    const int fraction = static_cast<int>(random() % 8);
    std::string number = sign;
    number += digits(whole);
    if (i % 4 != 0) number += '.' + digits(fraction);
    texts.push_back(number.empty() ? "7" : number);
  }
  std::string text = "list[] = {";
  for (size_t i = 0; i < texts.size(); ++i) text += texts[i] + (i % 2 ? " ," : ",\t");
  text += "};\n";
  CapturedMessages messages;
  ParamFile file;
  ASSERT_EQ(ParseString(file, text), 0) << messages.All();
  ParamEntryVal list = file >> "list";
  ASSERT_EQ(list.GetSize(), static_cast<int>(texts.size()));
  for (size_t i = 0; i < texts.size(); ++i) {
    const IParamArrayValue& element = *list.GetItem(static_cast<int>(i));
    const ParamNumber number = RecognizeElementNumber(texts[i]);
    if (number.kind == ParamNumberKind::Int) {
      ASSERT_EQ(element.GetValueType(), ParamValueType::Int) << texts[i];
      EXPECT_EQ(element.GetInt(), number.intValue) << texts[i];
    } else if (number.kind == ParamNumberKind::Float) {
      ASSERT_EQ(element.GetValueType(), ParamValueType::Float) << texts[i];
      const float value = element.GetFloat();
      EXPECT_EQ(std::memcmp(&value, &number.floatValue, sizeof(float)), 0) << texts[i];
    } else {
      ASSERT_EQ(element.GetValueType(), ParamValueType::String) << texts[i];
      EXPECT_EQ(element.GetValue(), texts[i]);
    }
  }
}

}  // namespace
