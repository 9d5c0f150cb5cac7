#pragma once
// Installs a message sink that records every line, for the lifetime of the object.
#include <cstdio>
#include <string>
#include <vector>

#include "el/appframe/app_frame.h"

class CapturedMessages : public AppFrameFunctions {
 public:
  CapturedMessages() { SetAppFrameFunctions(this); }
  ~CapturedMessages() override {
    SetAppFrameFunctions(nullptr);
    SetNoLogs(false);
  }

  // Like every sink, prints nothing once the no-logs flag is set.
  void LogLine(const char* format, va_list args) override {
    if (!NoLogs()) lines.push_back("log: " + Format(format, args));
  }
  void ErrorLine(const char* format, va_list args) override {
    if (!NoLogs()) lines.push_back("error: " + Format(format, args));
  }

  // All lines, each ending in '\n'.
  std::string Text() const {
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    return text;
  }

  std::vector<std::string> lines;  // "log: ..." or "error: ..."

 private:
  static std::string Format(const char* format, va_list args) {
    char buffer[4096];
    va_list copy;
    va_copy(copy, args);
    std::vsnprintf(buffer, sizeof buffer, format, copy);
    va_end(copy);
    return buffer;
  }
};
