#include "platform/host_file.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <strings.h>

#include "platform/engine_path.h"

namespace {

bool HostExists(const std::string& hostPath) {
  struct stat st;
  return ::stat(hostPath.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` ignoring ASCII case; empty when none.
std::string FindIgnoringCase(const std::string& folder, std::string_view name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return {};
  std::string found;
  std::string wanted(name);
  while (dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, wanted.c_str()) == 0) {
      found = entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// Rebuilds `hostPath` component by component, replacing each missing component by an
// entry of its folder that differs only in case. Empty when some component is missing.
std::string ResolveCase(const std::string& hostPath) {
  std::string result;
  size_t pos = 0;
  if (!hostPath.empty() && hostPath[0] == '/') {
    result = "/";
    pos = 1;
  }
  while (pos <= hostPath.size()) {
    size_t end = hostPath.find('/', pos);
    if (end == std::string::npos) end = hostPath.size();
    std::string_view part(hostPath.data() + pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    std::string candidate = result;
    if (!candidate.empty() && candidate.back() != '/') candidate += '/';
    candidate += part;
    if (part != ".." && !HostExists(candidate)) {
      std::string match = FindIgnoringCase(result.empty() ? std::string(".") : result, part);
      if (match.empty()) return {};
      candidate = result;
      if (!candidate.empty() && candidate.back() != '/') candidate += '/';
      candidate += match;
    }
    result = std::move(candidate);
  }
  return result;
}

}  // namespace

std::string WorkDriveRoot() {
  const char* drive = std::getenv("KILNIFY_WORK_DRIVE");
  std::string root;
  if (drive && *drive) {
    root = ToHostPath(drive);
  } else {
    char cwd[4096];
    root = ::getcwd(cwd, sizeof cwd) ? cwd : ".";
  }
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

std::string HostPathOf(std::string_view enginePath) {
  std::string host = ToHostPath(enginePath);
  if (HostExists(host)) return host;
  if (!host.empty() && host[0] == '/') {
    std::string underDrive = WorkDriveRoot() + host;
    if (HostExists(underDrive)) return underDrive;
    if (std::string resolved = ResolveCase(host); !resolved.empty()) return resolved;
    if (std::string resolved = ResolveCase(underDrive); !resolved.empty()) return resolved;
    return host;
  }
  if (std::string resolved = ResolveCase(host); !resolved.empty()) return resolved;
  return host;
}

std::string HostPathForWrite(std::string_view enginePath) {
  std::string host = ToHostPath(enginePath);
  if (host.size() < 2 || host[0] != '/' || host[1] == '/') return host;
  const size_t topEnd = host.find('/', 1);
  if (HostExists(topEnd == std::string::npos ? host : host.substr(0, topEnd))) return host;
  return WorkDriveRoot() + host;
}

bool EngineFileExists(std::string_view enginePath) { return HostExists(HostPathOf(enginePath)); }
