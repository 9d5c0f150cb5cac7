#pragma once
// The engine's progress label: what the engine is busy with, for a progress display.
// The converter has no display; the label is only kept, so that a caller (or a test)
// can ask what is being loaded.
#include <string>

// Sets the label for the lifetime of the object and restores the previous one after.
class ProgressScope {
 public:
  // `format` is a printf format with one "%s" for `argument`.
  ProgressScope(const char* format, const std::string& argument);
  ~ProgressScope();
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  std::string previous_;
};

// The current label (empty when nothing is in progress).
const std::string& ProgressLabel();
