#include "el/appframe/message_recorder.h"

namespace {

// Calls `line` of `sink` with the text as its only argument.
void Tell(AppFrameFunctions& sink, void (AppFrameFunctions::*line)(const char*, va_list), const char* format, ...) {
  va_list args;
  va_start(args, format);
  (sink.*line)(format, args);
  va_end(args);
}

void TellLevel(AppFrameFunctions& sink, int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  sink.ReportLevelLine(level, format, args);
  va_end(args);
}

}  // namespace

std::vector<std::string> MessageRecorder::Texts() const {
  std::vector<std::string> texts;
  for (const Line& line : lines_) texts.push_back(line.text);
  return texts;
}

std::vector<std::string> MessageRecorder::ErrorChannelTexts() const {
  std::vector<std::string> texts;
  for (const Line& line : lines_)
    if (line.channel != Channel::kLog) texts.push_back(line.text);
  return texts;
}

void MessageRecorder::Replay() {
  AppFrameFunctions& sink = CurrentAppFrameFunctions();
  for (const Line& line : lines_) {
    const char* text = line.text.c_str();
    switch (line.channel) {
      case Channel::kLog: Tell(sink, &AppFrameFunctions::LogLine, "%s", text); break;
      case Channel::kError: Tell(sink, &AppFrameFunctions::ErrorLine, "%s", text); break;
      case Channel::kWarning: Tell(sink, &AppFrameFunctions::WarningLine, "%s", text); break;
      case Channel::kNotice: Tell(sink, &AppFrameFunctions::NoticeLine, "%s", text); break;
      case Channel::kReport: Tell(sink, &AppFrameFunctions::ReportLine, "%s", text); break;
      case Channel::kReportLevel: TellLevel(sink, line.level, "%s", text); break;
    }
  }
  lines_.clear();
}
