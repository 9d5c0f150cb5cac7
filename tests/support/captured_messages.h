#pragma once
// Installs a message sink that records every line, for the lifetime of the object.
#include <algorithm>
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
    if (NoLogs()) return;
    logLines.push_back(Format(format, args));
    lines.push_back("log: " + logLines.back());
  }
  void ErrorLine(const char* format, va_list args) override {
    if (NoLogs()) return;
    errorLines.push_back(Format(format, args));
    lines.push_back("error: " + errorLines.back());
  }

  bool Logged(const std::string& line) const { return Contains(logLines, line); }
  bool Errored(const std::string& line) const { return Contains(errorLines, line); }
  bool Has(const std::string& line) const { return Logged(line) || Errored(line); }
  // True when some line ends with `text`.
  bool HasLineEndingWith(const std::string& text) const {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0;
    });
  }
  // All lines in order, each "log: ..." or "error: ..." and a line end.
  std::string Text() const {
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    return text;
  }
  std::string All() const { return Text(); }
  void Clear() {
    lines.clear();
    logLines.clear();
    errorLines.clear();
  }

  std::vector<std::string> lines;  // both channels in order, with their prefixes
  std::vector<std::string> logLines;
  std::vector<std::string> errorLines;

 private:
  static bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  static std::string Format(const char* format, va_list args) {
    char buffer[4096];
    va_list copy;
    va_copy(copy, args);
    std::vsnprintf(buffer, sizeof buffer, format, copy);
    va_end(copy);
    return buffer;
  }
};
