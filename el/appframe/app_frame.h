#pragma once
// The process-wide message functions and the sink they hand their text to.
//
// Everything the tool and the engine code report goes through these functions.
// The log channel is meant for progress (standard output), the error channel for
// problems (standard error). The installed sink decides how a line is printed;
// without an installed sink the base class prints plain lines.

#include <cstdarg>
#include <string>

class AppFrameFunctions {
 public:
  virtual ~AppFrameFunctions() = default;

  // Log channel: one formatted line.
  virtual void LogLine(const char* format, va_list args);
  // Error channel: one formatted line.
  virtual void ErrorLine(const char* format, va_list args);
  // Warnings share the error channel.
  virtual void WarningLine(const char* format, va_list args) { ErrorLine(format, args); }
  // Notices share the error channel too: lines that tell what happens, not what went wrong.
  virtual void NoticeLine(const char* format, va_list args) { ErrorLine(format, args); }
  // The two further reporting functions; silenced by the no-logs flag.
  virtual void ReportLine(const char* format, va_list args);
  virtual void ReportLevelLine(int level, const char* format, va_list args);

  // True for a sink that wants the lines the no-logs flag silences (it records them and
  // prints nothing of them): the message functions then hand those lines over too.
  virtual bool KeepsSilencedLines() const { return false; }
};

// Installs `sink` as the process-wide message sink (nullptr restores the default).
// The sink is not owned.
void SetAppFrameFunctions(AppFrameFunctions* sink);
AppFrameFunctions& CurrentAppFrameFunctions();

// Installs `sink` for the calling thread only, in place of the process-wide one
// (nullptr: the thread uses the process-wide sink again). Work that runs on helper
// threads records its messages so that they can be told later, in order.
void SetThreadAppFrameFunctions(AppFrameFunctions* sink);

// The process-wide no-logs flag: once set, every message function stays silent.
void SetNoLogs(bool noLogs);
bool NoLogs();

#define KLN_PRINTF(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))

// Log channel; nothing when no-logs is set.
void LogMessage(const char* format, ...) KLN_PRINTF(1, 2);
// Error channel.
void ErrorMessage(const char* format, ...) KLN_PRINTF(1, 2);
// Error channel, for a line that reports no problem (a record of the run counts it as
// information, not as an error).
void NoticeMessage(const char* format, ...) KLN_PRINTF(1, 2);
// Error channel; nothing when no-logs is set.
void WarningMessage(const char* format, ...) KLN_PRINTF(1, 2);
// Further reports on the error channel; nothing when no-logs is set.
void ReportMessage(const char* format, ...) KLN_PRINTF(1, 2);
void ReportLevelMessage(int level, const char* format, ...) KLN_PRINTF(2, 3);

// The text a printf-style format and its arguments give, of any length.
std::string FormatMessage(const char* format, va_list args);
