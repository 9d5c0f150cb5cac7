#include "el/appframe/message_capture.h"

#include <gtest/gtest.h>

#include "el/appframe/message_origin.h"
#include "tests/support/captured_messages.h"

namespace {

TEST(MessageOrigin, ConfigurationFormNamesFileAndLine) {
  auto origin = FindMessageOrigin("File data\\config.cpp, line 12: Missing ';'");
  ASSERT_TRUE(origin);
  EXPECT_EQ(origin->file, "data\\config.cpp");
  EXPECT_EQ(origin->line, 12);
  EXPECT_EQ(origin->rest, "Missing ';'");
  // A name that holds ", line " itself: the part followed by a number and ": " ends it.
  auto odd = FindMessageOrigin("File a, line b.cpp, line 3: x");
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->file, "a, line b.cpp");
  EXPECT_EQ(odd->line, 3);
}

TEST(MessageOrigin, EngineFormNamesFileAndLine) {
  auto origin = FindMessageOrigin("lib\\shape\\reader.cpp(41) : File read error");
  ASSERT_TRUE(origin);
  EXPECT_EQ(origin->file, "lib\\shape\\reader.cpp");
  EXPECT_EQ(origin->line, 41);
  EXPECT_EQ(origin->rest, "File read error");
  auto parenthesised = FindMessageOrigin("x (copy)\\a.cpp(7) : text");
  ASSERT_TRUE(parenthesised);
  EXPECT_EQ(parenthesised->file, "x (copy)\\a.cpp");
}

TEST(MessageOrigin, OtherTextsNameNothing) {
  for (const char* text : {"Loading of model a.p3d failed", "File a.cpp, line x: no number", "File , line 3: empty",
                           "(12) : no file", "a.cpp(12): no blank", "a.cpp(99999999999) : too big", "File a.cpp",
                           "", "File a.cpp, line 3 no colon"}) {
    EXPECT_FALSE(FindMessageOrigin(text)) << text;
  }
}

TEST(MessageCapture, SeverityComesFromTheFunctionUnlessTheTextSaysWarning) {
  CapturedMessages printed;
  MessageCapture capture(CurrentAppFrameFunctions());
  {
    ScopedSink installed(capture);
    LogMessage("Convert model %s", "a.p3d");
    ErrorMessage("Loading of model %s failed", "a.p3d");
    WarningMessage("Invalid named selection %s", "x");
    NoticeMessage("Found %s", "textures.lst");
    ReportMessage("reported");
    ReportLevelMessage(2, "reported with a level");
    ErrorMessage("Warning: Bounding center of %s has changed!", "a.p3d");
    LogMessage("WARNING: rounding");
    LogMessage("File a.cpp, line 3: Warning: behind the place");
    ErrorMessage("File a.cpp, line 3: not a Warning");
  }
  std::vector<MessageSeverity> expected = {
      MessageSeverity::kInfo,    MessageSeverity::kError,   MessageSeverity::kWarning, MessageSeverity::kInfo,
      MessageSeverity::kWarning, MessageSeverity::kWarning, MessageSeverity::kWarning, MessageSeverity::kWarning,
      MessageSeverity::kWarning, MessageSeverity::kError};
  ASSERT_EQ(capture.Messages().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(capture.Messages()[i].severity, expected[i]) << i;
  EXPECT_EQ(capture.Messages()[1].text, "Loading of model a.p3d failed");
  // Every line went on to the sink behind the capture, on its channel.
  EXPECT_EQ(printed.logLines.size(), 3u);
  EXPECT_EQ(printed.errorLines.size(), 7u);
  EXPECT_TRUE(printed.Errored("Found textures.lst"));
  // The previous sink is back.
  LogMessage("after");
  EXPECT_EQ(capture.Messages().size(), expected.size());
  EXPECT_TRUE(printed.Logged("after"));
}

TEST(MessageCapture, RecordsWhatNoLogsKeepsFromBeingPrinted) {
  CapturedMessages printed;
  SetNoLogs(true);
  MessageCapture capture(CurrentAppFrameFunctions());
  {
    ScopedSink installed(capture);
    LogMessage("log");
    WarningMessage("warning");
    ErrorMessage("error");
  }
  ASSERT_EQ(capture.Messages().size(), 3u);
  EXPECT_EQ(capture.Messages()[1].severity, MessageSeverity::kWarning);
  EXPECT_TRUE(printed.lines.empty());
}

TEST(MessageCapture, LongMessagesAreKeptWhole) {
  CapturedMessages printed;
  MessageCapture capture(CurrentAppFrameFunctions());
  std::string text(3000, 'x');
  {
    ScopedSink installed(capture);
    ErrorMessage("%s", text.c_str());
  }
  ASSERT_EQ(capture.Messages().size(), 1u);
  EXPECT_EQ(capture.Messages()[0].text, text);
}

}  // namespace
