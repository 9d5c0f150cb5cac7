#include "platform/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>

extern char** environ;

namespace {

// Children reaped while waiting for another one, with their exit codes.
std::set<std::pair<pid_t, int>>& EndedEarly() {
  static std::set<std::pair<pid_t, int>> ended;
  return ended;
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

int StartProcess(const std::vector<std::string>& args, const std::string& workingFolder, pid_t& pid) {
  if (args.empty()) return EINVAL;
  std::vector<char*> argv;
  std::vector<std::string> copies = args;
  // The child changes folder before the program is looked up: a relative program path
  // must be taken from this process's folder.
  if (copies[0].find('/') != std::string::npos && copies[0][0] != '/') {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) copies[0] = std::string(cwd) + "/" + copies[0];
  }
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGHUP);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  int result = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return result;
}

int WaitForProcess(pid_t pid) {
  auto& ended = EndedEarly();
  for (auto it = ended.begin(); it != ended.end(); ++it) {
    if (it->first == pid) {
      int code = it->second;
      ended.erase(it);
      return code;
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return ExitCodeOf(status);
}

int WaitForAnyProcess(const std::vector<pid_t>& children) {
  if (children.empty()) return -1;
  auto& ended = EndedEarly();
  while (true) {
    for (auto it = ended.begin(); it != ended.end(); ++it) {
      auto found = std::find(children.begin(), children.end(), it->first);
      if (found != children.end()) {
        ended.erase(it);
        return static_cast<int>(found - children.begin());
      }
    }
    int status = 0;
    pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    auto found = std::find(children.begin(), children.end(), pid);
    if (found != children.end()) return static_cast<int>(found - children.begin());
    ended.insert({pid, ExitCodeOf(status)});  // someone else's child: keep its result for them
  }
}
