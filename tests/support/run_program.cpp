#include "tests/support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <regex>
#include <stdexcept>

extern char** environ;

namespace {

// Reads both pipes to their ends; kills `pid` once `deadline` has passed, when given.
void Drain(int (&fds)[2], std::string* (&targets)[2], pid_t pid,
           std::optional<std::chrono::steady_clock::time_point> deadline) {
  pollfd polls[2];
  int open = 0;
  for (int i = 0; i < 2; ++i) {
    polls[i] = {fds[i], POLLIN, 0};
    if (fds[i] >= 0) ++open;
  }
  char buffer[65536];
  while (open > 0) {
    int timeout = -1;
    if (deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline -
                                                                              std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        ::kill(pid, SIGKILL);
        deadline.reset();
      } else {
        timeout = static_cast<int>(left.count());
      }
    }
    const int ready = ::poll(polls, 2, timeout);
    if (ready < 0) break;
    if (ready == 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (polls[i].fd < 0 || !(polls[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      ssize_t got = ::read(polls[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        targets[i]->append(buffer, static_cast<size_t>(got));
      } else {
        ::close(polls[i].fd);
        polls[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const ProgramOptions& options) {
  int outPipe[2], errPipe[2] = {-1, -1};
  if (::pipe(outPipe) != 0) throw std::runtime_error("pipe failed");
  if (!options.mergeStreams && ::pipe(errPipe) != 0) throw std::runtime_error("pipe failed");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, options.mergeStreams ? outPipe[1] : errPipe[1], 2);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  if (!options.mergeStreams) posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  if (!options.workingFolder.empty())
    posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());

  std::vector<std::string> argStrings;
  argStrings.push_back(program.string());
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
  envStrings.insert(envStrings.end(), options.environment.begin(), options.environment.end());
  std::vector<char*> envp;
  for (std::string& entry : envStrings) envp.push_back(entry.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(outPipe[1]);
  if (errPipe[1] >= 0) ::close(errPipe[1]);
  if (spawned != 0) throw std::runtime_error("cannot start " + program.string() + ": " + std::strerror(spawned));

  ProgramResult result;
  int fds[2] = {outPipe[0], errPipe[0]};
  std::string* targets[2] = {&result.out, &result.err};
  std::optional<std::chrono::steady_clock::time_point> deadline;
  if (options.killAfter.count() > 0) deadline = std::chrono::steady_clock::now() + options.killAfter;
  Drain(fds, targets, pid, deadline);

  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::filesystem::path BuiltProgram(const std::string& name) {
  if (const char* dir = std::getenv("KILNIFY_BUILD_DIR")) return std::filesystem::path(dir) / name;
  // Test programs live in build/tests/.
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / name;
}

std::string WithoutSummary(const std::string& err) {
  static const std::regex summary("kilnify: [0-9]+ converted, .* in [0-9]+\\.[0-9]+ s( \\(interrupted\\))?\n$");
  std::smatch match;
  if (!std::regex_search(err, match, summary)) return err;
  size_t start = static_cast<size_t>(match.position(0));
  if (start != 0 && err[start - 1] != '\n') return err;
  return err.substr(0, start);
}
