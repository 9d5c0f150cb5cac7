#include "tool/option_parser.h"

#include <gtest/gtest.h>

#include "engine/process_flags.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"
#include "tool/child_process_list.h"

namespace kln {
namespace {

// Parses `args` (program name first); returns what remains.
std::vector<std::string> Parse(RunSettings& settings, std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(args.size());
  char** cursor = argv.data();
  ParseOptions(settings, argc, cursor);
  return std::vector<std::string>(cursor, cursor + argc);
}

TEST(ParseOptions, LeavesProgramNameAndPositionalArguments) {
  RunSettings settings;
  EXPECT_EQ(Parse(settings, {"kilnify", "-always", "src", "dst"}), (std::vector<std::string>{"kilnify", "src", "dst"}));
  EXPECT_TRUE(settings.always);

  RunSettings late;
  // An option after the first positional argument is positional itself.
  EXPECT_EQ(Parse(late, {"kilnify", "src", "dst", "-always"}),
            (std::vector<std::string>{"kilnify", "src", "dst", "-always"}));
  EXPECT_FALSE(late.always);
}

TEST(ParseOptions, MountsRepeatAndThePrefixFileIsKept) {
  CapturedMessages messages;
  RunSettings settings;
  Parse(settings, {"kilnify", "-mount=\\x\\a=\\src\\a", "-MOUNT=x\\b=b", "-prefixfile=addon.prefix", "src", "dst"});
  EXPECT_EQ(settings.mountOptions.mounts, (std::vector<std::string>{"\\x\\a=\\src\\a", "x\\b=b"}));
  EXPECT_EQ(settings.mountOptions.prefixFile, "addon.prefix");
  EXPECT_TRUE(messages.errorLines.empty());

  // kiln takes the same options out of any place among its arguments.
  std::vector<std::string> args = {"in.cpp", "-mount=x=y", "out.bin", "-prefixFile=p"};
  MountOptions taken;
  TakeMountOptions(args, taken);
  EXPECT_EQ(args, (std::vector<std::string>{"in.cpp", "out.bin"}));
  EXPECT_EQ(taken.mounts, (std::vector<std::string>{"x=y"}));
  EXPECT_EQ(taken.prefixFile, "p");
}

TEST(ParseOptions, MatchesByPrefixIgnoringCaseFirstMatchWins) {
  CapturedMessages messages;
  RunSettings settings;
  Parse(settings, {"kilnify", "-ALWAYS", "-silentMode", "-Textures=D:\\tex", "-norecurseX", "-GX1", "x"});
  EXPECT_TRUE(settings.always);
  EXPECT_TRUE(settings.silent);
  EXPECT_TRUE(settings.copyTextures);
  EXPECT_EQ(settings.texturesFolder, "D:\\tex\\");
  EXPECT_TRUE(settings.noRecursion);
  EXPECT_TRUE(settings.olderWorldFormat);
  EXPECT_EQ(messages.lines, (std::vector<std::string>{"log: Kilnify run in silent mode!"}));
}

TEST(ParseOptions, FolderOptionsEndInOneBackslash) {
  RunSettings settings;
  EXPECT_EQ(settings.binPath, "kilnify\\");
  Parse(settings, {"kilnify", "-binpath=D:\\game\\", "-addon=P:\\addon", "x"});
  EXPECT_EQ(settings.binPath, "D:\\game\\");
  EXPECT_EQ(settings.addonFolder, "P:\\addon");
  Parse(settings, {"kilnify", "-binpath=", "-textures=", "x"});
  EXPECT_EQ(settings.binPath, "\\");
  EXPECT_EQ(settings.texturesFolder, "\\");
}

TEST(ParseOptions, NumbersReadLikeAtoi) {
  RunSettings settings;
  EXPECT_EQ(settings.bonesInterval, 55);
  Parse(settings, {"kilnify", "-targetBonesInterval=128abc", "x"});
  EXPECT_EQ(settings.bonesInterval, 128);
  Parse(settings, {"kilnify", "-targetBonesInterval=many", "x"});
  EXPECT_EQ(settings.bonesInterval, 0);

  for (const char* limit : {"-maxProcesses=0", "-maxProcesses=-3", "-maxProcesses=lots"}) {
    ChildProcesses().SetMaxProcesses(7);
    Parse(settings, {"kilnify", limit, "x"});
    EXPECT_EQ(ChildProcesses().MaxProcesses(), 1) << limit;
  }
  Parse(settings, {"kilnify", "-maxProcesses=4", "x"});
  EXPECT_EQ(ChildProcesses().MaxProcesses(), 4);
  ChildProcesses().SetMaxProcesses(1);
}

TEST(ParseOptions, UnknownOptionsAreReportedAndSkipped) {
  CapturedMessages messages;
  RunSettings settings;
  EXPECT_EQ(Parse(settings, {"kilnify", "-x", "-skeleton=Man", "src", "dst"}),
            (std::vector<std::string>{"kilnify", "src", "dst"}));
  EXPECT_EQ(settings.skeleton, "Man");
  EXPECT_EQ(messages.lines, (std::vector<std::string>{"error: Unknown argument -x"}));
}

TEST(ParseOptions, ProcessWideFlags) {
  CapturedMessages messages;
  RunSettings settings;
  Parse(settings, {"kilnify", "-shrinkP3D", "-noLogs", "-silent", "-unknown", "x"});
  EXPECT_TRUE(ShrinkModels());
  EXPECT_TRUE(NoLogs());
  EXPECT_TRUE(settings.silent);
  // Everything after -noLogs is silent.
  EXPECT_TRUE(messages.lines.empty());
  SetShrinkModels(false);
  SetNoLogs(false);
}

TEST(ParseOptions, ExcludeMayBeGivenMoreThanOnce) {
  TempTree tree;
  tree.Write("one.lst", "A\n");
  tree.Write("two.lst", "B\n");
  RunSettings settings;
  Parse(settings, {"kilnify", "-exclude=" + (tree / "one.lst").string(), "-exclude=" + (tree / "two.lst").string(),
                   "-exclude=" + (tree / "missing.lst").string(), "x"});
  EXPECT_EQ(settings.exclusionList, (ExclusionList{"a", "b"}));
}

}  // namespace
}  // namespace kln

namespace kln {
namespace {

TEST(ParseOptions, ReportAndStrictAreOptIn) {
  RunSettings plain;
  Parse(plain, {"kilnify", "src", "dst"});
  EXPECT_EQ(plain.reportFile, "");
  EXPECT_FALSE(plain.strict);

  CapturedMessages messages;
  RunSettings settings;
  Parse(settings, {"kilnify", "-Report=out\\run.json", "-STRICT", "src", "dst"});
  EXPECT_EQ(settings.reportFile, "out\\run.json");
  EXPECT_TRUE(settings.strict);
  EXPECT_TRUE(messages.lines.empty());
}

}  // namespace
}  // namespace kln
