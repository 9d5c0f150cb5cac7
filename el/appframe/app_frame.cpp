#include "el/appframe/app_frame.h"

#include <cstdio>

namespace {

AppFrameFunctions gDefaultSink;
AppFrameFunctions* gSink = &gDefaultSink;
bool gNoLogs = false;
thread_local AppFrameFunctions* tSink = nullptr;

// The sink of the calling thread.
AppFrameFunctions& Sink() { return tSink ? *tSink : *gSink; }

// A line that the no-logs flag silences is not even formatted, unless the sink records it.
bool Silenced() { return gNoLogs && !Sink().KeepsSilencedLines(); }

void PrintPlainLine(FILE* stream, const char* format, va_list args) {
  vfprintf(stream, format, args);
  fputc('\n', stream);
  fflush(stream);
}

}  // namespace

void AppFrameFunctions::LogLine(const char* format, va_list args) {
  if (!gNoLogs) PrintPlainLine(stdout, format, args);
}

void AppFrameFunctions::ErrorLine(const char* format, va_list args) {
  if (!gNoLogs) PrintPlainLine(stderr, format, args);
}

void AppFrameFunctions::ReportLine(const char* format, va_list args) {
  if (!gNoLogs) WarningLine(format, args);
}

void AppFrameFunctions::ReportLevelLine(int /*level*/, const char* format, va_list args) {
  if (!gNoLogs) WarningLine(format, args);
}

void SetAppFrameFunctions(AppFrameFunctions* sink) { gSink = sink ? sink : &gDefaultSink; }
AppFrameFunctions& CurrentAppFrameFunctions() { return *gSink; }
void SetThreadAppFrameFunctions(AppFrameFunctions* sink) { tSink = sink; }

void SetNoLogs(bool noLogs) { gNoLogs = noLogs; }
bool NoLogs() { return gNoLogs; }

void LogMessage(const char* format, ...) {
  if (Silenced()) return;
  va_list args;
  va_start(args, format);
  Sink().LogLine(format, args);
  va_end(args);
}

void ErrorMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Sink().ErrorLine(format, args);
  va_end(args);
}

void NoticeMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Sink().NoticeLine(format, args);
  va_end(args);
}

void WarningMessage(const char* format, ...) {
  if (Silenced()) return;
  va_list args;
  va_start(args, format);
  Sink().WarningLine(format, args);
  va_end(args);
}

void ReportMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Sink().ReportLine(format, args);
  va_end(args);
}

void ReportLevelMessage(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  Sink().ReportLevelLine(level, format, args);
  va_end(args);
}

std::string FormatMessage(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
  va_copy(copy, args);
  std::vsnprintf(text.data(), text.size() + 1, format, copy);
  va_end(copy);
  return text;
}
