// Runs of the built converter on generated source trees.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"
#include "lib/shape/testing/mlod_writer.h"

namespace {

ProgramResult Kilnify(const std::vector<std::string>& args, ProgramOptions options = {}) {
  return RunProgram(BuiltProgram("kilnify"), args, options);
}

// The summary line that ends a run on standard error, with the time left open.
std::regex Summary(int converted, int upToDate, int excluded, int failed, int warnings) {
  return std::regex("kilnify: " + std::to_string(converted) + " converted, " + std::to_string(upToDate) +
                    " up to date, " + std::to_string(excluded) + " excluded, " + std::to_string(failed) + " failed, " +
                    std::to_string(warnings) + " warnings in [0-9]+\\.[0-9]{2} s\n");
}

// The converter prints its command line with '\' separators.
std::string EngineForm(std::string path) {
  for (char& c : path) if (c == '/') c = '\\';
  return path;
}

TEST(KilnifyRun, BannerCommandLineAndWalk) {
  TempTree tree;
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f));
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "src/a.p3d"));
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "src/sub/B.p3d"));
  tree.Write("src/readme.txt");
  ProgramResult result = Kilnify({"src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(result.exitCode, 0);
  std::string program = EngineForm(BuiltProgram("kilnify").string());
  EXPECT_EQ(result.out,
            "KILNIFY rev.160123\n" + program + " src dst\n"
            "Kilnify started\n"
            "Convert model src\\sub\\B.p3d -> dst\\sub\\B.p3d\n<model = \"src\\sub\\B.p3d\">\n"
            "DIAG-SERIALIZED BoundingCenter of src\\sub\\B.p3d: 1.00,1.00\n</model>\n"
            "Convert model src\\a.p3d -> dst\\a.p3d\n<model = \"src\\a.p3d\">\n"
            "DIAG-SERIALIZED BoundingCenter of src\\a.p3d: 1.00,1.00\n</model>\n");
  EXPECT_TRUE(std::regex_match(result.err, Summary(2, 0, 0, 0, 0))) << result.err;
  // The destination keeps the source names' case; readme.txt is neither converted nor copied.
  EXPECT_TRUE(tree.Exists("dst/sub/B.p3d"));
  EXPECT_TRUE(tree.Exists("dst/a.p3d"));
  EXPECT_FALSE(tree.Exists("dst/readme.txt"));

  // A second run finds everything up to date; -always converts again.
  ProgramResult again = Kilnify({"src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(again.out.find("Convert model"), std::string::npos);
  EXPECT_TRUE(std::regex_match(again.err, Summary(0, 2, 0, 0, 0))) << again.err;
  ProgramResult always = Kilnify({"-always", "src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_NE(always.out.find("Convert model src\\a.p3d"), std::string::npos);
}

TEST(KilnifyRun, RootedFoldersLiveBelowTheWorkDrive) {
  TempTree tree;
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f));
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "kln_rooted_src/sub/a.p3d"));
  ProgramOptions options{.environment = {"KILNIFY_WORK_DRIVE=" + tree.Root().string()}};
  ProgramResult result = Kilnify({"\\kln_rooted_src", "\\kln_rooted_dst"}, options);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(tree.Read("kln_rooted_dst/sub/a.p3d").substr(0, 4), "ODOL") << result.err;
  ProgramResult again = Kilnify({"\\kln_rooted_src", "\\kln_rooted_dst"}, options);
  EXPECT_EQ(again.out.find("Convert model"), std::string::npos) << again.out;
}

TEST(KilnifyRun, StreamsKeepTheOrderOfPrinting) {
  TempTree tree;
  tree.Write("src/a.p3d");
  ProgramResult result = Kilnify({"-x", "src", "dst"}, {.workingFolder = tree.Root(), .mergeStreams = true});
  size_t unknown = result.out.find("Unknown argument -x");
  size_t started = result.out.find("Kilnify started");
  size_t opening = result.out.find("<model = ");
  size_t failure = result.out.find("Loading of model src\\a.p3d failed");
  size_t closing = result.out.find("</model>");
  ASSERT_NE(closing, std::string::npos);
  EXPECT_LT(unknown, started);
  EXPECT_LT(opening, failure);
  EXPECT_LT(failure, closing);
}

TEST(KilnifyRun, ForwardSlashesBecomeBackslashes) {
  TempTree tree;
  tree.Write("src/a.wrp");
  ProgramResult result = Kilnify({"-binpath=D:/game/", "./src/", "./dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find(" -binpath=D:\\game\\ .\\src\\ .\\dst\n"), std::string::npos);
  EXPECT_NE(result.out.find("Convert world .\\src\\a.wrp -> .\\dst\\a.wrp\n<world = \".\\src\\a.wrp\">\n"), std::string::npos);
  EXPECT_NE(result.out.find("[InitGeography] done\n</world>\n"), std::string::npos);
  EXPECT_EQ(WithoutSummary(result.err), "Cannot load world '.\\src\\a.wrp'\n");
}

TEST(KilnifyRun, WrongArgumentCountPrintsArgumentsAndUsage) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"src"}, std::vector<std::string>{"a", "b", "c", "d"}}) {
    ProgramResult result = Kilnify(args);
    EXPECT_EQ(result.exitCode, 2);
    std::string expected = "Invalid count of arguments=" + std::to_string(args.size() + 1) +
                           ", valid settings is >=3 && <=4\n\n" + EngineForm(BuiltProgram("kilnify").string()) + "\n";
    for (const std::string& arg : args) expected += arg + "\n";
    EXPECT_EQ(result.err, expected + "\n");
    EXPECT_NE(result.out.find("Usage:\nkilnify [options] source destination [wildcard]\n\nOptions:\n"),
              std::string::npos);
    EXPECT_EQ(result.out.find("Kilnify started"), std::string::npos);
  }
}

TEST(KilnifyRun, OptionAfterTheFoldersIsTheWildcard) {
  TempTree tree;
  tree.Write("src/a.p3d");
  ProgramResult result = Kilnify({"src", "dst", "-always"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.err.find("DirIterator: wrong filespec: src\\*-always"), std::string::npos);
}

TEST(KilnifyRun, NoLogsPrintsOnlyBannerAndCommandLine) {
  TempTree tree;
  tree.Write("src/a.p3d");
  tree.Write("src/w.wrp");
  ProgramResult result = Kilnify({"-noLogs", "-x", "src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "KILNIFY rev.160123\n" + EngineForm(BuiltProgram("kilnify").string()) + " -noLogs -x src dst\n");
  EXPECT_EQ(result.err, "");
}

TEST(KilnifyRun, EmptySourceFolderEndsWithExitCodeZero) {
  TempTree tree;
  tree.MakeFolder("src");
  ProgramResult result = Kilnify({"src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err.substr(0, 36), "DirIterator: wrong filespec: src\\**\n");
  EXPECT_TRUE(std::regex_match(result.err.substr(36), Summary(0, 0, 0, 0, 0))) << result.err;
}

TEST(KilnifyRun, OtherProgramNamesNeedTheSwitch) {
  TempTree tree;
  tree.MakeFolder("src");
  std::filesystem::path renamed = tree / "game.bin";
  std::filesystem::copy_file(BuiltProgram("kilnify"), renamed);
  ProgramResult refused = RunProgram(renamed, {"src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_NE(refused.exitCode, 0);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1);

  ProgramResult accepted = RunProgram(renamed, {"-kilnify", "src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(accepted.exitCode, 0);
  EXPECT_NE(accepted.out.find("Kilnify started"), std::string::npos);

  std::filesystem::copy_file(BuiltProgram("kilnify"), tree / "KilNify.v2.bin");
  EXPECT_EQ(RunProgram(tree / "KilNify.v2.bin", {"src", "dst"}, {.workingFolder = tree.Root()}).exitCode, 0);
}

}  // namespace

namespace {

TEST(KilnifyRun, BrokenConfigurationStopsTheRunWithExitCodeOne) {
  TempTree tree;
  tree.Write("src/a.p3d");
  tree.Write("src/data/config.cpp", "class CfgPatches {\n  class Broken { units[] = {; };\n};\n");
  for (bool silent : {true, false}) {
    std::vector<std::string> args = {"src", "dst"};
    if (silent) args.insert(args.begin(), "-silent");
    // Standard input is not a terminal here: no prompt waits even without -silent.
    ProgramResult result = Kilnify(args, {.workingFolder = tree.Root()});
    EXPECT_EQ(result.exitCode, 1);
    // Without -addon= the work drive (here the current folder) is loaded first, so the
    // file is met below the drive's root before the source folder is reached.
    EXPECT_NE(result.err.find("Error 3 while parsing config \"\\src\\data\\config.cpp\""), std::string::npos)
        << result.err;
    EXPECT_EQ(result.out.find("Convert model"), std::string::npos);
  }
}

TEST(KilnifyRun, AddonConfigurationsLoadBeforeTheWalk) {
  TempTree tree;
  tree.Write("src/a.p3d");
  tree.Write("addon/config.cpp", "class CfgPatches { class Broken { x=; };\n");
  ProgramResult broken = Kilnify({"-addon=addon", "src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_NE(broken.err.find("while parsing config \"addon\\config.cpp\""), std::string::npos) << broken.err;

  tree.Write("addon/config.cpp", "class CfgPatches { class Fine {}; };\n");
  ProgramResult fine = Kilnify({"-addon=addon", "src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(fine.exitCode, 0);
  EXPECT_NE(fine.out.find("Convert model src\\a.p3d"), std::string::npos);
}

}  // namespace

namespace {

// A registry file naming build/pressmill as the external texture program.
std::string PressmillRegistry(TempTree& tree) {
  std::string folder = BuiltProgram("pressmill").parent_path().string();
  tree.Write("registry.reg", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltmoor\\Qorv Tools\\Pressmill]\n\"path\"=\"" +
                                 folder + "/\"\n\"exe\"=\"pressmill\"\n");
  return "KILNIFY_REGISTRY=" + (tree / "registry.reg").string();
}

// An uncompressed 32-bit TGA of `size` x `size`.
std::string Tga(int size) {
  std::string bytes(18, '\0');
  bytes[2] = 2;
  bytes[12] = static_cast<char>(size);
  bytes[14] = static_cast<char>(size);
  bytes[16] = 32;
  bytes[17] = 8 | 0x20;
  for (int i = 0; i < size * size; ++i) bytes += std::string{'\x40', '\x80', static_cast<char>(i), '\xff'};
  return bytes;
}

TEST(KilnifyRun, TexturesAreConvertedAndCopiedThroughPressmill) {
  TempTree tree;
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f, "addon\\data\\wood_co.paa"));
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "addon/models/box.p3d"));
  tree.Write("addon/data/wood_co.tga", Tga(32));
  tree.Write("addon/data/stone_co.tga", Tga(16));
  tree.Write("addon/textures.lst", "addon\\data\\wood_co.tga\naddon\\data\\stone_co.tga\n");
  tree.MakeFolder("empty");
  ProgramOptions options{.workingFolder = tree.Root(),
                         .environment = {PressmillRegistry(tree), "KILNIFY_WORK_DRIVE=" + tree.Root().string()}};
  ProgramResult result =
      RunProgram(BuiltProgram("kilnify"), {"-addon=empty", "-maxProcesses=3", "-textures=tex", "addon", "out"}, options);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(tree.Exists("out/models/box.p3d"));
  // The images became textures beside them, and both were copied into the textures folder.
  EXPECT_EQ(tree.Read("addon/data/wood_co.paa").substr(0, 2), "\x01\xff");
  EXPECT_EQ(tree.Read("tex/addon/data/wood_co.paa"), tree.Read("addon/data/wood_co.paa"));
  EXPECT_EQ(tree.Read("tex/addon/data/stone_co.paa"), tree.Read("addon/data/stone_co.paa"));
  EXPECT_NE(result.out.find("Converting resources, please wait -----------\r\n"), std::string::npos);

  // A second run finds every copy up to date.
  ProgramResult again =
      RunProgram(BuiltProgram("kilnify"), {"-addon=empty", "-textures=tex", "addon", "out"}, options);
  EXPECT_EQ(again.out.find("Converting resources"), std::string::npos) << again.out;
}

TEST(KilnifyRun, MissingTextureProgramIsReportedAndTheRunGoesOn) {
  TempTree tree;
  tree.Write("src/data/a.tga", Tga(8));
  tree.Write("src/textures.lst", "src\\data\\a.tga\n");
  tree.MakeFolder("empty");
  ProgramResult result = RunProgram(BuiltProgram("kilnify"), {"-addon=empty", "-textures=tex", "src", "out"},
                                    {.workingFolder = tree.Root(),
                                     .environment = {"KILNIFY_REGISTRY=" + (tree / "none.reg").string()}});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.err.find("Cannot read registry HKEY_LOCAL_MACHINE/SOFTWARE\\Veltmoor\\Qorv Tools\\Pressmill"),
            std::string::npos)
      << result.err;
}

TEST(KilnifyRun, TextureHeadersModeWritesTheHeadersFile) {
  TempTree tree;
  tree.Write("registry.reg", "");
  tree.Write("src/data/a.tga", Tga(16));
  ASSERT_EQ(RunProgram(BuiltProgram("pressmill"), {(tree / "src/data/a.tga").string(), (tree / "src/data/a.paa").string()})
                .exitCode,
            0);
  ProgramResult result = Kilnify({"-texheader", "src", "dst"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("Creating texture headers file"), std::string::npos) << result.out;
  EXPECT_EQ(tree.Read("dst/texHeaders.bin").substr(0, 4), "0DHT");

  ProgramResult nothing = Kilnify({"-texheader", "dst", "dst2"}, {.workingFolder = tree.Root()});
  EXPECT_EQ(nothing.exitCode, 0);
  EXPECT_NE(nothing.err.find("Texture headers file was not created - no textures found."), std::string::npos);
}

}  // namespace
