#pragma once
// Helpers of the preprocessor tests: a message sink that records lines, runs over texts
// held in memory, and a temporary folder tree on the disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "el/appframe/app_frame.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_folder.h"
#include "el/preproc/file_bank.h"
#include "el/preproc/preproc.h"
#include "el/qstream/qo_stream.h"

// The result of one preprocessing call.
struct PreprocResult {
  bool ok = false;
  std::string text;
};

inline PreprocResult RunBank(const MemoryFileBank& bank, const std::string& fileName,
                             const PredefinedMacro* defines = nullptr, bool lineMarkers = true) {
  QOStrStream out;
  PreprocResult result;
  result.ok = CPreprocessorFunctions::Preprocess(out, bank, fileName, defines, lineMarkers);
  result.text = out.Str();
  return result;
}

// Preprocesses `text` as the file "main.cpp"; `files` are further files of the bank.
inline PreprocResult RunText(const std::string& text,
                             const std::vector<std::pair<std::string, std::string>>& files = {},
                             const PredefinedMacro* defines = nullptr, bool lineMarkers = true) {
  MemoryFileBank bank;
  bank.Add("main.cpp", text);
  for (const auto& [name, content] : files) bank.Add(name, content);
  return RunBank(bank, "main.cpp", defines, lineMarkers);
}

// The output of `text`, which must preprocess without failure.
inline std::string Expand(const std::string& text, const PredefinedMacro* defines = nullptr) {
  CapturedMessages messages;
  PreprocResult result = RunText(text, {}, defines);
  EXPECT_TRUE(result.ok) << text;
  return result.text;
}

inline size_t CountLines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Sets KILNIFY_WORK_DRIVE while it lives and restores the earlier value.
class WorkDriveScope {
 public:
  explicit WorkDriveScope(const std::string& root) {
    if (const char* old = std::getenv("KILNIFY_WORK_DRIVE")) old_ = old;
    ::setenv("KILNIFY_WORK_DRIVE", root.c_str(), 1);
  }
  ~WorkDriveScope() {
    if (old_) {
      ::setenv("KILNIFY_WORK_DRIVE", old_->c_str(), 1);
    } else {
      ::unsetenv("KILNIFY_WORK_DRIVE");
    }
  }
  WorkDriveScope(const WorkDriveScope&) = delete;
  WorkDriveScope& operator=(const WorkDriveScope&) = delete;

 private:
  std::optional<std::string> old_;
};

// The engine form of a host path.
inline std::string EngineForm(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}
