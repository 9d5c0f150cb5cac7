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

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Calls `visit` with every non-empty component of `path`; stops when it returns false.
template <class Visit>
void ForEachComponent(std::string_view path, Visit visit) {
  size_t pos = 0;
  while (pos < path.size()) {
    size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (end > pos && !visit(path.substr(pos, end - pos))) return;
    pos = end + 1;
  }
}

// How deep below its start `path` ends; -1 as soon as it climbs above the start.
long FinalDepth(std::string_view path) {
  long depth = 0;
  ForEachComponent(path, [&depth](std::string_view part) {
    if (part == "..")
      --depth;
    else if (part != ".")
      ++depth;
    return depth >= 0;
  });
  return depth;
}

}  // namespace

bool HasParentStep(std::string_view enginePath) {
  bool found = false;
  ForEachComponent(enginePath, [&found](std::string_view part) {
    found = part == "..";
    return !found;
  });
  return found;
}

bool ClimbsAboveRoot(std::string_view enginePath) { return FinalDepth(enginePath) < 0; }

bool IsInsideFolder(std::string_view enginePath, std::string_view engineFolder) {
  while (!engineFolder.empty() && IsSeparator(engineFolder.back())) engineFolder.remove_suffix(1);
  if (enginePath.size() <= engineFolder.size() || enginePath.substr(0, engineFolder.size()) != engineFolder ||
      !IsSeparator(enginePath[engineFolder.size()]))
    return false;
  return FinalDepth(enginePath.substr(engineFolder.size() + 1)) > 0;
}
