#include "tool/external_tool.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/engine_path.h"
#include "platform/registry.h"

namespace kln {

const char* const kPressmillKeys[3] = {
    "SOFTWARE\\Veltmoor\\Qorv Tools\\Pressmill",
    "SOFTWARE\\Veltmoor\\Qorv\\Tools\\Pressmill",
    "SOFTWARE\\Wow6432Node\\Veltcraft\\Pressmill",
};

namespace {

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE";
constexpr size_t kValueBuffer = 1024;

// The value from the first key that exists; nothing when that key lacks it (or it is
// empty). `place` names where it was looked for.
std::optional<std::string> ReadToolValue(const char* name, std::string& place) {
  const char* key = kPressmillKeys[0];
  for (const char* candidate : kPressmillKeys) {
    if (RegistryKeyExists(kRoot, candidate)) {
      key = candidate;
      break;
    }
  }
  place = std::string(kRoot) + "/" + key;
  std::optional<std::string> value = ReadRegistryString(kRoot, key, name);
  if (!value || value->empty()) return std::nullopt;
  if (value->size() >= kValueBuffer) value->resize(kValueBuffer - 1);
  return value;
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
}

std::string CurrentFolder() {
  char buffer[1024];
  return ::getcwd(buffer, sizeof buffer) ? ToEnginePath(buffer) : std::string();
}

}  // namespace

int RunExternalTool(const char* source, const char* target, const char*, pid_t* process) {
  std::string place;
  std::optional<std::string> path = ReadToolValue("path", place);
  if (!path) {
    std::fprintf(stderr, "Cannot read registry %s\n", place.c_str());
    return -1;
  }
  std::optional<std::string> exe = ReadToolValue("exe", place);
  if (!exe) {
    std::fprintf(stderr, "Cannot read registry %s\n", place.c_str());
    return -1;
  }

  const std::string folder = CurrentFolder();
  std::string src = source, dst = target;
  if (!IsAbsolute(src)) src = folder + "\\" + src;
  if (!IsAbsolute(dst)) dst = folder + "\\" + dst;

  char commandLine[4096];
  std::snprintf(commandLine, sizeof commandLine, "\"%s%s\" \"%s\" \"%s\"", path->c_str(), exe->c_str(), src.c_str(),
                dst.c_str());
  // The program runs on this machine: its arguments go over in host form.
  std::vector<std::string> args = SplitCommandLine(commandLine);
  for (std::string& arg : args) arg = ToHostPath(arg);

  pid_t pid = 0;
  int error = StartProcess(args, ToHostPath(*path), pid);
  if (error != 0) {
    std::fprintf(stderr, "Error: %d Cannot run %s\n", error, exe->c_str());
    return -1;
  }
  if (process) {
    *process = pid;
  } else {
    WaitForProcess(pid);
  }
  return 0;
}

}  // namespace kln
