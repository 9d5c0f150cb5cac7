// Runs of the converter with the options for large projects (-j, -hashCheck, -ninja=) on the
// generated sample addon.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

namespace fs = std::filesystem;

// A work drive holding the generated sample (kilnify_sample\) and a registry that names
// the texture program.
class SampleTree : public TempTree {
 public:
  SampleTree() {
    ok_ = RunProgram(BuiltProgram("kilnify-sample"), {Root().string()}).exitCode == 0;
    Write("registry.reg", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltmoor\\Qorv Tools\\Pressmill]\n\"path\"=\"" +
                              BuiltProgram("pressmill").parent_path().string() + "/\"\n\"exe\"=\"pressmill\"\n");
  }
  bool Ok() const { return ok_; }

  ProgramResult Kilnify(std::vector<std::string> options, const std::string& destination = "converted",
                        std::vector<std::string> environment = {}) const {
    std::vector<std::string> args = {"-addon=kilnify_sample", "-animations", "-skeleton=FigureSkeleton"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("kilnify_sample");
    args.push_back(destination);
    environment.push_back("KILNIFY_WORK_DRIVE=" + Root().string());
    environment.push_back("KILNIFY_REGISTRY=" + (Root() / "registry.reg").string());
    return RunProgram(BuiltProgram("kilnify"), args, {.workingFolder = Root(), .environment = environment});
  }

 private:
  bool ok_ = false;
};

// Every file below `folder`, by relative path, with its bytes.
std::map<std::string, std::string> Contents(const fs::path& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    files[fs::relative(entry.path(), folder).string()] = bytes.str();
  }
  return files;
}

// The log without its second line (the command line, which names the options).
std::string WithoutCommandLine(const std::string& log) {
  size_t first = log.find('\n');
  size_t second = log.find('\n', first + 1);
  return log.substr(0, first + 1) + log.substr(second + 1);
}

// `text` with every `part` replaced by `by`.
std::string Replaced(std::string text, const std::string& part, const std::string& by) {
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + by.size()))
    text.replace(at, part.size(), by);
  return text;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(ParallelRun, TwoWorkersGiveTheOutputsAndLogOfOne) {
  SampleTree one, two;
  ASSERT_TRUE(one.Ok() && two.Ok());
  // A broken model adds error lines to the log between the others.
  one.Write("kilnify_sample/models/broken.p3d", "MLOD");
  two.Write("kilnify_sample/models/broken.p3d", "MLOD");
  ProgramResult single = one.Kilnify({"-textures=textures", "-report=report.json"});
  ProgramResult parallel = two.Kilnify({"-j", "2", "-textures=textures", "-report=report.json"});
  ASSERT_EQ(single.exitCode, 0) << single.err;
  ASSERT_EQ(parallel.exitCode, 0) << parallel.err;
  EXPECT_EQ(WithoutCommandLine(parallel.out), WithoutCommandLine(single.out));
  // The summary's time and the tree's own folder (named where a file was looked for) differ.
  EXPECT_EQ(WithoutSummary(Replaced(parallel.err, two.Root().string(), "TREE")),
            WithoutSummary(Replaced(single.err, one.Root().string(), "TREE")));
  // The files converted by the workers count in the summary as the run's own.
  EXPECT_NE(parallel.err.find("kilnify: 10 converted, 0 up to date, 0 excluded, 1 failed, 0 warnings in "),
            std::string::npos) << parallel.err;
  EXPECT_NE(single.err.find("broken.p3d"), std::string::npos) << single.err;
  EXPECT_EQ(Count(single.out, "Convert "), 10u) << single.out;
  EXPECT_EQ(Contents(two / "converted"), Contents(one / "converted"));
  // The textures every worker used are copied at the end, as by a single process.
  EXPECT_EQ(Contents(two / "textures"), Contents(one / "textures"));
  EXPECT_FALSE(Contents(one / "textures").empty());
  // The run report holds the same records, with the files the workers converted.
  const nlohmann::json singleReport = nlohmann::json::parse(one.Read("report.json"));
  const nlohmann::json parallelReport = nlohmann::json::parse(two.Read("report.json"));
  ASSERT_EQ(parallelReport["files"].size(), singleReport["files"].size());
  for (size_t i = 0; i < singleReport["files"].size(); ++i) {
    const nlohmann::json& expected = singleReport["files"][i];
    const nlohmann::json& got = parallelReport["files"][i];
    EXPECT_EQ(got["source"], expected["source"]);
    EXPECT_EQ(got["action"], expected["action"]) << got["source"];
    EXPECT_EQ(got["messages"].size(), expected["messages"].size()) << got["source"];
    EXPECT_EQ(got["textures"], expected["textures"]) << got["source"];
  }

  // Both streams merged keep each file's lines together in walk order as well.
  SampleTree merged;
  merged.Write("kilnify_sample/models/broken.p3d", "MLOD");
  ProgramResult both = RunProgram(BuiltProgram("kilnify"),
                                  {"-j3", "-addon=kilnify_sample", "-animations", "-skeleton=FigureSkeleton",
                                   "kilnify_sample", "converted"},
                                  {.workingFolder = merged.Root(), .mergeStreams = true,
                                   .environment = {"KILNIFY_WORK_DRIVE=" + merged.Root().string()}});
  size_t opening = both.out.find("<model = \"kilnify_sample\\models\\broken.p3d\">");
  size_t failure = both.out.find("Loading of model kilnify_sample\\models\\broken.p3d failed");
  size_t closing = both.out.find("</model>", opening);
  EXPECT_LT(opening, failure);
  EXPECT_LT(failure, closing);
}

TEST(ParallelRun, AWorkerKilledMidFileFailsOnlyItsFile) {
  SampleTree tree;
  ASSERT_TRUE(tree.Ok());
  ProgramResult result = tree.Kilnify({"-j", "2"}, "converted", {"KILNIFY_TEST_KILL_WORKER=crate.p3d"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.err.find("Conversion of kilnify_sample\\models\\crate.p3d failed: its worker was ended by signal 9"),
            std::string::npos)
      << result.err;
  EXPECT_FALSE(tree.Exists("converted/models/crate.p3d"));
  EXPECT_TRUE(tree.Exists("converted/models/figure.p3d"));
  EXPECT_TRUE(tree.Exists("converted/world/sample_island.wrp"));
  EXPECT_TRUE(tree.Exists("converted/models/world/tree.p3d"));
}

TEST(HashCheckRun, RebuildsExactlyWhatAnInputChangeReaches) {
  SampleTree tree;
  ASSERT_TRUE(tree.Ok());
  // A header that the addon's configuration includes.
  tree.Write("kilnify_sample/defs.hpp", "#define SAMPLE_VALUE 1\n");
  const std::string config = tree.Read("kilnify_sample/config.cpp");
  tree.Write("kilnify_sample/config.cpp", "#include \"defs.hpp\"\n" + config);

  ProgramResult first = tree.Kilnify({"-hashCheck"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(Count(first.out, "Convert "), 9u) << first.out;
  EXPECT_TRUE(tree.Exists("converted/.kilnify-state"));
  EXPECT_EQ(Count(tree.Kilnify({"-hashCheck"}).out, "Convert "), 0u);

  // New times alone (a fresh checkout) change nothing; the walk by times would convert all.
  for (const auto& entry : fs::recursive_directory_iterator(tree / "kilnify_sample"))
    if (entry.is_regular_file()) fs::last_write_time(entry.path(), fs::file_time_type::clock::now() + std::chrono::hours(1));
  EXPECT_EQ(Count(tree.Kilnify({"-hashCheck"}).out, "Convert "), 0u);
  EXPECT_EQ(Count(tree.Kilnify({}, "converted").out, "Convert "), 9u);

  // The material: only the models that use it (the crate, and the world placing it).
  tree.Write("kilnify_sample/data/crate.rvmat", tree.Read("kilnify_sample/data/crate.rvmat") + "\n// changed\n");
  ProgramResult material = tree.Kilnify({"-j", "2", "-hashCheck"});
  EXPECT_NE(material.out.find("Convert model kilnify_sample\\models\\crate.p3d"), std::string::npos) << material.out;
  EXPECT_EQ(material.out.find("Convert model kilnify_sample\\models\\figure.p3d"), std::string::npos) << material.out;
  EXPECT_EQ(Count(tree.Kilnify({"-hashCheck"}).out, "Convert "), 0u);

  // The model configuration of the models folder.
  tree.Write("kilnify_sample/models/model.cfg", tree.Read("kilnify_sample/models/model.cfg") + "\n// changed\n");
  ProgramResult modelConfig = tree.Kilnify({"-hashCheck"});
  EXPECT_NE(modelConfig.out.find("Convert model kilnify_sample\\models\\figure.p3d"), std::string::npos);
  EXPECT_NE(modelConfig.out.find("Convert animation kilnify_sample\\models\\anims\\figure_walk.rtm"), std::string::npos);

  // The included header reaches every output through the configuration.
  tree.Write("kilnify_sample/defs.hpp", "#define SAMPLE_VALUE 2\n");
  EXPECT_EQ(Count(tree.Kilnify({"-hashCheck"}).out, "Convert "), 9u);

  // An option that changes outputs does too.
  EXPECT_EQ(Count(tree.Kilnify({"-hashCheck", "-targetBonesInterval=40"}).out, "Convert "), 9u);
}

TEST(HashCheckRun, ABrokenStateFileIsReportedAndEverythingConverted) {
  SampleTree tree;
  ASSERT_TRUE(tree.Ok());
  ASSERT_EQ(tree.Kilnify({"-hashCheck"}).exitCode, 0);
  const std::string state = tree.Read("converted/.kilnify-state");
  for (const std::string& broken : {state.substr(0, state.size() / 2), std::string("garbage\n"), std::string()}) {
    tree.Write("converted/.kilnify-state", broken);
    ProgramResult result = tree.Kilnify({"-hashCheck"});
    EXPECT_NE(result.out.find("The state file converted\\.kilnify-state is broken or not ours"), std::string::npos)
        << result.out;
    EXPECT_EQ(Count(result.out, "Convert "), 9u);
    EXPECT_EQ(tree.Read("converted/.kilnify-state"), state);
  }
}

TEST(NinjaRun, BuildFileConvertsAsTheWalkAndThenHasNothingToDo) {
  SampleTree tree;
  ASSERT_TRUE(tree.Ok());
  ASSERT_EQ(tree.Kilnify({"-textures=tex_walked"}, "walked").exitCode, 0);
  ProgramResult written = tree.Kilnify({"-textures=tex_built", "-ninja=build.ninja"}, "built");
  ASSERT_EQ(written.exitCode, 0) << written.err;
  EXPECT_EQ(Count(written.out, "Convert "), 0u);
  const std::vector<std::string> environment = {"KILNIFY_WORK_DRIVE=" + tree.Root().string(),
                                                "KILNIFY_REGISTRY=" + (tree / "registry.reg").string()};
  ProgramResult first = RunProgram("/usr/bin/ninja", {"-f", "build.ninja", "-j", "2"},
                                   {.workingFolder = tree.Root(), .environment = environment});
  ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
  EXPECT_EQ(Contents(tree / "built"), Contents(tree / "walked"));
  // The last edge copies the textures that the conversions and texture lists named.
  EXPECT_EQ(Contents(tree / "tex_built"), Contents(tree / "tex_walked"));
  EXPECT_EQ(Contents(tree / "tex_walked").size(), 8u);
  ProgramResult second = RunProgram("/usr/bin/ninja", {"-f", "build.ninja"},
                                    {.workingFolder = tree.Root(), .environment = environment});
  EXPECT_NE(second.out.find("ninja: no work to do."), std::string::npos) << second.out;

  // A changed material reaches the models that read it, through the recorded dependencies.
  tree.Write("kilnify_sample/data/crate.rvmat", tree.Read("kilnify_sample/data/crate.rvmat") + "\n// changed\n");
  ProgramResult third = RunProgram("/usr/bin/ninja", {"-f", "build.ninja", "-v"},
                                   {.workingFolder = tree.Root(), .environment = environment});
  EXPECT_NE(third.out.find("built/models/crate.p3d"), std::string::npos) << third.out;
  EXPECT_EQ(third.out.find("built/models/figure.p3d"), std::string::npos) << third.out;
}

}  // namespace
