#include "tool/kilnify_frame_functions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kln {
namespace {

// Collects what a sink prints into its two streams.
class SinkOutput {
 public:
  SinkOutput() : log_(std::tmpfile()), error_(std::tmpfile()), sink_(log_, error_) { SetAppFrameFunctions(&sink_); }
  ~SinkOutput() {
    SetAppFrameFunctions(nullptr);
    SetNoLogs(false);
    std::fclose(log_);
    std::fclose(error_);
  }
  std::string Log() { return Contents(log_); }
  std::string Error() { return Contents(error_); }

 private:
  static std::string Contents(FILE* file) {
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
  }
  FILE* log_;
  FILE* error_;
  KilnifyFrameFunctions sink_;
};

TEST(KilnifyFrameFunctions, ChannelsGoToTheirStreams) {
  SinkOutput output;
  LogMessage("Convert model %s -> %s", "a.p3d", "b.p3d");
  ErrorMessage("Unknown argument %s", "-x");
  WarningMessage("warned %d", 3);
  EXPECT_EQ(output.Log(), "Convert model a.p3d -> b.p3d\n");
  EXPECT_EQ(output.Error(), "Unknown argument -x\nwarned 3\n");
}

TEST(KilnifyFrameFunctions, LongTextIsCutTo511WithoutLineEnd) {
  SinkOutput output;
  std::string text510(510, 'a'), text511(511, 'b'), text600(600, 'c');
  LogMessage("%s", text510.c_str());
  LogMessage("%s", text511.c_str());
  LogMessage("%s", text600.c_str());
  EXPECT_EQ(output.Log(), text510 + "\n" + text511 + std::string(511, 'c'));
}

TEST(KilnifyFrameFunctions, NoLogsSilencesEveryChannel) {
  SinkOutput output;
  SetNoLogs(true);
  LogMessage("log");
  ErrorMessage("error");
  WarningMessage("warning");
  ReportMessage("report");
  ReportLevelMessage(2, "level");
  EXPECT_EQ(output.Log(), "");
  EXPECT_EQ(output.Error(), "");
}

}  // namespace
}  // namespace kln
