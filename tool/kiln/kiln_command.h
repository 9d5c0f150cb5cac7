#pragma once
// The subcommands of the companion tool `kiln`.
#include <string>
#include <vector>

namespace kiln {

struct Command {
  const char* name;
  const char* arguments;  // shown in the usage text
  const char* summary;
  int minArgs;
  int maxArgs;
  // Runs with the arguments after the command name; returns the exit code.
  int (*run)(const std::vector<std::string>& args);
};

// Every command, in the order of the usage text.
const std::vector<Command>& Commands();

int RunPreprocess(const std::vector<std::string>& args);
int RunConfigToBinary(const std::vector<std::string>& args);
int RunBinaryToConfig(const std::vector<std::string>& args);
int RunDump(const std::vector<std::string>& args);
int RunRtmToBmtr(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunCopyTextures(const std::vector<std::string>& args);
int RunPaaToPng(const std::vector<std::string>& args);
int RunMounts(const std::vector<std::string>& args);

}  // namespace kiln
