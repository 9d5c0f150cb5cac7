#pragma once
// Recording the messages of one piece of work, each with a severity, while they go on to
// be printed as usual.
//
// The severity of a line:
// - a text that begins with "Warning" (any letter case; behind the file and line of a
//   message that names one) is a warning, whatever function printed it;
// - otherwise the function decides: the log function gives information, the notice
//   function too (a line on the error channel that reports no problem), the warning and
//   the two further reporting functions give a warning, the error function an error.
#include <string>
#include <string_view>
#include <vector>

#include "el/appframe/forwarding_sink.h"

enum class MessageSeverity { kInfo, kWarning, kError };

// The severity of `text` printed through a function of severity `byFunction`.
MessageSeverity ClassifyMessage(MessageSeverity byFunction, std::string_view text);

struct CapturedMessage {
  MessageSeverity severity;
  std::string text;  // as formatted, of any length
};

class MessageCapture : public ForwardingSink {
 public:
  explicit MessageCapture(AppFrameFunctions& next) : ForwardingSink(next) {}

  void LogLine(const char* format, va_list args) override;
  void ErrorLine(const char* format, va_list args) override;
  void WarningLine(const char* format, va_list args) override;
  void NoticeLine(const char* format, va_list args) override;
  void ReportLine(const char* format, va_list args) override;
  void ReportLevelLine(int level, const char* format, va_list args) override;
  // Lines are recorded even when no-logs keeps them from being printed.
  bool KeepsSilencedLines() const override { return true; }

  const std::vector<CapturedMessage>& Messages() const { return messages_; }

 private:
  void Record(MessageSeverity byFunction, const char* format, va_list args);

  std::vector<CapturedMessage> messages_;
};
