// The converter executable.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/module_path.h"
#include "tool/tool_entry.h"
#include "tool/tool_mode.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  if (!kln::IsToolMode(ModulePath(), JoinCommandLine(args))) {
    std::fprintf(stderr, "This build holds only the converter: run it as kilnify, or add -kilnify.\n");
    // Not 3: that code tells a -strict run with failed files.
    return 4;
  }
  return kln::ToolEntry(args);
}
