#include "tool/kiln/kiln_command.h"

namespace kiln {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"preprocess", "FILE", "print the preprocessed text of a configuration", 1, 1, RunPreprocess},
      {"cfg2bin", "IN OUT", "write a text configuration in binary form", 2, 2, RunConfigToBinary},
      {"bin2cfg", "IN OUT", "write a binary configuration as text", 2, 2, RunBinaryToConfig},
      {"dump", "FILE [--json]", "describe a model, world, animation, texture or texture headers file", 1, 2, RunDump},
      {"rtm2bmtr", "-config=CFG -skeleton=NAME [-turnAround] IN OUT",
       "write an animation in runtime form, bound to a skeleton of CFG", 3, 5, RunRtmToBmtr},
      {"convert", "[OPTIONS] [-root=DIR] [-depfile=FILE] IN OUT",
       "convert one model, world or animation with the converter's start-up", 2, 64, RunConvert},
      {"copytextures", "[OPTIONS] [-list=LST] -stamp=FILE USED...",
       "copy the textures that kiln convert -usedTextures= listed", 1, 100000, RunCopyTextures},
      {"paa2png", "IN OUT [-mip=N]", "write a mipmap level of a texture as a PNG image", 2, 3, RunPaaToPng},
      {"mounts", "[--json]", "print the mount table (work path, folder, where it came from)", 0, 1, RunMounts},
  };
  return commands;
}

}  // namespace kiln
