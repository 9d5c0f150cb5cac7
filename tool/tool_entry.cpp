#include "tool/tool_entry.h"

#include <algorithm>
#include <cstdio>

#include "el/appframe/app_frame.h"
#include "platform/command_line.h"
#include "tool/child_process_list.h"
#include "tool/conversion_run.h"
#include "tool/kilnify_frame_functions.h"
#include "tool/tool_version.h"
#include "tool/usage.h"

namespace kln {
namespace {

constexpr int kExitBadArguments = 2;

// --help or --version among the options (before the first argument that is no option),
// the GNU way: the text on standard output, nothing else, exit code 0.
bool PrintedHelpOrVersion(const std::vector<std::string>& args) {
  for (size_t i = 1; i < args.size() && !args[i].empty() && args[i][0] == '-'; ++i) {
    if (args[i] == "--help") {
      PrintHelp();
      return true;
    }
    if (args[i] == "--version") {
      PrintVersion();
      return true;
    }
  }
  return false;
}

}  // namespace

int ToolEntry(const std::vector<std::string>& args) {
  // Lines of the two streams must appear in the order they were printed.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (PrintedHelpOrVersion(args)) return 0;

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
