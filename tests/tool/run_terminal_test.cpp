// The progress line appears on a terminal only, and never mixes with the log; --help and
// --version of both programs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <regex>

#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

extern char** environ;

namespace {

// Runs kilnify in `folder` with standard error on a pseudo-terminal (raw, so that the
// bytes arrive as written) and standard output in a pipe. `err` gets what the terminal
// showed.
ProgramResult RunWithTerminal(const std::filesystem::path& folder, const std::vector<std::string>& args) {
  ProgramResult result;
  int master = -1, slave = -1;
  winsize size{};
  size.ws_col = 200;
  size.ws_row = 40;
  if (::openpty(&master, &slave, nullptr, nullptr, &size) != 0) return result;
  termios mode{};
  ::tcgetattr(slave, &mode);
  ::cfmakeraw(&mode);
  ::tcsetattr(slave, TCSANOW, &mode);
  int out[2];
  if (::pipe(out) != 0) return result;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, slave, 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, master);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<std::string> strings = {BuiltProgram("kilnify").string()};
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(slave);
  if (spawned != 0) return result;

  pollfd polls[2] = {{out[0], POLLIN, 0}, {master, POLLIN, 0}};
  std::string* targets[2] = {&result.out, &result.err};
  char buffer[4096];
  for (int open = 2; open > 0;) {
    if (::poll(polls, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (polls[i].fd < 0 || !(polls[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      // The terminal's side reports EIO once the program and its children closed it.
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
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

const std::regex kProgress("\\[[0-9]+ done, [0-9]+ queued, [0-9]+:[0-9]{2}\\] [^\r\n]*");
const std::regex kErased("\r *\r");
const std::regex kElapsed("in [0-9]+\\.[0-9]{2} s");

void WriteTree(TempTree& tree) {
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f));
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "src/sub/a.p3d"));
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "src/b.p3d"));
  tree.Write("src/broken.p3d", "garbage");
}

TEST(ProgressOnTerminal, ShownInPlaceAndErasedBeforeEveryLogLine) {
  TempTree tree;
  WriteTree(tree);
  ProgramResult terminal = RunWithTerminal(tree.Root(), {"src", "dst"});
  EXPECT_EQ(terminal.exitCode, 0);
  // The subfolder's model comes first, while the two of the top folder wait in its queue.
  EXPECT_TRUE(std::regex_search(terminal.err, std::regex("\\[0 done, 2 queued, [0-9]+:[0-9]{2}\\] src\\\\sub\\\\a\\.p3d")))
      << terminal.err;
  EXPECT_NE(terminal.err.find("[1 done, 1 queued, "), std::string::npos) << terminal.err;
  EXPECT_NE(terminal.err.find("] src\\broken.p3d"), std::string::npos) << terminal.err;
  // Standard output is a pipe: no trace of the progress there.
  EXPECT_EQ(terminal.out.find('\r'), std::string::npos);
  EXPECT_EQ(terminal.out.find(" queued, "), std::string::npos);

  // Without every drawing of the line and its erasing, the terminal holds exactly what a
  // run into a pipe writes to standard error: no message line was ever mixed with it.
  std::string lines = std::regex_replace(std::regex_replace(terminal.err, kProgress, ""), kErased, "");
  std::filesystem::remove_all(tree / "dst");
  ProgramResult piped = RunProgram(BuiltProgram("kilnify"), {"src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(piped.err.find('\r'), std::string::npos);
  EXPECT_EQ(piped.err.find(" queued, "), std::string::npos);
  EXPECT_EQ(std::regex_replace(lines, kElapsed, "in T s"), std::regex_replace(piped.err, kElapsed, "in T s"))
      << terminal.err;
  // Every drawing is erased: the terminal ends on the summary line.
  EXPECT_EQ(terminal.err.back(), '\n');
}

TEST(ProgressOnTerminal, NoLogsShowsNothing) {
  TempTree tree;
  WriteTree(tree);
  ProgramResult terminal = RunWithTerminal(tree.Root(), {"-noLogs", "src", "dst"});
  EXPECT_EQ(terminal.exitCode, 0);
  EXPECT_EQ(terminal.err, "");
}

TEST(HelpAndVersion, KilnifyAnswersTheGnuWay) {
  ProgramResult help = RunProgram(BuiltProgram("kilnify"), {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(help.out.rfind("Usage:\nkilnify [options] source destination [wildcard]\n", 0), 0u) << help.out;
  for (const char* text : {"-report=<file>", "-strict", "Exit codes:", "\t3 with -strict", "130, 143"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  EXPECT_EQ(help.out.find("KILNIFY rev."), std::string::npos);

  ProgramResult version = RunProgram(BuiltProgram("kilnify"), {"-silent", "--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.substr(0, version.out.find('\n')), "kilnify (Kilnify) rev.160123");
}

TEST(HelpAndVersion, KilnAndEachCommandAnswerTheGnuWay) {
  ProgramResult help = RunProgram(BuiltProgram("kiln"), {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: kiln COMMAND", 0), 0u);
  ProgramResult version = RunProgram(BuiltProgram("kiln"), {"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "kiln (Kilnify) rev.160123\n");
  for (const char* command : {"preprocess", "cfg2bin", "bin2cfg", "dump"}) {
    ProgramResult commandHelp = RunProgram(BuiltProgram("kiln"), {command, "--help"});
    EXPECT_EQ(commandHelp.exitCode, 0) << command;
    EXPECT_EQ(commandHelp.out.rfind(std::string("Usage: kiln ") + command + " ", 0), 0u) << commandHelp.out;
    EXPECT_EQ(commandHelp.err, "");
  }
}

}  // namespace
