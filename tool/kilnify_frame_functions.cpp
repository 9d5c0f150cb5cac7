#include "tool/kilnify_frame_functions.h"

#include <cstring>

namespace kln {
namespace {

void PrintLine(FILE* stream, const char* format, va_list args) {
  if (NoLogs()) return;
  char buffer[KilnifyFrameFunctions::kMaxLine + 1];
  int length = FormatSinkLine(buffer, format, args);
  std::fwrite(buffer, 1, static_cast<size_t>(length), stream);
  std::fflush(stream);
}

}  // namespace

int FormatSinkLine(char (&buffer)[KilnifyFrameFunctions::kMaxLine + 1], const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int written = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  if (written < 0) {
    buffer[0] = 0;
    written = 0;
  }
  int length = written < KilnifyFrameFunctions::kMaxLine ? written : KilnifyFrameFunctions::kMaxLine;
  if (length <= KilnifyFrameFunctions::kMaxLine - 1) {
    buffer[length++] = '\n';
    buffer[length] = 0;
  }
  return length;
}

void KilnifyFrameFunctions::LogLine(const char* format, va_list args) { PrintLine(logStream_, format, args); }

void KilnifyFrameFunctions::ErrorLine(const char* format, va_list args) { PrintLine(errorStream_, format, args); }

void KilnifyFrameFunctions::ReportLine(const char* format, va_list args) {
  if (!NoLogs()) WarningLine(format, args);
}

void KilnifyFrameFunctions::ReportLevelLine(int, const char* format, va_list args) {
  if (!NoLogs()) WarningLine(format, args);
}

}  // namespace kln
