// The Bazel rules of tools/bazel on the generated sample, with the sandbox on: every action
// sees only the inputs it declares. Skipped where Debian's bazel-bootstrap is not installed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Contents(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    files[fs::relative(entry.path(), folder).string()] = bytes.str();
  }
  return files;
}

TEST(BazelRules, SandboxedBuildEqualsTheWalkAndThenDoesNothing) {
  if (!fs::exists("/usr/bin/bazel")) GTEST_SKIP() << "bazel is not installed (Debian: bazel-bootstrap)";
  TempTree tree;
  const fs::path workspace = tree / "ws";
  ASSERT_EQ(RunProgram(BuiltProgram("kilnify-sample"), {workspace.string()}).exitCode, 0);
  tree.Write("ws/WORKSPACE");
  tree.Write("ws/tools/bazel/BUILD.bazel");
  fs::copy_file(fs::path(KILNIFY_SOURCE_DIR) / "tools/bazel/kilnify.bzl", workspace / "tools/bazel/kilnify.bzl");
  fs::create_directories(workspace / "bin");
  fs::copy_file(BuiltProgram("kiln"), workspace / "bin/kiln");
  tree.Write("ws/bin/BUILD.bazel", "exports_files([\"kiln\"])\n");
  tree.Write("ws/BUILD.bazel",
             "load(\"//tools/bazel:kilnify.bzl\", \"kilnify_folder\", \"kilnify_model\")\n"
             "kilnify_folder(name = \"converted\", folder = \"kilnify_sample\", kiln = \"//bin:kiln\",\n"
             "               skeleton = \"FigureSkeleton\")\n"
             "# The figure without its model.cfg declared: the sandbox hides the file.\n"
             "kilnify_model(name = \"figure_alone\", src = \"kilnify_sample/models/figure.p3d\", out = \"alone/figure.p3d\",\n"
             "              addon_root = \"kilnify_sample\", source_root = \"kilnify_sample\", kiln = \"//bin:kiln\")\n");

  const std::vector<std::string> build = {"--batch", "--output_base=" + (tree / "output").string(), "build",
                                          "--spawn_strategy=linux-sandbox", "//:converted", "//:figure_alone"};
  ProgramOptions options{.workingFolder = workspace, .mergeStreams = true};
  ProgramResult first = RunProgram("/usr/bin/bazel", build, options);
  ASSERT_EQ(first.exitCode, 0) << first.out;

  ASSERT_EQ(RunProgram(BuiltProgram("kilnify"),
                       {"-addon=kilnify_sample", "-animations", "-skeleton=FigureSkeleton", "kilnify_sample", "walked"},
                       {.workingFolder = workspace, .environment = {"KILNIFY_WORK_DRIVE=" + workspace.string()}})
                .exitCode,
            0);
  const auto walked = Contents(workspace / "walked");
  EXPECT_EQ(walked.size(), 9u);
  EXPECT_EQ(Contents(workspace / "bazel-bin/converted"), walked);
  EXPECT_NE(Contents(workspace / "bazel-bin/alone").at("figure.p3d"), walked.at("models/figure.p3d"));

  ProgramResult second = RunProgram("/usr/bin/bazel", build, options);
  ASSERT_EQ(second.exitCode, 0) << second.out;
  EXPECT_EQ(second.out.find("Converting "), std::string::npos) << second.out;
  EXPECT_NE(second.out.find("1 process: 1 internal"), std::string::npos) << second.out;
}

}  // namespace
