// `kiln mounts`: the mount table a run would use, built from the same options, environment
// and prefix files as the run.
#include <cstdio>

#include "lib/dump/dump_writer.h"
#include "platform/engine_resolver.h"
#include "platform/host_file.h"
#include "tool/kiln/kiln_command.h"

namespace kiln {

int RunMounts(const std::vector<std::string>& args) {
  bool json = false;
  for (const std::string& arg : args) {
    if (arg != "--json") {
      std::fprintf(stderr, "kiln mounts: unknown argument %s\n", arg.c_str());
      return 2;
    }
    json = true;
  }
  DumpWriter out(json);
  out.BeginObject();
  out.String("workDrive", WorkDriveRoot());
  out.BeginArray("mounts");
  for (const Mount& mount : Mounts().All()) {
    out.BeginObject();
    out.String("workPath", mount.workPath);
    out.String("folder", mount.folder);
    out.String("from", mount.origin);
    out.EndObject();
  }
  out.EndArray();
  out.EndObject();
  std::fputs(out.Take().c_str(), stdout);
  return 0;
}

}  // namespace kiln
