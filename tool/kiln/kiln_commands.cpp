#include "tool/kiln/kiln_command.h"

namespace kiln {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"preprocess", "FILE", "print the preprocessed text of a configuration", 1, 1, RunPreprocess},
      {"cfg2bin", "IN OUT", "write a text configuration in binary form", 2, 2, RunConfigToBinary},
      {"bin2cfg", "IN OUT", "write a binary configuration as text", 2, 2, RunBinaryToConfig},
      {"dump", "FILE [--json]", "describe a model, texture or texture headers file", 1, 2, RunDump},
      {"mounts", "[--json]", "print the mount table (work path, folder, where it came from)", 0, 1, RunMounts},
  };
  return commands;
}

}  // namespace kiln
