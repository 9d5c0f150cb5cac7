#pragma once
// Running one of the built programs and capturing what it prints.
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
};

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const ProgramOptions& options = {});

// The path of an executable in the build folder (KILNIFY_BUILD_DIR, set by CTest).
std::filesystem::path BuiltProgram(const std::string& name);

// `err` without the summary line that ends every conversion run on standard error
// ("kilnify: N converted, ... in T s"), for tests about the lines before it.
std::string WithoutSummary(const std::string& err);
