// Messages recorded on other threads and told later in order, on the channels they came on.
#include "el/appframe/message_recorder.h"

#include <gtest/gtest.h>

#include <thread>

#include "el/appframe/forwarding_sink.h"
#include "tests/support/captured_messages.h"

namespace {

// Counts the warnings and level reports apart from the lines they end up as.
class ChannelSink : public CapturedMessages {
 public:
  void WarningLine(const char* format, va_list args) override {
    ++warnings;
    CapturedMessages::WarningLine(format, args);
  }
  void ReportLevelLine(int level, const char* format, va_list args) override {
    levels.push_back(level);
    CapturedMessages::ReportLevelLine(level, format, args);
  }
  int warnings = 0;
  std::vector<int> levels;
};

TEST(MessageRecorder, ThreadMessagesAreHeldUntilReplayedInOrder) {
  ChannelSink sink;
  MessageRecorder recorder;
  std::thread([&] {
    ThreadMessageRecording recording(recorder);
    LogMessage("first %d", 1);
    ErrorMessage("second %s", "two");
    WarningMessage("third");
    ReportLevelMessage(5, "fourth");
  }).join();
  // The calling thread was never recording.
  LogMessage("direct");
  EXPECT_EQ(sink.lines, (std::vector<std::string>{"log: direct"}));
  EXPECT_FALSE(recorder.Empty());

  sink.Clear();
  recorder.Replay();
  EXPECT_EQ(sink.lines,
            (std::vector<std::string>{"log: first 1", "error: second two", "error: third", "error: fourth"}));
  // The warning, and the level report that the base sink passes on as a warning.
  EXPECT_EQ(sink.warnings, 2);
  EXPECT_EQ(sink.levels, std::vector<int>{5});
  EXPECT_TRUE(recorder.Empty());
}

TEST(MessageRecorder, RecordingEndsWithItsScopeAndTextIsNotReformatted) {
  CapturedMessages sink;
  MessageRecorder recorder;
  {
    ThreadMessageRecording recording(recorder);
    ErrorMessage("100%% of %s", "it");
  }
  ErrorMessage("after");
  recorder.Replay();
  EXPECT_EQ(sink.lines, (std::vector<std::string>{"error: after", "error: 100% of it"}));
}

TEST(MessageRecorder, KeepsTheTextsOfAScopeAndPrintsNothingOfThem) {
  CapturedMessages sink;
  MessageRecorder recorder;
  {
    ScopedSink keeping(recorder);
    LogMessage("loading %s", "a");
    ErrorMessage("bad %d", 7);
    NoticeMessage("noted");
  }
  EXPECT_TRUE(sink.lines.empty());
  EXPECT_EQ(recorder.Texts(), (std::vector<std::string>{"loading a", "bad 7", "noted"}));
  EXPECT_EQ(recorder.ErrorChannelTexts(), (std::vector<std::string>{"bad 7", "noted"}));
  // Replaying them afterwards tells them as they came.
  recorder.Replay();
  EXPECT_EQ(sink.lines, (std::vector<std::string>{"log: loading a", "error: bad 7", "error: noted"}));
}

}  // namespace
