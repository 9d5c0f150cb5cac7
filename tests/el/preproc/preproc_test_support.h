#pragma once
// Helpers of the preprocessor tests: a message sink that records lines, runs over texts
// held in memory (with or without limits), tables of expansions, and a work drive on the
// disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/preproc/file_bank.h"
#include "el/preproc/file_preprocessor.h"
#include "el/preproc/preproc.h"
#include "el/qstream/qo_stream.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_folder.h"

using Files = std::vector<std::pair<std::string, std::string>>;

// The result of one preprocessing call.
struct PreprocResult {
  bool ok = false;
  std::string text;
};

// Preprocesses `text` as the file "main.cpp"; `files` are further files of the bank.
inline PreprocResult RunText(const std::string& text, const Files& files = {}, const PredefinedMacro* defines = nullptr,
                             bool lineMarkers = true) {
  MemoryFileBank bank;
  bank.Add("main.cpp", text);
  for (const auto& [name, content] : files) bank.Add(name, content);
  QOStrStream out;
  PreprocResult result;
  result.ok = CPreprocessorFunctions::Preprocess(out, bank, "main.cpp", defines, lineMarkers);
  result.text = out.Str();
  return result;
}

// The output of `text`, which must preprocess without failure.
inline std::string Expand(const std::string& text, const PredefinedMacro* defines = nullptr) {
  CapturedMessages messages;
  PreprocResult result = RunText(text, {}, defines);
  EXPECT_TRUE(result.ok) << text;
  return result.text;
}

// One row of a table of expansions: `text` must give exactly `expected`.
struct ExpandCase {
  const char* name;
  std::string text;
  std::string expected;
};

inline void ExpectExpansions(std::initializer_list<ExpandCase> cases, const PredefinedMacro* defines = nullptr) {
  for (const ExpandCase& c : cases) EXPECT_EQ(Expand(c.text, defines), c.expected) << c.name << ": " << c.text;
}

inline size_t CountLines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The error code and the output of "main.cpp" within `limits`; `files` are further files.
inline std::pair<int, std::string> RunLimited(const std::string& text, const PreprocLimits& limits,
                                              const Files& files = {}) {
  MemoryFileBank bank;
  bank.Add("main.cpp", text);
  for (const auto& [name, content] : files) bank.Add(name, content);
  QOStrStream out;
  BankPreprocessor preproc(out, bank);
  preproc.SetLimits(limits);
  preproc.Process("main.cpp");
  return {preproc.Error(), out.Str()};
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
