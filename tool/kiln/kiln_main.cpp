// `kiln`: the companion tool of the converter, for looking into and converting single
// files.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "el/appframe/app_frame.h"
#include "tool/kiln/kiln_command.h"
#include "tool/tool_version.h"
#include "tool/mount_setup.h"

namespace {

void PrintUsage(FILE* stream) {
  std::fprintf(stream, "Usage: kiln COMMAND [-mount=WORKPATH=FOLDER]... [-prefixFile=NAME] [ARGUMENTS]\n\nCommands:\n");
  for (const kiln::Command& command : kiln::Commands())
    std::fprintf(stream, "  %-10s %-24s %s\n", command.name, command.arguments, command.summary);
  std::fprintf(stream,
               "\n'kiln COMMAND --help' describes one command.\n"
               "Exit codes: 0 done, 1 the input could not be read or the output written, 2 a wrong command line.\n");
}

void PrintCommandHelp(const kiln::Command& command) {
  std::printf("Usage: kiln %s %s\n%s.\n", command.name, command.arguments, command.summary);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stdout);
    return 2;
  }
  if (std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("kiln (Kilnify) rev.%d\n", kln::kRevision);
    return 0;
  }
  for (const kiln::Command& command : kiln::Commands()) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const std::string& arg : args) {
      if (arg == "--help") {
        PrintCommandHelp(command);
        return 0;
      }
    }
    // Every command reads names from data through the same mounts as the converter.
    kln::MountOptions mounts;
    kln::TakeMountOptions(args, mounts);
    if (!kln::SetUpMounts(mounts, {RString(".")})) return 1;
    int count = static_cast<int>(args.size());
    if (count < command.minArgs || count > command.maxArgs) {
      std::fprintf(stderr, "kiln %s: expected %s\n", command.name, command.arguments);
      return 2;
    }
    return command.run(args);
  }
  std::fprintf(stderr, "kiln: unknown command '%s'\n\n", argv[1]);
  PrintUsage(stderr);
  return 2;
}
