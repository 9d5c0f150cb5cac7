// Configurations as addons write them, through `kiln cfg2bin` and a `kilnify` run: token
// pasting beside blanks, #if/#elif with defined and __has_include, #pragma lines, and
// names written in another letter case than the one the converter asks for.
#include <gtest/gtest.h>

#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

ProgramResult Kiln(const std::vector<std::string>& args, const TempTree& tree) {
  return RunProgram(BuiltProgram("kiln"), args,
                    {.workingFolder = tree.Root(), .environment = {"KILNIFY_WORK_DRIVE=" + tree.Root().string()}});
}

ProgramResult Kilnify(const std::vector<std::string>& args, const TempTree& tree) {
  return RunProgram(BuiltProgram("kilnify"), args,
                    {.workingFolder = tree.Root(), .environment = {"KILNIFY_WORK_DRIVE=" + tree.Root().string()}});
}

// Every construct, with `extra` (more classes) at the end. The files that __has_include
// looks for are written by WriteIncludedFiles.
std::string ConstructsConfig(const std::string& extra = "") {
  return "#pragma once\n"
         "#pragma warning(disable: 4996) \\\n   a continued pragma line\n"
         "#define PROXY(weapon) class ##weapon; class my_##weapon: ##weapon { reload = 0.5; }\n"
         "#define BEFORE(x) before = ##x;\n"
         "#define AFTER(x) after = x## ;\n"
         "#define BOTH(x) both = x ## + ## 1;\n"
         "#define BASE(w) class ##w { kind = \"base\"; };\n"
         "#define PAIR(a, b) BASE(a) class my_##b: ##a {};\n"
         "#define VERSION 0x0105\n"
         "class CfgPatches { class Mod { BEFORE(1) AFTER(2) BOTH(3) }; };\n"
         "PROXY(HMG_Static);\n"
         "PAIR(Gun, Cannon);\n"
         "class Checks {\n"
         "#if VERSION >= 0x0100 && defined(PROXY) && !defined UNKNOWN\n"
         "  version = \"new\";\n"
         "#elif VERSION > 0\n"
         "  version = \"old\";\n"
         "#else\n"
         "  version = \"none\";\n"
         "#endif\n"
         "#if __has_include(\"inc\\present.hpp\")\n  relative = 1;\n#endif\n"
         "#if __has_include(<INC\\Present.HPP>)\n  otherCase = 1;\n#endif\n"
         "#if __has_include(\"\\shared\\rooted.hpp\") && __has_include(\"\\SHARED\\ROOTED.hpp\")\n  rooted = 1;\n#endif\n"
         "#if __has_include(\"inc\\missing.hpp\") || __has_include(<\\shared\\missing.hpp>)\n"
         "  missing = 1;\n#else\n  missing = 0;\n#endif\n"
         "#ifdef NOT_DEFINED\n#pragma inside a dropped branch\n#if 1 / 0\n#endif\n  dropped = 1;\n#endif\n"
         "};\n" +
         extra;
}

void WriteIncludedFiles(TempTree& tree, const std::string& folder) {
  tree.Write(folder + "/inc/present.hpp", "");
  tree.Write("shared/rooted.hpp", "");
}

// The text form of `binary` (written by cfg2bin) as bin2cfg saves it.
std::string TextOf(TempTree& tree, const std::string& binary) {
  ProgramResult back = Kiln({"bin2cfg", binary, binary + ".cpp"}, tree);
  EXPECT_EQ(back.exitCode, 0) << back.err;
  return tree.Read(binary + ".cpp");
}

void ExpectConstructs(const std::string& text) {
  for (const char* expected :
       {"class HMG_Static;", "class my_HMG_Static: HMG_Static", "reload = 0.5;", "before = 1;", "after = 2;",
        "both = \"3  +  1\";", "class Gun", "kind = \"base\";", "class my_Cannon: Gun", "version = \"new\";",
        "relative = 1;", "otherCase = 1;", "rooted = 1;", "missing = 0;"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
  }
  EXPECT_EQ(text.find("dropped"), std::string::npos) << text;
}

TEST(ConfigConstructsRun, CfgToBinTakesEveryConstruct) {
  TempTree tree;
  WriteIncludedFiles(tree, "addon");
  tree.Write("addon/config.cpp", ConstructsConfig());
  ProgramResult result = Kiln({"cfg2bin", "addon/config.cpp", "config.bin"}, tree);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  ExpectConstructs(TextOf(tree, "config.bin"));
}

TEST(ConfigConstructsRun, CfgToBinReportsBadExpressionsWithError15) {
  TempTree tree;
  const std::pair<std::string, std::string> cases[] = {
      {"class A {};\n#if 4 / (2 - 2)\n#endif\n", "File bad.cpp, line 2: #if 4 / (2 - 2): division by zero"},
      {"#define N 0\n#if 0\n#elif 1 % N\n#endif\n", "File bad.cpp, line 3: #elif 1 % N (expanded: 1 % 0): division by zero"},
      {"#if (1 + 2\n#endif\n", "File bad.cpp, line 1: #if (1 + 2: ')' expected at the end"},
      {"#if __has_include(present.hpp)\n#endif\n", "File bad.cpp, line 1: #if __has_include(present.hpp): "},
  };
  for (const auto& [text, message] : cases) {
    tree.Write("bad.cpp", text);
    ProgramResult result = Kiln({"cfg2bin", "bad.cpp", "bad.bin"}, tree);
    EXPECT_EQ(result.exitCode, 1) << text;
    EXPECT_NE(result.err.find(message), std::string::npos) << text << "\n" << result.err;
    EXPECT_NE(result.err.find("Preprocessor failed on file bad.cpp - error 15 (source bad.cpp, line "), std::string::npos)
        << result.err;
    EXPECT_FALSE(tree.Exists("bad.bin"));
  }
  // Any other unknown directive is still error 7.
  tree.Write("bad.cpp", "#pragmatic\n");
  EXPECT_NE(Kiln({"cfg2bin", "bad.cpp", "bad.bin"}, tree).err.find("error 7 (source bad.cpp, line 1)"),
            std::string::npos);
}

// The global configuration below the source folder defines the material the model's faces
// name; the model configuration gives the skeleton. Both use the constructs, and keys in
// other letter cases than the converter asks for.
TEST(ConfigConstructsRun, KilnifyLoadsSuchConfigurations) {
  TempTree tree;
  WriteIncludedFiles(tree, "src");
  tree.Write("src/config.cpp",
             ConstructsConfig("class cfgMATERIALS {\n"
                              "#if __has_include(\"inc\\present.hpp\") && VERSION == 0x105\n"
                              "  class mat { surfaceinfo = \"found_surface\"; MainLight = \"Sun\"; };\n"
                              "#else\n"
                              "  class mat { SurfaceInfo = \"wrong_surface\"; };\n"
                              "#endif\n"
                              "};\n"));
  tree.Write("src/model.cfg",
             "#pragma model configuration\n"
             "#define BONE(name, parent) #name, #parent\n"
             "#define SKELETON(n) class ##n { SKELETONBONES[] = {BONE(Spine, ), BONE(Arm, spine)}; IsDiscrete = 1; };\n"
             "class cfgskeletons {\n#if defined(BONE) && !__has_include(\"nothere.cfg\")\n  SKELETON(Body)\n#endif\n};\n"
             "class CFGMODELS { class box { SkeletonName = \"BODY\"; }; };\n");
  mlod::Model model;
  mlod::Lod lod = mlod::MakeGridLod(2, 2, 1.0f, "data\\grid_co.paa", "#mat");
  lod.AddSelectionOf("spine", {0, 1, 2}, {0});
  model.lods.push_back(lod);
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "src/box.p3d"));

  ProgramResult run = Kilnify({"-silent", "src", "dst"}, tree);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("rror"), std::string::npos) << run.err;
  EXPECT_EQ(run.out.find("Obsolete CfgSkeletons"), std::string::npos) << run.out;
  ProgramResult dump = Kiln({"dump", "--json", "dst/box.p3d"}, tree);
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  EXPECT_NE(dump.out.find("\"surface\": \"found_surface\""), std::string::npos) << dump.out;
  EXPECT_NE(dump.out.find("\"skeleton\": \"BODY\""), std::string::npos) << dump.out;
  EXPECT_NE(dump.out.find("\"bones\": 2"), std::string::npos) << dump.out;

  // A bad expression fails the configuration, and the run ends with exit code 1.
  tree.Write("src/config.cpp", "class A {};\n#if VERSION ? 1 : 2 /\n#endif\n");
  ProgramResult failed = Kilnify({"-silent", "-always", "src", "dst"}, tree);
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_NE(failed.err.find("File \\src\\config.cpp, line 2: #if VERSION ? 1 : 2 /: a value expected at the end"),
            std::string::npos)
      << failed.err;
  EXPECT_NE(failed.err.find("Preprocessor failed on file \\src\\config.cpp - error 15"), std::string::npos) << failed.err;
}

}  // namespace
