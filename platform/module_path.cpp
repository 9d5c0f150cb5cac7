#include "platform/module_path.h"

#include <unistd.h>

#include "platform/engine_path.h"

std::string ModulePath() {
  char buffer[4096];
  ssize_t size = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (size <= 0) return {};
  return ToEnginePath(std::string_view(buffer, static_cast<size_t>(size)));
}
