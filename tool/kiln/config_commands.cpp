// kiln cfg2bin / bin2cfg: converting configurations between their text and binary forms.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "el/paramfile/param_file.h"
#include "el/qstream/qo_file_stream.h"
#include "platform/engine_path.h"
#include "tool/kiln/kiln_command.h"

namespace kiln {
namespace {

// The tree of a command lives until the process ends: freeing a large tree entry by entry
// takes a tenth of the command's time, and the system takes the memory back at once. The
// static pointer keeps it reachable for leak checkers.
ParamFile& TreeKeptToExit() {
  static ParamFile* file = nullptr;
  delete file;
  file = new ParamFile;
  return *file;
}

}  // namespace

int RunConfigToBinary(const std::vector<std::string>& args) {
  ParamFile& file = TreeKeptToExit();
  const RString input = ToEnginePath(args[0]);
  if (int error = file.Parse(input); error != 0) {
    std::fprintf(stderr, "kiln cfg2bin: %s does not parse (error %d)\n", input.c_str(), error);
    return 1;
  }
  errno = 0;
  if (!file.SaveBin(ToEnginePath(args[1]))) {
    std::fprintf(stderr, "kiln cfg2bin: cannot write %s%s%s\n", args[1].c_str(), errno ? ": " : "",
                 errno ? std::strerror(errno) : "");
    return 1;
  }
  return 0;
}

int RunBinaryToConfig(const std::vector<std::string>& args) {
  ParamFile& file = TreeKeptToExit();
  const RString input = ToEnginePath(args[0]);
  if (int error = file.LoadBin(input); error != 0) {
    std::fprintf(stderr, "kiln bin2cfg: %s is not a readable binary configuration (error %d)\n", input.c_str(),
                 error);
    return 1;
  }
  errno = 0;
  if (!file.SaveText(ToEnginePath(args[1]))) {
    std::fprintf(stderr, "kiln bin2cfg: cannot write %s%s%s\n", args[1].c_str(), errno ? ": " : "",
                 errno ? std::strerror(errno) : "");
    return 1;
  }
  return 0;
}

}  // namespace kiln
