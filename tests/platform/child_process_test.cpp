#include "platform/child_process.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/temp_tree.h"

namespace {

TEST(ChildProcess, RunsInTheGivenFolderAndReportsTheExitCode) {
  TempTree tree;
  tree.MakeFolder("work");
  pid_t pid = 0;
  ASSERT_EQ(StartProcess({"/bin/sh", "-c", "pwd > where.txt; exit 7"}, (tree / "work").string(), pid), 0);
  EXPECT_EQ(WaitForProcess(pid), 7);
  EXPECT_EQ(tree.Read("work/where.txt"), (tree / "work").string() + "\n");
}

TEST(ChildProcess, MissingProgramGivesTheSystemError) {
  pid_t pid = 0;
  EXPECT_EQ(StartProcess({"/no/such/program"}, "", pid), ENOENT);
}

TEST(ChildProcess, WaitForAnyReturnsTheFirstToEnd) {
  pid_t slow = 0, fast = 0;
  ASSERT_EQ(StartProcess({"/bin/sh", "-c", "sleep 0.5"}, "", slow), 0);
  ASSERT_EQ(StartProcess({"/bin/sh", "-c", "exit 3"}, "", fast), 0);
  EXPECT_EQ(WaitForAnyProcess({slow, fast}), 1);
  EXPECT_EQ(WaitForAnyProcess({slow}), 0);
  EXPECT_EQ(WaitForAnyProcess({}), -1);
}

TEST(ChildProcess, ChildReapedWhileWaitingForAnotherKeepsItsExitCode) {
  pid_t first = 0, second = 0;
  ASSERT_EQ(StartProcess({"/bin/sh", "-c", "exit 5"}, "", first), 0);
  ASSERT_EQ(StartProcess({"/bin/sh", "-c", "sleep 0.3; exit 6"}, "", second), 0);
  ::usleep(100000);
  EXPECT_EQ(WaitForAnyProcess({second}), 0);
  EXPECT_EQ(WaitForProcess(first), 5);
}

}  // namespace
