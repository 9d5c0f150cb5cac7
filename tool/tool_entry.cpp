#include "tool/tool_entry.h"

#include <algorithm>
#include <cstdio>

#include "el/appframe/app_frame.h"
#include "platform/command_line.h"
#include "tool/child_process_list.h"
#include "tool/conversion_run.h"
#include "tool/kilnify_frame_functions.h"

namespace kln {
namespace {

constexpr int kRevision = 160123;
constexpr int kExitBadArguments = 2;

}  // namespace

int ToolEntry(const std::vector<std::string>& args) {
  // Lines of the two streams must appear in the order they were printed.
  std::setvbuf(stdout, nullptr, _IONBF, 0);

  // Every '/' of the command line becomes '\' before anything else sees it.
  std::vector<std::string> engineArgs = args;
  for (std::string& arg : engineArgs) std::replace(arg.begin(), arg.end(), '/', '\\');
  std::string commandLine = JoinCommandLine(engineArgs);

  std::printf("KILNIFY rev.%d\n", kRevision);
  std::printf("%s\n", commandLine.c_str());

  std::vector<std::string> split = SplitCommandLine(commandLine);
  if (split.empty()) return kExitBadArguments;
  std::vector<char*> argv;
  for (std::string& arg : split) argv.push_back(arg.data());
  argv.push_back(nullptr);

  static KilnifyFrameFunctions sink;
  SetAppFrameFunctions(&sink);
  int result = RunConversion(static_cast<int>(split.size()), argv.data());
  // Children still running are waited for while the run's message rules (-noLogs, the cut
  // of long lines) still hold for what the wait may report.
  ChildProcesses().WaitForAll();
  SetAppFrameFunctions(nullptr);
  return result;
}

}  // namespace kln
