#include "tool/progress_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/captured_messages.h"

namespace kln {
namespace {

std::string Contents(FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(ProgressLine, ShowsCountsTimeAndFileInPlace) {
  CapturedMessages printed;
  FILE* terminal = std::tmpfile();
  {
    ProgressLine progress(CurrentAppFrameFunctions(), terminal, 80);
    progress.Show(0, 3, 0.2, "src\\a.p3d");
    progress.Show(1, 2, 65.9, "src\\b.p3d");
    progress.Show(2, 1, 66.0, "");
  }
  std::string first = "[0 done, 3 queued, 0:00] src\\a.p3d";
  std::string second = "[1 done, 2 queued, 1:05] src\\b.p3d";
  std::string third = "[2 done, 1 queued, 1:06] src\\b.p3d";
  auto blank = [](const std::string& line) { return "\r" + std::string(line.size(), ' ') + "\r"; };
  // Each line is erased before the next is drawn, and the last one when the run ends.
  EXPECT_EQ(Contents(terminal), first + blank(first) + second + blank(second) + third + blank(third));
  std::fclose(terminal);
}

TEST(ProgressLine, MakesWayForEveryMessageLine) {
  CapturedMessages printed;
  FILE* terminal = std::tmpfile();
  {
    ProgressLine progress(CurrentAppFrameFunctions(), terminal, 80);
    ScopedSink installed(progress);
    LogMessage("before anything is shown");
    progress.Show(0, 1, 0, "a.p3d");
    LogMessage("Convert model a.p3d");
    ErrorMessage("Loading of model a.p3d failed");
  }
  std::string line = "[0 done, 1 queued, 0:00] a.p3d";
  std::string blank = "\r" + std::string(line.size(), ' ') + "\r";
  // Erased before each message and drawn again after it; nothing before the first Show.
  EXPECT_EQ(Contents(terminal), line + blank + line + blank + line + blank);
  EXPECT_TRUE(printed.Logged("Convert model a.p3d"));
  EXPECT_TRUE(printed.Errored("Loading of model a.p3d failed"));
  std::fclose(terminal);
}

TEST(ProgressLine, IsCutToTheTerminalWidth) {
  CapturedMessages printed;
  FILE* terminal = std::tmpfile();
  {
    ProgressLine progress(CurrentAppFrameFunctions(), terminal, 20);
    progress.Show(10, 20, 1, "a\\very\\long\\path\\to\\model.p3d");
  }
  std::string text = Contents(terminal);
  EXPECT_EQ(text.substr(0, text.find('\r')), "[10 done, 20 queued");
  std::fclose(terminal);
}

}  // namespace
}  // namespace kln
