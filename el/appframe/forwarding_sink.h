#pragma once
// Sinks that watch the lines go by on their way to another sink: a record of the messages
// of one file, a status line on a terminal that makes way for them.
#include "el/appframe/app_frame.h"

class ForwardingSink : public AppFrameFunctions {
 public:
  explicit ForwardingSink(AppFrameFunctions& next) : next_(next) {}

  void LogLine(const char* format, va_list args) override;
  void ErrorLine(const char* format, va_list args) override;
  void WarningLine(const char* format, va_list args) override;
  void NoticeLine(const char* format, va_list args) override;
  void ReportLine(const char* format, va_list args) override;
  void ReportLevelLine(int level, const char* format, va_list args) override;
  bool KeepsSilencedLines() const override { return next_.KeepsSilencedLines(); }

 protected:
  // Called before and after a line is handed on (default: nothing).
  virtual void BeforeLine() {}
  virtual void AfterLine() {}

 private:
  // A line of a channel that no-logs silences reaches the next sink only when it wants
  // such lines: a sink before it may have asked for them to record them.
  bool Passes(bool silenceable) const { return !silenceable || !NoLogs() || next_.KeepsSilencedLines(); }

  AppFrameFunctions& next_;
};

// Installs `sink` as the process-wide sink while it lives; the sink it replaced comes back
// afterwards.
class ScopedSink {
 public:
  explicit ScopedSink(AppFrameFunctions& sink) : previous_(CurrentAppFrameFunctions()) { SetAppFrameFunctions(&sink); }
  ~ScopedSink() { SetAppFrameFunctions(&previous_); }
  ScopedSink(const ScopedSink&) = delete;
  ScopedSink& operator=(const ScopedSink&) = delete;

 private:
  AppFrameFunctions& previous_;
};
