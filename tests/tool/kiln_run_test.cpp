// Runs of the companion tool `kiln` on generated files.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"
#include "lib/shape/testing/mlod_writer.h"

namespace {

ProgramResult Kiln(const std::vector<std::string>& args, const TempTree& tree) {
  return RunProgram(BuiltProgram("kiln"), args, {.workingFolder = tree.Root()});
}

TEST(KilnRun, WithoutArgumentsPrintsUsage) {
  TempTree tree;
  ProgramResult result = Kiln({}, tree);
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.out.find("Usage: kiln COMMAND"), std::string::npos);
  EXPECT_NE(result.out.find("cfg2bin"), std::string::npos);
  ProgramResult unknown = Kiln({"frobnicate"}, tree);
  EXPECT_NE(unknown.exitCode, 0);
  EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);
  EXPECT_NE(Kiln({"cfg2bin", "only-one"}, tree).exitCode, 0);
}

TEST(KilnRun, PreprocessPrintsTheExpandedText) {
  TempTree tree;
  tree.Write("inc/macros.hpp", "#define GVAR(x) mod_##x\n#define QUOTE(x) #x\n");
  tree.Write("config.cpp", "#include \"inc\\macros.hpp\"\nname = QUOTE(GVAR(main));\n");
  ProgramResult result = Kiln({"preprocess", "config.cpp"}, tree);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("name = \"mod_main\";"), std::string::npos) << result.out;
  // A missing file is told on standard error; standard output carries nothing but text.
  ProgramResult missing = Kiln({"preprocess", "missing.cpp"}, tree);
  EXPECT_NE(missing.exitCode, 0);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("missing.cpp not found"), std::string::npos) << missing.err;
}

TEST(KilnRun, TextBinaryTextBinaryIsStableOnTheSecondPass) {
  TempTree tree;
  tree.Write("config.cpp",
             "#define VERSION 3\n"
             "enum { first, second = 5 };\n"
             "class CfgPatches { class Mod { units[] = {\"a\", \"b\"}; version = VERSION; }; };\n"
             "class Base { scale = 1.5; big = 12345678901; hex = 0x10; };\n"
             "class Derived : Base { delete scale; list[] = {1, {2, 3}, \"x\"}; list[] += {4}; };\n"
             "class Declared;\n");
  ASSERT_EQ(Kiln({"cfg2bin", "config.cpp", "one.bin"}, tree).exitCode, 0);
  ASSERT_EQ(Kiln({"bin2cfg", "one.bin", "one.cpp"}, tree).exitCode, 0);
  ASSERT_EQ(Kiln({"cfg2bin", "one.cpp", "two.bin"}, tree).exitCode, 0);
  ASSERT_EQ(Kiln({"bin2cfg", "two.bin", "two.cpp"}, tree).exitCode, 0);
  EXPECT_EQ(tree.Read("one.bin"), tree.Read("two.bin"));
  EXPECT_EQ(tree.Read("one.cpp"), tree.Read("two.cpp"));
  EXPECT_NE(tree.Read("one.cpp").find("class Derived: Base"), std::string::npos) << tree.Read("one.cpp");
}

TEST(KilnRun, BrokenInputFailsWithTheReadersMessage) {
  TempTree tree;
  tree.Write("broken.cpp", "class A {\n  value = 1\n  other = 2;\n");
  ProgramResult parse = Kiln({"cfg2bin", "broken.cpp", "out.bin"}, tree);
  EXPECT_NE(parse.exitCode, 0);
  EXPECT_NE(parse.err.find("File broken.cpp, line"), std::string::npos) << parse.err;
  EXPECT_FALSE(tree.Exists("out.bin"));

  tree.Write("garbage.bin", std::string("\0raP\x08\0\0\0garbage", 15));
  ProgramResult load = Kiln({"bin2cfg", "garbage.bin", "out.cpp"}, tree);
  EXPECT_NE(load.exitCode, 0);
  EXPECT_FALSE(tree.Exists("out.cpp"));

  // An output that cannot be written names the system's reason.
  tree.Write("good.cpp", "class A { x = 1; };\n");
  ProgramResult write = Kiln({"cfg2bin", "good.cpp", "missing/out.bin"}, tree);
  EXPECT_NE(write.exitCode, 0);
  EXPECT_EQ(write.err, "kiln cfg2bin: cannot write missing/out.bin: No such file or directory\n");
}

}  // namespace

namespace {

TEST(KilnRun, DumpDescribesSourceModels) {
  TempTree tree;
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f));
  model.lods.push_back(mlod::MakeGridLod(1, 1, 1e13f));
  ASSERT_TRUE(mlod::WriteModelFile(model, tree / "data/crate.p3d"));

  ProgramResult text = Kiln({"dump", "data/crate.p3d"}, tree);
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("MLOD"), std::string::npos) << text.out;
  ProgramResult json = Kiln({"dump", "--json", "data/crate.p3d"}, tree);
  EXPECT_EQ(json.exitCode, 0) << json.err;
  const nlohmann::json dump = nlohmann::json::parse(json.out);
  EXPECT_EQ(dump["container"], "MLOD") << json.out;
  EXPECT_EQ(dump["lods"].size(), 2u) << json.out;

  std::string bytes = tree.Read("data/crate.p3d");
  tree.Write("data/cut.p3d", bytes.substr(0, bytes.size() / 2));
  ProgramResult cut = Kiln({"dump", "data/cut.p3d"}, tree);
  EXPECT_NE(cut.exitCode, 0);
  EXPECT_NE(cut.err.find("broken source model"), std::string::npos) << cut.err;

  tree.Write("data/other.bin", "what is this");
  ProgramResult unknown = Kiln({"dump", "data/other.bin"}, tree);
  EXPECT_NE(unknown.exitCode, 0);
  EXPECT_NE(unknown.err.find("not a file kind kiln knows"), std::string::npos);
}

}  // namespace
