#pragma once
// A message sink that keeps the lines it is given, to be told later through the
// process-wide sink in the order they came. Work done on helper threads records its
// messages with one, so that the output reads as if the work had run in turn; a dump
// keeps the messages of a load with one (installed by a ScopedSink) to show them.
#include <string>
#include <vector>

#include "el/appframe/app_frame.h"

class MessageRecorder : public AppFrameFunctions {
 public:
  void LogLine(const char* format, va_list args) override { Record(Channel::kLog, 0, format, args); }
  void ErrorLine(const char* format, va_list args) override { Record(Channel::kError, 0, format, args); }
  void WarningLine(const char* format, va_list args) override { Record(Channel::kWarning, 0, format, args); }
  void NoticeLine(const char* format, va_list args) override { Record(Channel::kNotice, 0, format, args); }
  void ReportLine(const char* format, va_list args) override { Record(Channel::kReport, 0, format, args); }
  void ReportLevelLine(int level, const char* format, va_list args) override {
    Record(Channel::kReportLevel, level, format, args);
  }

  bool Empty() const { return lines_.empty(); }
  // The recorded texts, in order: of every line, or of the error channel's lines only
  // (errors, warnings, notices and reports; not the log channel's).
  std::vector<std::string> Texts() const;
  std::vector<std::string> ErrorChannelTexts() const;
  // Hands every recorded line to the process-wide sink, in order, and forgets them.
  void Replay();

 private:
  enum class Channel { kLog, kError, kWarning, kNotice, kReport, kReportLevel };
  struct Line {
    Channel channel;
    int level;
    std::string text;
  };

  void Record(Channel channel, int level, const char* format, va_list args) {
    lines_.push_back({channel, level, FormatMessage(format, args)});
  }

  std::vector<Line> lines_;
};

// Records the calling thread's messages into `recorder` while it lives.
class ThreadMessageRecording {
 public:
  explicit ThreadMessageRecording(MessageRecorder& recorder) { SetThreadAppFrameFunctions(&recorder); }
  ~ThreadMessageRecording() { SetThreadAppFrameFunctions(nullptr); }
  ThreadMessageRecording(const ThreadMessageRecording&) = delete;
  ThreadMessageRecording& operator=(const ThreadMessageRecording&) = delete;
};
