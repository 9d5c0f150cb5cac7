#pragma once
// The converter's message sink: log lines to standard output, error lines to standard
// error, each cut to 511 characters.
#include <cstdio>

#include "el/appframe/app_frame.h"

namespace kln {

class KilnifyFrameFunctions : public AppFrameFunctions {
 public:
  explicit KilnifyFrameFunctions(FILE* logStream = stdout, FILE* errorStream = stderr)
      : logStream_(logStream), errorStream_(errorStream) {}

  void LogLine(const char* format, va_list args) override;
  void ErrorLine(const char* format, va_list args) override;
  void WarningLine(const char* format, va_list args) override { ErrorLine(format, args); }
  void ReportLine(const char* format, va_list args) override;
  void ReportLevelLine(int level, const char* format, va_list args) override;

  // The longest text printed; a text of this length gets no line end.
  static constexpr int kMaxLine = 511;

 private:
  FILE* logStream_;
  FILE* errorStream_;
};

// Formats one message the way the sink prints it: at most 511 characters, with a line
// end appended when the text has at most 510.
int FormatSinkLine(char (&buffer)[KilnifyFrameFunctions::kMaxLine + 1], const char* format, va_list args);

}  // namespace kln
