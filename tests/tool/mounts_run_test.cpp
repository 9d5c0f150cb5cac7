// Runs of the built converter and companion tool with mounts and prefix files, and with
// data whose names point at files of the host.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"
#include "tests/support/tree_snapshot.h"

namespace {

using namespace std::chrono_literals;

ProgramResult RunBuilt(const std::string& program, const std::vector<std::string>& args, ProgramOptions options) {
  options.killAfter = 60s;
  return RunProgram(BuiltProgram(program), args, options);
}

std::string PressmillRegistry(TempTree& tree) {
  std::string folder = BuiltProgram("pressmill").parent_path().string();
  tree.Write("registry.reg", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltmoor\\Qorv Tools\\Pressmill]\n\"path\"=\"" + folder +
                                 "/\"\n\"exe\"=\"pressmill\"\n");
  return "KILNIFY_REGISTRY=" + (tree / "registry.reg").string();
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++count;
  return count;
}

// Three addons in repo/addons/<name>/ with prefix files, and the same files laid out at
// their work paths below drive/; an empty folder serves as the work drive of the
// repository runs, so nothing can be found there.
class AddonRepository : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunBuilt("kilnify-sample", {"--repository", (tree / "repo").string()}, {}).exitCode, 0);
    ASSERT_EQ(RunBuilt("kilnify-sample", {"--laid-out", (tree / "drive").string()}, {}).exitCode, 0);
    tree.MakeFolder("empty");
    registry = PressmillRegistry(tree);
  }
  ProgramResult ConvertLaidOut() {
    return RunBuilt(
        "kilnify", {"-textures=" + (tree / "tex_drive").string(), "x/kilnsample/addons", (tree / "out_drive").string()},
        {.workingFolder = tree / "drive",
         .environment = {registry, "KILNIFY_WORK_DRIVE=" + (tree / "drive").string()}});
  }

  TempTree tree;
  std::string registry;
};

TEST_F(AddonRepository, PrefixFilesConvertLikeALaidOutWorkDrive) {
  ProgramResult laidOut = ConvertLaidOut();
  ASSERT_EQ(laidOut.exitCode, 0) << laidOut.err;
  ProgramResult repo = RunBuilt(
      "kilnify",
      {"-prefixFile=ADDON.PREFIX", "-textures=" + (tree / "tex_repo").string(), "addons", (tree / "out_repo").string()},
      {.workingFolder = tree / "repo", .environment = {registry, "KILNIFY_WORK_DRIVE=" + (tree / "empty").string()}});
  ASSERT_EQ(repo.exitCode, 0) << repo.out << repo.err;
  EXPECT_EQ(repo.err.find("not found"), std::string::npos) << repo.err;
  const TreeSnapshot converted = SnapshotTree(tree / "out_repo");
  ASSERT_TRUE(tree.Exists("out_repo/props/models/crate.p3d"));
  ASSERT_TRUE(tree.Exists("out_repo/vehicles/models/cart.p3d"));
  EXPECT_EQ(SnapshotDifference(SnapshotTree(tree / "out_drive"), converted), "");
  const TreeSnapshot textures = SnapshotTree(tree / "tex_repo");
  EXPECT_TRUE(tree.Exists("tex_repo/x/kilnsample/addons/props/data/wood_co.paa"));
  EXPECT_TRUE(tree.Exists("tex_repo/x/kilnsample/addons/core/data/metal_nohq.paa"));
  EXPECT_EQ(SnapshotDifference(SnapshotTree(tree / "tex_drive"), textures), "");

  // The configuration that includes across two addons, through kiln.
  ASSERT_EQ(
      RunBuilt("kiln", {"cfg2bin", "x/kilnsample/addons/vehicles/config.cpp", (tree / "drive.bin").string()},
               {.workingFolder = tree / "drive", .environment = {"KILNIFY_WORK_DRIVE=" + (tree / "drive").string()}})
          .exitCode,
      0);
  ProgramResult bin = RunBuilt(
      "kiln", {"cfg2bin", "-prefixFile=addon.prefix", "addons/vehicles/config.cpp", (tree / "repo.bin").string()},
      {.workingFolder = tree / "repo", .environment = {"KILNIFY_WORK_DRIVE=" + (tree / "empty").string()}});
  ASSERT_EQ(bin.exitCode, 0) << bin.err;
  EXPECT_EQ(tree.Read("repo.bin"), tree.Read("drive.bin"));
}

TEST_F(AddonRepository, MountsFromTheEnvironmentAndTheCommandLineGiveTheSameOutputs) {
  ASSERT_EQ(ConvertLaidOut().exitCode, 0);
  const std::string addons = (tree / "repo/addons").string();
  ProgramResult repo = RunBuilt("kilnify",
                                {"-mount=/X/KilnSample/Addons/Vehicles=" + addons + "/vehicles",
                                 "-textures=" + (tree / "tex_repo").string(), addons, (tree / "out_repo").string()},
                                {.environment = {registry, "KILNIFY_WORK_DRIVE=" + (tree / "empty").string(),
                                                 "KILNIFY_MOUNTS=x\\kilnsample\\addons\\core=" + addons +
                                                     "/core;\\x\\kilnsample\\addons\\props=" + addons + "/props"}});
  ASSERT_EQ(repo.exitCode, 0) << repo.out << repo.err;
  EXPECT_EQ(SnapshotDifference(SnapshotTree(tree / "out_drive"), SnapshotTree(tree / "out_repo")), "");
  EXPECT_EQ(SnapshotDifference(SnapshotTree(tree / "tex_drive"), SnapshotTree(tree / "tex_repo")), "");
}

TEST_F(AddonRepository, KilnMountsPrintsTheTableAndTwoClaimsOfOnePathAreAnError) {
  ProgramResult table =
      RunBuilt("kiln", {"mounts", "-prefixFile=addon.prefix", "--json"},
               {.workingFolder = tree / "repo", .environment = {"KILNIFY_WORK_DRIVE=" + (tree / "empty").string()}});
  ASSERT_EQ(table.exitCode, 0) << table.err;
  for (const std::string name : {"core", "props", "vehicles"}) {
    EXPECT_NE(table.out.find("\"workPath\": \"\\\\x\\\\kilnsample\\\\addons\\\\" + name + "\""), std::string::npos)
        << table.out;
    EXPECT_NE(table.out.find("\"from\": \"" + (tree / "repo/addons" / name / "addon.prefix").string() + "\""),
              std::string::npos)
        << table.out;
  }
  tree.Write("repo/addons/copy/addon.prefix", "\\X\\KilnSample\\Addons\\Core\n");
  ProgramResult twice =
      RunBuilt("kilnify", {"-prefixFile=addon.prefix", "addons", (tree / "out").string()},
               {.workingFolder = tree / "repo", .environment = {"KILNIFY_WORK_DRIVE=" + (tree / "empty").string()}});
  EXPECT_NE(twice.exitCode, 0);
  EXPECT_NE(twice.err.find((tree / "repo/addons/copy").string()), std::string::npos) << twice.err;
  EXPECT_NE(twice.err.find((tree / "repo/addons/core").string()), std::string::npos) << twice.err;
  EXPECT_FALSE(tree.Exists("out"));
}

// A file of the host outside the work drive, whose content would show if it were read.
class HostFileNames : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.Write("outside/secret.paa", "SECRET-TEXTURE");
    tree.Write("outside/secret.rvmat", "SECRET-MATERIAL-LINE\n");
    tree.Write("outside/secret.hpp", "SECRET-INCLUDE-LINE\n");
    tree.MakeFolder("w/src");
    outside = "\\" + (tree / "outside").relative_path().string();
    for (char& c : outside)
      if (c == '/') c = '\\';
  }
  ProgramOptions Options() {
    return {.workingFolder = tree / "w",
            .environment = {PressmillRegistry(tree), "KILNIFY_WORK_DRIVE=" + (tree / "w").string()}};
  }

  TempTree tree;
  std::string outside;  // the outside folder as a rooted engine name
};

TEST_F(HostFileNames, ModelsAndTextureListsCannotReadThem) {
  mlod::Model host;
  host.lods.push_back(mlod::MakeGridLod(1, 1, 1.0f, "\\etc\\hostname", "\\etc\\hostname"));
  ASSERT_TRUE(mlod::WriteModelFile(host, tree / "w/src/host.p3d"));
  mlod::Model temp;
  temp.lods.push_back(mlod::MakeGridLod(1, 1, 1.0f, outside + "\\secret.paa", outside + "\\secret.rvmat"));
  ASSERT_TRUE(mlod::WriteModelFile(temp, tree / "w/src/temp.p3d"));
  tree.Write("w/src/textures.lst", "\\etc\\passwd\n" + outside + "\\secret.paa\n");
  ProgramResult run = RunBuilt(
      "kilnify", {"-textures=" + (tree / "w/tex").string(), (tree / "w/src").string(), (tree / "w/dst").string()},
      Options());
  std::string source = (tree / "w/src").string();
  for (char& c : source)
    if (c == '/') c = '\\';
  std::string lowerOutside = outside;
  for (char& c : lowerOutside) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string all = run.out + run.err;
  EXPECT_EQ(all.find("SECRET"), std::string::npos) << all;
  EXPECT_EQ(all.find("root:"), std::string::npos) << all;
  // Absolute host paths on the command line still work: both models were converted.
  EXPECT_TRUE(tree.Exists("w/dst/host.p3d"));
  EXPECT_TRUE(tree.Exists("w/dst/temp.p3d"));
  if (tree.Exists("w/tex")) {
    for (const auto& [path, bytes] : SnapshotTree(tree / "w/tex")) {
      EXPECT_EQ(bytes.find("SECRET"), std::string::npos) << path;
    }
  }
  EXPECT_FALSE(tree.Exists("w/tex/etc"));
  // Each name is reported once, with the file that names it.
  EXPECT_EQ(Count(all, "Name \\etc\\hostname in " + source + "\\host.p3d was not found; tried work drive"), 1u) << all;
  EXPECT_EQ(Count(all, "Name " + outside + "\\secret.rvmat in " + source + "\\temp.p3d was not found"), 1u) << all;
  EXPECT_EQ(Count(all, "Name " + lowerOutside + "\\secret.paa in " + source + "\\temp.p3d was not found"), 1u) << all;
  EXPECT_EQ(Count(all, "Name \\etc\\passwd in " + source + "\\textures.lst was not found"), 1u) << all;
  EXPECT_EQ(Count(all, "Name \\etc\\passwd in"), 1u) << all;
}

TEST_F(HostFileNames, IncludesCannotReadThem) {
  for (const std::string& name : {std::string("\\etc\\passwd"), outside + "\\secret.hpp", std::string("/etc/passwd")}) {
    tree.Write("w/src/config.cpp", "#include \"" + name + "\"\nclass A {};\n");
    ProgramResult run = RunBuilt("kiln", {"preprocess", (tree / "w/src/config.cpp").string()}, Options());
    EXPECT_NE(run.exitCode, 0) << name;
    const std::string all = run.out + run.err;
    EXPECT_EQ(all.find("SECRET"), std::string::npos) << all;
    EXPECT_EQ(all.find("root:"), std::string::npos) << all;
    std::string engineName = name;
    for (char& c : engineName)
      if (c == '/') c = '\\';
    // The messages of a missing include are kept, after the places tried.
    EXPECT_EQ(Count(all, "Name " + engineName + " in "), 1u) << all;
    EXPECT_NE(all.find("tried work drive " + (tree / "w").string()), std::string::npos) << all;
    EXPECT_NE(all.find("Include file " + engineName + " not found."), std::string::npos) << all;
    EXPECT_NE(all.find("Cannot include file " + name), std::string::npos) << all;
  }
  // A relative name that climbs out of the work drive is refused, naming the including file.
  tree.Write("w/src/config.cpp", "#include \"..\\..\\outside\\secret.hpp\"\n");
  ProgramResult climb = RunBuilt("kiln", {"preprocess", (tree / "w/src/config.cpp").string()}, Options());
  EXPECT_NE(climb.exitCode, 0);
  EXPECT_EQ((climb.out + climb.err).find("SECRET"), std::string::npos) << climb.err;
  EXPECT_NE(climb.err.find("..\\..\\outside\\secret.hpp in "), std::string::npos) << climb.err;
  EXPECT_NE(climb.err.find("config.cpp leads out of " + (tree / "w").string()), std::string::npos) << climb.err;
  // Inside the work drive a relative name still works.
  tree.Write("w/inc/a.hpp", "#define FROM_A 1\n");
  tree.Write("w/src/config.cpp", "#include \"..\\inc\\a.hpp\"\nvalue = FROM_A;\n");
  ProgramResult inside = RunBuilt("kiln", {"preprocess", (tree / "w/src/config.cpp").string()}, Options());
  EXPECT_EQ(inside.exitCode, 0) << inside.err;
  EXPECT_NE(inside.out.find("value = 1;"), std::string::npos) << inside.out;
}

}  // namespace
