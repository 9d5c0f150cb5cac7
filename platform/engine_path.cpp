#include "platform/engine_path.h"

#include <algorithm>

std::string ToHostPath(std::string_view enginePath) {
  std::string host(enginePath);
  std::replace(host.begin(), host.end(), '\\', '/');
  return host;
}

std::string ToEnginePath(std::string_view hostPath) {
  std::string engine(hostPath);
  std::replace(engine.begin(), engine.end(), '/', '\\');
  return engine;
}
