#pragma once
// Running a program of the build from a benchmark and measuring it as a whole process.
#include <filesystem>
#include <string>
#include <vector>

struct TimedRun {
  bool ok = false;              // it started and exited with code 0
  double seconds = 0;           // elapsed time
  double processorSeconds = 0;  // user and system time, its children included
  long peakKilobytes = 0;       // peak resident memory
};

// Runs `args` (the program first) in `folder` (empty: this process's folder), its standard
// output thrown away when `quiet`.
TimedRun RunTimed(std::vector<std::string> args, const std::filesystem::path& folder = {}, bool quiet = false);
