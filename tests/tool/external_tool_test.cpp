#include "tool/external_tool.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include "platform/child_process.h"
#include "platform/engine_path.h"
#include "tests/support/environment_variable.h"
#include "tests/support/temp_tree.h"
#include "tool/child_process_list.h"
#include "tool/make_functions.h"

namespace kln {
namespace {

// A registry naming a shell script as the external program. The script records its
// folder and arguments, then runs `body`.
class ExternalTool : public ::testing::Test {
 protected:
  void Install(const std::string& body, const char* key = kPressmillKeys[0]) {
    tree.Write("tools/fakemill",
               "#!/bin/sh\necho \"$(pwd)|$1|$2\" >> " + (tree / "calls.log").string() + "\n" + body + "\n");
    ::chmod((tree / "tools/fakemill").c_str(), 0755);
    std::string folder = ToEnginePath((tree / "tools").string()) + "\\";
    std::string escaped;
    for (char c : folder) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    tree.Write("registry.reg", std::string("[HKEY_LOCAL_MACHINE\\") + key + "]\n\"path\"=\"" + escaped +
                                   "\"\n\"exe\"=\"fakemill\"\n");
  }

  TempTree tree;
  ScopedEnvironment registry{"KILNIFY_REGISTRY", (tree / "registry.reg").string()};
};

TEST_F(ExternalTool, RunsTheProgramInItsFolderWithAbsolutePaths) {
  Install("exit 0", kPressmillKeys[2]);
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  std::string absoluteTarget = ToEnginePath((tree / "out.paa").string());
  EXPECT_EQ(RunExternalTool("data\\a.tga", absoluteTarget.c_str(), "kilnify", nullptr), 0);
  EXPECT_EQ(tree.Read("calls.log"), (tree / "tools").string() + "|" + std::string(cwd) + "/data/a.tga|" +
                                        (tree / "out.paa").string() + "\n");
}

TEST_F(ExternalTool, MissingRegistryValuesAndProgramsFail) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunExternalTool("a.tga", "a.paa", "kilnify", nullptr), -1);
  tree.Write("registry.reg", std::string("[HKEY_LOCAL_MACHINE\\") + kPressmillKeys[1] + "]\n\"path\"=\"/x/\"\n");
  EXPECT_EQ(RunExternalTool("a.tga", "a.paa", "kilnify", nullptr), -1);
  tree.Write("registry.reg", std::string("[HKEY_LOCAL_MACHINE\\") + kPressmillKeys[1] +
                                 "]\n\"path\"=\"/no/such/folder/\"\n\"exe\"=\"mill\"\n");
  EXPECT_EQ(RunExternalTool("a.tga", "a.paa", "kilnify", nullptr), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            std::string("Cannot read registry HKEY_LOCAL_MACHINE/") + kPressmillKeys[0] + "\n" +
                "Cannot read registry HKEY_LOCAL_MACHINE/" + kPressmillKeys[1] + "\n" +
                "Error: 2 Cannot run mill\n");
}

TEST_F(ExternalTool, HandsOutTheChildWhenAsked) {
  Install("sleep 0.2; touch \"$2\"");
  pid_t child = 0;
  std::string target = ToEnginePath((tree / "made.paa").string());
  ASSERT_EQ(RunExternalTool("a.tga", target.c_str(), "kilnify", &child), 0);
  EXPECT_FALSE(tree.Exists("made.paa"));
  EXPECT_EQ(WaitForProcess(child), 0);
  EXPECT_TRUE(tree.Exists("made.paa"));
}

TEST_F(ExternalTool, MakeFunctionsBracketStartsWithConsoleLines) {
  Install("exit 0");
  RidgeviewPressmillFunctions functions;
  testing::internal::CaptureStdout();
  EXPECT_EQ(functions.Start("a.tga", "a.paa", "kilnify"), 0);
  EXPECT_EQ(functions.Start("b.tga", "b.paa", "kilnify"), 0);
  std::string out = testing::internal::GetCapturedStdout();
  ::signal(SIGINT, SIG_DFL);
  EXPECT_EQ(out, "Converting resources, please wait -----------\r\n"
                 "---------------------------------------------\r\n"
                 "---------------------------------------------\r\n");
  EXPECT_EQ(std::string("Converting resources, please wait -----------\r\n").size(), 47u);

  FileMakeFunctions base;
  EXPECT_EQ(base.Start("a.tga", "a.paa", "kilnify"), -1);
}

TEST_F(ExternalTool, ChildListNeverHoldsMoreThanItsLimit) {
  Install("sleep 0.1");
  ChildProcessList list;
  list.SetMaxProcesses(3);
  for (int i = 0; i < 6; ++i) {
    pid_t child = 0;
    std::string target = "t" + std::to_string(i) + ".paa";
    ASSERT_EQ(RunExternalTool("a.tga", target.c_str(), "kilnify", &child), 0);
    list.Add(target, child);
    EXPECT_LE(list.Count(), 2);
  }
  // Whichever two children are still listed can be found by name and waited for.
  std::vector<std::string> listed;
  for (int i = 0; i < 6; ++i) {
    if (list.Find("t" + std::to_string(i) + ".paa")) listed.push_back("t" + std::to_string(i) + ".paa");
  }
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(list.Find("t9.paa"), nullptr);
  pid_t waited = list.Find(listed[0])->pid;
  list.Wait(list.Find(listed[0]));
  EXPECT_NE(::kill(waited, 0), 0);  // ended and reaped
  EXPECT_EQ(list.Find(listed[0]), nullptr);
  list.WaitForAll();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ExternalTool, DefaultLimitWaitsForEachChild) {
  Install("sleep 0.05");
  ChildProcessList list;
  pid_t child = 0;
  ASSERT_EQ(RunExternalTool("a.tga", "a.paa", "kilnify", &child), 0);
  list.Add("a.paa", child);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_NE(::kill(child, 0), 0);
}

}  // namespace
}  // namespace kln
