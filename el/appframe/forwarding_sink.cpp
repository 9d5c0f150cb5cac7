#include "el/appframe/forwarding_sink.h"

void ForwardingSink::LogLine(const char* format, va_list args) {
  if (!Passes(true)) return;
  BeforeLine();
  next_.LogLine(format, args);
  AfterLine();
}

void ForwardingSink::ErrorLine(const char* format, va_list args) {
  BeforeLine();
  next_.ErrorLine(format, args);
  AfterLine();
}

void ForwardingSink::WarningLine(const char* format, va_list args) {
  if (!Passes(true)) return;
  BeforeLine();
  next_.WarningLine(format, args);
  AfterLine();
}

void ForwardingSink::NoticeLine(const char* format, va_list args) {
  BeforeLine();
  next_.NoticeLine(format, args);
  AfterLine();
}

void ForwardingSink::ReportLine(const char* format, va_list args) {
  if (!Passes(true)) return;
  BeforeLine();
  next_.ReportLine(format, args);
  AfterLine();
}

void ForwardingSink::ReportLevelLine(int level, const char* format, va_list args) {
  if (!Passes(true)) return;
  BeforeLine();
  next_.ReportLevelLine(level, format, args);
  AfterLine();
}
