// Runs of the built converter on generated trees that try to make it write outside the
// destination, destroy a source file, go round a link for ever or leave a broken output.
// Each run is checked against a snapshot of the whole tree taken before it: nothing but
// the folders the run may write changes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_model.h"
#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_snapshot.h"

namespace {

using namespace std::chrono_literals;

// Every run here is stopped after this long: a hang fails the test instead of hanging it.
constexpr std::chrono::milliseconds kHangLimit = 60s;
constexpr int kKilledExitCode = 128 + 9;

ProgramResult Kilnify(const std::vector<std::string>& args, ProgramOptions options) {
  if (options.killAfter.count() == 0) options.killAfter = kHangLimit;
  return RunProgram(BuiltProgram("kilnify"), args, options);
}

void WriteModel(const std::filesystem::path& path, const std::string& texture = "data\\grid_co.paa", int cells = 2) {
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(cells, cells, 1.0f, texture));
  ASSERT_TRUE(mlod::WriteModelFile(model, path));
}

bool IsRuntimeModel(const std::string& bytes) { return bytes.substr(0, 4) == "ODOL"; }

// A registry file naming build/pressmill as the external texture program.
std::string PressmillRegistry(TempTree& tree) {
  std::string folder = BuiltProgram("pressmill").parent_path().string();
  tree.Write("registry.reg", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltmoor\\Qorv Tools\\Pressmill]\n\"path\"=\"" +
                                 folder + "/\"\n\"exe\"=\"pressmill\"\n");
  return "KILNIFY_REGISTRY=" + (tree / "registry.reg").string();
}

// The host path `path` in the engine's form.
std::string EngineForm(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

TEST(KilnifyHardening, TextureNamesThatClimbOutAreNeitherReadNorWritten) {
  TempTree tree;
  // The work drive (and current folder) is w/drive; esc lies beside it, outside.
  tree.Write("esc/x.paa", "outside x");
  tree.Write("esc/y.paa", "outside y");
  tree.Write("esc/z.tga", "outside z");
  const std::string drive = "w/drive/";
  WriteModel(tree / (drive + "src/m.p3d"), "..\\..\\esc\\x.paa");
  WriteModel(tree / (drive + "src/ok.p3d"), "src\\data\\ok.paa");
  tree.Write(drive + "src/data/ok.paa", "inside");
  // A rooted name of an existing host file outside the work drive, spelled in lower case
  // as the list reader makes it.
  const std::filesystem::path outside =
      std::filesystem::temp_directory_path() / ("kilnify-outside-" + std::to_string(::getpid()));
  std::filesystem::create_directories(outside);
  { std::ofstream(outside / "y.paa") << "outside"; }
  const std::string rootedOutside = EngineForm((outside / "y.paa").string());
  tree.Write(drive + "src/textures.lst",
             "..\\..\\esc\\y.paa\n\\..\\..\\esc\\y.paa\n..\\..\\esc\\z.tga\nsrc\\..\\..\\..\\esc\\y.paa\n" +
                 rootedOutside + "\n");
  tree.MakeFolder(drive + "empty");
  const TreeSnapshot before = SnapshotTree(tree.Root(), {drive + "dst", drive + "tex"});

  ProgramResult result = Kilnify({"-addon=empty", "-textures=tex", "src", "dst"},
                                 {.workingFolder = tree / drive,
                                  .environment = {PressmillRegistry(tree), "KILNIFY_WORK_DRIVE=" + (tree / drive).string()}});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(SnapshotDifference(before, SnapshotTree(tree.Root(), {drive + "dst", drive + "tex", "registry.reg"})), "")
      << result.err;
  // The texture of the other model was copied: the copying itself works here.
  EXPECT_EQ(tree.Read(drive + "tex/src/data/ok.paa"), "inside") << result.err;
  EXPECT_NE(result.err.find("Texture ..\\..\\esc\\x.paa named by src\\m.p3d leads out of its folder"),
            std::string::npos)
      << result.err;
  for (const std::string name : {"..\\..\\esc\\y.paa", "\\..\\..\\esc\\y.paa", "..\\..\\esc\\z.tga"})
    EXPECT_NE(result.err.find("Texture " + name + " named by src\\textures.lst leads out of its folder"),
              std::string::npos)
        << name << "\n"
        << result.err;
  // A rooted name from data is a work-drive path: the host file of that name is not read.
  EXPECT_NE(result.err.find("Name " + rootedOutside + " in src\\textures.lst was not found; tried work drive"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outside), std::filesystem::directory_iterator()), 1);
  std::filesystem::remove_all(outside);
}

TEST(KilnifyHardening, HostNamesWithBackslashesAreNotReadAsPaths) {
  TempTree tree;
  WriteModel(tree / "victim.p3d");
  WriteModel(tree / "src/..\\victim.p3d", "data\\other_co.paa");
  WriteModel(tree / "src/a\\..\\..\\up/m.p3d");
  WriteModel(tree / "src/ok.p3d");
  const TreeSnapshot before = SnapshotTree(tree.Root(), {"dst"});
  for (const char* always : {"-always", "-norecurse"}) {
    ProgramResult result = Kilnify({always, "src", "dst"}, {.workingFolder = tree.Root()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(tree.Root(), {"dst"})), "") << result.err;
    EXPECT_NE(result.err.find("Name ..\\victim.p3d in folder src\\ holds a '\\'; it is left out"), std::string::npos)
        << result.err;
  }
  EXPECT_TRUE(IsRuntimeModel(tree.Read("dst/ok.p3d")));
  EXPECT_FALSE(tree.Exists("up"));
}

TEST(KilnifyHardening, SourceEqualToDestinationIsRefusedBeforeAnythingIsWritten) {
  TempTree tree;
  WriteModel(tree / "src/m.p3d");
  WriteModel(tree / "src/sub/n.p3d");
  const TreeSnapshot before = SnapshotTree(tree.Root());
  for (const std::string destination : {"src", "./src/", "src/sub/.."}) {
    ProgramResult result = Kilnify({"-always", "src", destination}, {.workingFolder = tree.Root()});
    EXPECT_EQ(result.exitCode, 2) << destination;
    EXPECT_NE(result.err.find("are the same folder"), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find("Convert model"), std::string::npos);
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(tree.Root())), "") << destination;
  }
}

TEST(KilnifyHardening, DestinationInsideTheSourceIsLeftOutOfTheWalk) {
  TempTree tree;
  WriteModel(tree / "src/m.p3d");
  WriteModel(tree / "src/sub/n.p3d");
  const TreeSnapshot before = SnapshotTree(tree.Root(), {"src/out"});
  for (const char* option : {"-silent", "-always"}) {
    ProgramResult result = Kilnify({option, "src", "src/out"}, {.workingFolder = tree.Root()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.find("Convert model src\\out"), std::string::npos) << result.out;
    EXPECT_EQ(SnapshotDifference(before, SnapshotTree(tree.Root(), {"src/out"})), "");
  }
  EXPECT_TRUE(IsRuntimeModel(tree.Read("src/out/m.p3d")));
  EXPECT_TRUE(IsRuntimeModel(tree.Read("src/out/sub/n.p3d")));
  EXPECT_FALSE(tree.Exists("src/out/out"));
}

TEST(KilnifyHardening, SourceInsideTheDestinationIsNeverWrittenOver) {
  TempTree tree;
  WriteModel(tree / "out/src/a.p3d");
  // Mirrored into the destination, out/src/src/a.p3d would become out/src/a.p3d.
  WriteModel(tree / "out/src/src/a.p3d", "data\\other_co.paa");
  const TreeSnapshot before = SnapshotTree(tree / "out/src");
  ProgramResult result = Kilnify({"-always", "out/src", "out"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(SnapshotDifference(before, SnapshotTree(tree / "out/src")), "");
  EXPECT_NE(result.err.find("Destination out\\src\\a.p3d lies inside the source folder; out\\src\\src\\a.p3d is not "
                            "converted"),
            std::string::npos)
      << result.err;
  EXPECT_TRUE(IsRuntimeModel(tree.Read("out/a.p3d")));

  // The same through a link: the source named through the destination is elsewhere.
  WriteModel(tree / "elsewhere/a.p3d");
  WriteModel(tree / "elsewhere/link/a.p3d", "data\\other_co.paa");
  std::filesystem::create_directory_symlink("../elsewhere", tree / "out/link");
  const TreeSnapshot linked = SnapshotTree(tree / "elsewhere");
  ProgramResult throughLink = Kilnify({"-always", "out/link", "out"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(SnapshotDifference(linked, SnapshotTree(tree / "elsewhere")), "") << throughLink.err;
  EXPECT_NE(throughLink.err.find("lies inside the source folder"), std::string::npos) << throughLink.err;
}

TEST(KilnifyHardening, EmptyDestinationIsACommandLineError) {
  TempTree tree;
  WriteModel(tree / "src/m.p3d");
  const TreeSnapshot before = SnapshotTree(tree.Root());
  ProgramResult result =
      Kilnify({"src", ""}, {.workingFolder = tree.Root(), .environment = {"KILNIFY_WORK_DRIVE=" + tree.Root().string()}});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.err.find("The destination folder is empty"), std::string::npos) << result.err;
  EXPECT_NE(result.out.find("Usage:"), std::string::npos);
  EXPECT_EQ(SnapshotDifference(before, SnapshotTree(tree.Root())), "");
}

TEST(KilnifyHardening, LinksBackToAFolderOnTheWayAreSkipped) {
  TempTree tree;
  WriteModel(tree / "src/m.p3d");
  WriteModel(tree / "src/sub/n.p3d");
  std::filesystem::create_directory_symlink(".", tree / "src/x");
  std::filesystem::create_directory_symlink(".", tree / "src/y");
  std::filesystem::create_directory_symlink("..", tree / "src/sub/up");
  for (const char* option : {"-always", "-norecurse"}) {
    const auto started = std::chrono::steady_clock::now();
    ProgramResult result = Kilnify({option, "src", "dst"}, {.workingFolder = tree.Root()});
    EXPECT_EQ(result.exitCode, 0) << option << " ran for "
                                  << std::chrono::duration_cast<std::chrono::seconds>(
                                         std::chrono::steady_clock::now() - started)
                                         .count()
                                  << " s";
    EXPECT_NE(result.err.find("leads to a folder visited already (a link); it is skipped"), std::string::npos)
        << result.err;
    EXPECT_TRUE(IsRuntimeModel(tree.Read("dst/m.p3d")));
    EXPECT_FALSE(tree.Exists("dst/x"));
  }
  EXPECT_TRUE(IsRuntimeModel(tree.Read("dst/sub/n.p3d")));

  // The texture-headers walk does not go round either.
  tree.Write("src/data/a.paa", "not a texture");
  ProgramResult headers = Kilnify({"-texheader", "src", "hdr"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(headers.exitCode, 0);
  EXPECT_NE(headers.err.find("leads to a folder visited already (a link); it is skipped"), std::string::npos)
      << headers.err;
}

TEST(KilnifyHardening, LinkedOutputIsReplacedThroughATemporaryFileBesideItsTarget) {
  TempTree tree;
  WriteModel(tree / "src/m.p3d");
  // Another file system where there is one: the rename must not cross it.
  std::filesystem::path elsewhere = tree / "elsewhere";
  std::string shared = "/dev/shm/kilnify-link-XXXXXX";
  if (std::filesystem::is_directory("/dev/shm") && ::mkdtemp(shared.data())) elsewhere = shared;
  std::filesystem::create_directories(elsewhere);
  {
    std::ofstream(elsewhere / "m.p3d") << "old";
  }
  tree.MakeFolder("dst");
  std::filesystem::create_symlink(elsewhere / "m.p3d", tree / "dst/m.p3d");
  ProgramResult result = Kilnify({"-always", "src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(WithoutSummary(result.err), "");
  EXPECT_TRUE(std::filesystem::is_symlink(tree / "dst/m.p3d"));
  std::ifstream in(elsewhere / "m.p3d", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(IsRuntimeModel(bytes));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(elsewhere), std::filesystem::directory_iterator()), 1);
  if (elsewhere != tree / "elsewhere") std::filesystem::remove_all(elsewhere);
}

TEST(KilnifyHardening, TemporaryFilesOfDeadRunsAreRemovedAndFailuresNameTheReason) {
  TempTree tree;
  WriteModel(tree / "src/m.p3d");
  WriteModel(tree / "src/n.p3d");
  // A process id above any the system hands out, and one that runs: this test's own.
  const std::string dead = "dst/m.p3d.tmp4194399.0.0";
  const std::string running = "dst/m.p3d.tmp" + std::to_string(::getpid()) + ".3.0";
  tree.Write(dead, "half");
  tree.Write(running, "being written");
  tree.Write("dst/m.p3d.tmpx.0.0", "no temporary file of ours");
  tree.MakeFolder("dst/n.p3d");  // cannot be replaced by a file
  ProgramResult result = Kilnify({"-always", "src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_FALSE(tree.Exists(dead));
  EXPECT_TRUE(tree.Exists(running));
  EXPECT_TRUE(tree.Exists("dst/m.p3d.tmpx.0.0"));
  EXPECT_TRUE(IsRuntimeModel(tree.Read("dst/m.p3d")));
  EXPECT_NE(result.err.find("Cannot write dst\\n.p3d: Is a directory"), std::string::npos) << result.err;
}

// Every runtime model below `folder` loads completely; no temporary file is left beside
// them when `noTemporaryFiles`. Returns how many models there are.
int CheckOutputs(const std::filesystem::path& folder, bool noTemporaryFiles) {
  int models = 0;
  if (!std::filesystem::exists(folder)) return 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".p3d")) {
      LODShape model;
      EXPECT_TRUE(LoadRuntimeModel(model, entry.path().string())) << entry.path();
      ++models;
    } else if (noTemporaryFiles) {
      ADD_FAILURE() << "left behind: " << entry.path();
    }
  }
  return models;
}

TEST(KilnifyHardening, KilledRunsLeaveOnlyCompleteOutputsAndTheNextRunCleansUp) {
  TempTree tree;
  constexpr int kModels = 120;
  for (int i = 0; i < kModels; ++i)
    WriteModel(tree / ("src/f" + std::to_string(i % 6) + "/m" + std::to_string(i) + ".p3d"), "data\\grid_co.paa", 24);
  int killed = 0;
  for (int milliseconds : {40, 80, 160, 320}) {
    ProgramResult result = Kilnify({"-always", "src", "dst"},
                                   {.workingFolder = tree.Root(), .killAfter = std::chrono::milliseconds(milliseconds)});
    killed += result.exitCode == kKilledExitCode;
    CheckOutputs(tree / "dst", false);
  }
  EXPECT_GT(killed, 0) << "every run ended before it was killed: the tree is too small to test anything";
  // The next run converts what is missing and removes what the killed runs left.
  ProgramResult finish = Kilnify({"src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(finish.exitCode, 0);
  EXPECT_EQ(CheckOutputs(tree / "dst", true), kModels);
}

TEST(KilnifyHardening, TwoConversionsOfTheSampleAreByteIdentical) {
  TempTree tree;
  ASSERT_EQ(RunProgram(BuiltProgram("kilnify-sample"), {tree.Root().string()}).exitCode, 0);
  ProgramOptions options{.workingFolder = tree.Root(),
                         .environment = {PressmillRegistry(tree), "KILNIFY_WORK_DRIVE=."}};
  for (const char* output : {"one", "two"}) {
    // In another second, so that a time written into an output would show.
    if (output[0] == 't') std::this_thread::sleep_for(1100ms);
    ProgramResult result =
        Kilnify({"-addon=kilnify_sample", std::string("-textures=tex_") + output, "kilnify_sample", output}, options);
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }
  const TreeSnapshot one = SnapshotTree(tree / "one");
  EXPECT_GT(one.size(), 3u);
  EXPECT_EQ(SnapshotDifference(one, SnapshotTree(tree / "two")), "");
  const TreeSnapshot textures = SnapshotTree(tree / "tex_one");
  EXPECT_GT(textures.size(), 3u);
  EXPECT_EQ(SnapshotDifference(textures, SnapshotTree(tree / "tex_two")), "");
}

}  // namespace
