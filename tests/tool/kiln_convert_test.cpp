// `kiln convert`: one file converted with the converter's start-up, and its dependency file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"
#include "tool/depfile.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The paths after "target:" of a one-rule depfile, with the Makefile escapes undone.
std::vector<std::string> DepfileInputs(const std::string& text) {
  std::vector<std::string> paths;
  size_t colon = text.find(": ");
  std::string current;
  for (size_t i = colon + 2; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '#')) {
      current += text[++i];
    } else if (c == '$' && i + 1 < text.size() && text[i + 1] == '$') {
      current += text[++i];
    } else if (c == ' ' || c == '\n') {
      if (!current.empty()) paths.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  return paths;
}

ProgramResult Convert(const fs::path& root, const std::string& in, bool depfile) {
  std::vector<std::string> args = {"convert", "-addon=kilnify_sample", "-skeleton=FigureSkeleton",
                                   "-root=kilnify_sample", "kilnify_sample/" + in, "out/" + in};
  if (depfile) args.push_back("-depfile=out/" + in + ".d");
  return RunProgram(BuiltProgram("kiln"), args,
                    {.workingFolder = root, .environment = {"KILNIFY_WORK_DRIVE=" + root.string()}});
}

TEST(Depfile, EscapesWhatMakeWouldSplitOrExpand) {
  EXPECT_EQ(kln::EscapeMakePath("a b/c#d$e"), "a\\ b/c\\#d$$e");
  EXPECT_EQ(kln::FormatDepfile("out x", {"in", "my dir/f"}), "out\\ x: in my\\ dir/f\n");
}

// Each kind of file is converted once in the full sample and once in a tree that holds only
// the files its depfile names: the outputs must be the same bytes.
TEST(KilnConvert, DepfileNamesEveryFileTheConversionRead) {
  TempTree full;
  ASSERT_EQ(RunProgram(BuiltProgram("kilnify-sample"), {full.Root().string()}).exitCode, 0);
  for (const std::string file : {"models/crate.p3d", "models/figure.p3d", "models/props/barrel.p3d",
                                 "world/sample_island.wrp", "models/anims/figure_walk.rtm"}) {
    SCOPED_TRACE(file);
    ProgramResult first = Convert(full.Root(), file, true);
    ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
    const std::string depfile = ReadFile(full / ("out/" + file + ".d"));
    ASSERT_EQ(depfile.rfind("out/" + file + ": ", 0), 0u) << depfile;
    std::vector<std::string> inputs = DepfileInputs(depfile);
    EXPECT_NE(std::find(inputs.begin(), inputs.end(), "kilnify_sample/" + file), inputs.end()) << depfile;

    TempTree restricted;
    for (const std::string& input : inputs) {
      ASSERT_FALSE(fs::path(input).is_absolute()) << input;
      fs::create_directories((restricted / input).parent_path());
      fs::copy_file(full / input, restricted / input);
    }
    ProgramResult second = Convert(restricted.Root(), file, false);
    ASSERT_EQ(second.exitCode, 0) << second.out << second.err;
    EXPECT_EQ(ReadFile(restricted / ("out/" + file)), ReadFile(full / ("out/" + file)));
  }
}

// The figure's skeleton comes from model.cfg: without it in the tree the output differs, so
// the comparison above is able to notice a missing dependency.
TEST(KilnConvert, AMissingDependencyChangesTheOutput) {
  TempTree tree;
  ASSERT_EQ(RunProgram(BuiltProgram("kilnify-sample"), {tree.Root().string()}).exitCode, 0);
  ASSERT_EQ(Convert(tree.Root(), "models/figure.p3d", true).exitCode, 0);
  const std::string withConfig = ReadFile(tree / "out/models/figure.p3d");
  EXPECT_NE(ReadFile(tree / "out/models/figure.p3d.d").find("kilnify_sample/models/model.cfg"), std::string::npos);
  fs::remove(tree / "kilnify_sample/models/model.cfg");
  ASSERT_EQ(Convert(tree.Root(), "models/figure.p3d", false).exitCode, 0);
  EXPECT_NE(ReadFile(tree / "out/models/figure.p3d"), withConfig);
}

TEST(KilnConvert, FailureWritesNeitherOutputNorDepfile) {
  TempTree tree;
  tree.Write("kilnify_sample/models/broken.p3d", "MLOD not really");
  ProgramResult result = Convert(tree.Root(), "models/broken.p3d", true);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Loading of model"), std::string::npos) << result.err;
  EXPECT_FALSE(tree.Exists("out/models/broken.p3d"));
  EXPECT_FALSE(tree.Exists("out/models/broken.p3d.d"));
  EXPECT_EQ(RunProgram(BuiltProgram("kiln"), {"convert", "only-in"}, {.workingFolder = tree.Root()}).exitCode, 2);

  // A conversion never writes over its source.
  tree.Write("model.p3d", "MLOD source");
  ProgramResult over = RunProgram(BuiltProgram("kiln"), {"convert", "model.p3d", "./model.p3d"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(over.exitCode, 1);
  EXPECT_NE(over.err.find("would be written over"), std::string::npos) << over.err;
  EXPECT_EQ(tree.Read("model.p3d"), "MLOD source");
}

}  // namespace
