#pragma once
// Running one of the built programs and capturing what it prints.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

struct ProgramResult {
  int exitCode = -1;
  std::string out;       // standard output (or both streams, when merged)
  std::string err;       // standard error (empty when merged)
};

struct ProgramOptions {
  std::filesystem::path workingFolder{};     // empty: the test's own
  bool mergeStreams = false;                 // standard error into the same pipe as output
  std::vector<std::string> environment{};    // extra NAME=value entries
  // When not zero, the program is killed (SIGKILL) once it has run this long: a test of a
  // hang fails instead of hanging, and a test can stop a run at a chosen moment. Its exit
  // code is then 128 + 9.
  std::chrono::milliseconds killAfter{0};
};

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const ProgramOptions& options = {});

// The path of an executable in the build folder (KILNIFY_BUILD_DIR, set by CTest).
std::filesystem::path BuiltProgram(const std::string& name);

// `err` without the summary line that ends every conversion run on standard error
// ("kilnify: N converted, ... in T s"), for tests about the lines before it.
std::string WithoutSummary(const std::string& err);
