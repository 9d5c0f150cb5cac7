#include "platform/make_folder.h"

#include <sys/stat.h>

#include "platform/engine_path.h"

bool MakeFolder(std::string_view enginePath) {
  return ::mkdir(ToHostPath(enginePath).c_str(), 0777) == 0;
}
