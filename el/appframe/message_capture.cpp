#include "el/appframe/message_capture.h"

#include "el/appframe/message_origin.h"

namespace {

bool BeginsWithWarning(std::string_view text) {
  constexpr std::string_view kWarning = "warning";
  if (text.size() < kWarning.size()) return false;
  for (size_t i = 0; i < kWarning.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kWarning[i]) return false;
  }
  return true;
}

}  // namespace

MessageSeverity ClassifyMessage(MessageSeverity byFunction, std::string_view text) {
  std::optional<MessageOrigin> origin = FindMessageOrigin(text);
  return BeginsWithWarning(origin ? origin->rest : text) ? MessageSeverity::kWarning : byFunction;
}

void MessageCapture::Record(MessageSeverity byFunction, const char* format, va_list args) {
  std::string text = FormatMessage(format, args);
  MessageSeverity severity = ClassifyMessage(byFunction, text);
  messages_.push_back({severity, std::move(text)});
}

void MessageCapture::LogLine(const char* format, va_list args) {
  Record(MessageSeverity::kInfo, format, args);
  ForwardingSink::LogLine(format, args);
}

void MessageCapture::ErrorLine(const char* format, va_list args) {
  Record(MessageSeverity::kError, format, args);
  ForwardingSink::ErrorLine(format, args);
}

void MessageCapture::WarningLine(const char* format, va_list args) {
  Record(MessageSeverity::kWarning, format, args);
  ForwardingSink::WarningLine(format, args);
}

void MessageCapture::NoticeLine(const char* format, va_list args) {
  Record(MessageSeverity::kInfo, format, args);
  ForwardingSink::NoticeLine(format, args);
}

void MessageCapture::ReportLine(const char* format, va_list args) {
  Record(MessageSeverity::kWarning, format, args);
  ForwardingSink::ReportLine(format, args);
}

void MessageCapture::ReportLevelLine(int level, const char* format, va_list args) {
  Record(MessageSeverity::kWarning, format, args);
  ForwardingSink::ReportLevelLine(level, format, args);
}
