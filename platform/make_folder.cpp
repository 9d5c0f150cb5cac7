#include "platform/make_folder.h"

#include <sys/stat.h>

#include "platform/host_file.h"

bool MakeFolder(std::string_view enginePath) {
  return ::mkdir(HostPathForWrite(enginePath).c_str(), 0777) == 0;
}
