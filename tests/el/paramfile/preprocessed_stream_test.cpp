// QIPreprocessedStream: the source file and line of the read position.
#include "el/qstream/qi_preprocessed_stream.h"
#include "tests/el/paramfile/param_test_support.h"

namespace {

void Skip(QIStream& in, int count) {
  for (int i = 0; i < count; ++i) in.get();
}

TEST(QIPreprocessedStream, CountsLinesAndFollowsMarkers) {
  std::string text = "a\nb\n#line 10 \"inc.hpp\"\nc\nd\n#line 3 top.cpp \n";
  QIPreprocessedStream in(text.data(), static_cast<QFileSize>(text.size()), "top.cpp");
  EXPECT_EQ(in.GetFileName(), "top.cpp");
  EXPECT_EQ(in.GetLine(), 1);
  Skip(in, 4);  // "a\nb\n"
  EXPECT_EQ(in.GetLine(), 3);
  EXPECT_EQ(in.get(), '#');
  ASSERT_TRUE(in.ReadLineDirective());
  EXPECT_EQ(in.GetFileName(), "inc.hpp");
  EXPECT_EQ(in.GetLine(), 10);
  Skip(in, 2);
  EXPECT_EQ(in.GetLine(), 11);
  // Seeking back before the last answer counts again from the marker.
  in.SeekG(in.TellG() - 1);
  EXPECT_EQ(in.GetLine(), 10);
  Skip(in, 3);
  EXPECT_EQ(in.get(), '#');
  ASSERT_TRUE(in.ReadLineDirective());
  EXPECT_EQ(in.GetFileName(), "top.cpp");
  EXPECT_EQ(in.GetLine(), 3);
}

TEST(QIPreprocessedStream, RejectsOtherDirectives) {
  for (const char* text : {"include \"x\"\n", "line\n", "line x\n", "lines 3\n", ""}) {
    std::string copy = text;
    QIPreprocessedStream in(copy.data(), static_cast<QFileSize>(copy.size()), "f");
    EXPECT_FALSE(in.ReadLineDirective()) << text;
    EXPECT_EQ(in.GetFileName(), "f");
  }
  // A marker without a name keeps the file; huge numbers saturate.
  std::string text = "line 99999999999999\nx";
  QIPreprocessedStream in(text.data(), static_cast<QFileSize>(text.size()), "f");
  ASSERT_TRUE(in.ReadLineDirective());
  EXPECT_EQ(in.GetFileName(), "f");
  EXPECT_EQ(in.GetLine(), 2147483647);
}

TEST(QIPreprocessedStream, ReadsAnotherStreamInPieces) {
  std::string text;
  for (int i = 0; i < 30000; ++i) text += "line " + std::to_string(i) + "\n";
  QIStrStream source(text.data(), static_cast<QFileSize>(text.size()));
  QIPreprocessedStream in(source, "big.cpp");
  EXPECT_EQ(in.GetDataSize(), static_cast<QFileSize>(text.size()));
  std::string back;
  for (int c = in.get(); c >= 0; c = in.get()) back.push_back(static_cast<char>(c));
  EXPECT_EQ(back, text);
  EXPECT_EQ(in.GetLine(), 30001);
  in.SeekG(static_cast<QFileSize>(text.find("line 20000")));
  EXPECT_EQ(in.GetLine(), 20001);
  EXPECT_FALSE(in.ReadFailed());
}

}  // namespace
