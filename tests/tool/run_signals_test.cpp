// A conversion run stopped by SIGINT or SIGTERM leaves a valid report and no partial
// output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/json_schema_check.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

extern char** environ;

namespace {

using nlohmann::json;

constexpr int kModels = 800;

// Starts kilnify in `folder` with both streams in one pipe, reads until `closings`
// "</model>" lines arrived, sends `signal` and reads on to the end. The run cannot end on
// its own before the signal: once the pipe is full it waits for the reader, and the tree
// holds far more models than fit the pipe's log lines.
ProgramResult RunAndSignal(const std::filesystem::path& folder, const std::vector<std::string>& args, int closings,
                           int signal) {
  int out[2];
  if (::pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<std::string> strings = {BuiltProgram("kilnify").string()};
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  // The converter keeps a signal ignored that its parent ignored: give it the defaults.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(out[1]);
  ProgramResult result;
  if (spawned != 0) return result;

  char buffer[4096];
  bool signalled = false;
  for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;) {
    result.out.append(buffer, static_cast<size_t>(got));
    if (!signalled) {
      int seen = 0;
      for (size_t at = result.out.find("</model>"); at != std::string::npos; at = result.out.find("</model>", at + 1))
        ++seen;
      if (seen >= closings) {
        ::kill(pid, signal);
        signalled = true;
      }
    }
  }
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

class StoppedRun : public ::testing::TestWithParam<int> {};

TEST_P(StoppedRun, LeavesAValidReportAndOnlyWholeOutputs) {
  const int signal = GetParam();
  TempTree tree;
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f));
  for (int i = 0; i < kModels; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "src/m%04d.p3d", i);
    ASSERT_TRUE(mlod::WriteModelFile(model, tree / name));
  }
  ProgramResult result = RunAndSignal(tree.Root(), {"-report=report.json", "src", "dst"}, 3, signal);
  EXPECT_EQ(result.exitCode, 128 + signal) << result.out.substr(result.out.size() > 2000 ? result.out.size() - 2000 : 0);

  ASSERT_TRUE(tree.Exists("report.json"));
  EXPECT_EQ(SchemaViolations(RunReportSchema(), tree / "report.json"), "");
  json report = json::parse(tree.Read("report.json"));
  EXPECT_EQ(report["run"]["interrupted"], true);
  EXPECT_EQ(report["run"]["exitCode"], 128 + signal);
  const json& files = report["files"];
  EXPECT_GE(files.size(), 3u);
  EXPECT_LT(files.size(), static_cast<size_t>(kModels));

  // Every record stands for a whole output, and nothing else is in the destination: no
  // temporary file, no model of a file after the stop.
  std::set<std::string> recorded;
  for (const json& file : files) {
    EXPECT_EQ(file["action"], "converted") << file.dump();
    std::string destination = file["destination"];
    std::string name = destination.substr(destination.find('\\') + 1);
    recorded.insert(name);
    EXPECT_EQ(tree.Read("dst/" + name).substr(0, 4), "ODOL") << name;
  }
  std::set<std::string> written;
  for (const auto& entry : std::filesystem::directory_iterator(tree / "dst")) written.insert(entry.path().filename());
  EXPECT_EQ(written, recorded);

  std::regex summary("kilnify: [0-9]+ converted, 0 up to date, 0 excluded, 0 failed, 0 warnings in [0-9.]+ s \\(interrupted\\)\n$");
  EXPECT_TRUE(std::regex_search(result.out, summary)) << result.out.substr(result.out.size() - 300);
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedRun, ::testing::Values(SIGINT, SIGTERM));

}  // namespace
