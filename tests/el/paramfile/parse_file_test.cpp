// Parsing files through the preprocessor: includes in nested folders, macros, and
// messages that name the included file and line.
#include <algorithm>

#include "el/preproc/preproc.h"
#include "tests/el/paramfile/param_test_support.h"

namespace {

TEST(ParamParseFile, ConfigurationSpreadOverIncludes) {
  CapturedMessages messages;
  TempFolder folder;
  std::string top = folder.Write("addon/config.cpp",
                                 "#define SPEED(x) maxSpeed = x; speedText = #x;\n"
                                 "#include \"parts\\vehicles.hpp\"\n"
                                 "class CfgWeapons\n"
                                 "{\n"
                                 "  /* a comment\n"
                                 "     over lines */\n"
                                 "  class Gun { SPEED(300) };\n"
                                 "};\n");
  folder.Write("addon/parts/vehicles.hpp",
               "class CfgVehicles\n"
               "{\n"
               "  #include \"deeper/base.hpp\"\n"
               "  class Car: Base { SPEED(120) wheels[] = {1, 2, 3, 4}; };\n"
               "};\n");
  folder.Write("addon/parts/deeper/base.hpp", "class Base { scope = 0; model = __FILE__; };\n");
  ParamFile file;
  ASSERT_EQ(file.Parse(top), 0) << messages.All();
  EXPECT_EQ(file.GetFileName(), top);
  EXPECT_EQ((file >> "CfgVehicles" >> "Car" >> "maxSpeed").GetInt(), 120);
  EXPECT_EQ((file >> "CfgVehicles" >> "Car" >> "speedText").GetValue(), "120");
  EXPECT_EQ((file >> "CfgVehicles" >> "Car" >> "scope").GetInt(), 0);
  EXPECT_EQ((file >> "CfgVehicles" >> "Car" >> "wheels").GetSize(), 4);
  EXPECT_NE((file >> "CfgVehicles" >> "Base" >> "model").GetValue().find("base.hpp"), std::string::npos);
  EXPECT_EQ((file >> "CfgWeapons" >> "Gun" >> "maxSpeed").GetInt(), 300);
  EXPECT_TRUE(messages.errorLines.empty()) << messages.All();
}

TEST(ParamParseFile, MessagesNameTheIncludedFileAndLine) {
  CapturedMessages messages;
  TempFolder folder;
  std::string top = folder.Write("config.cpp",
                                 "a = 1;\n"
                                 "#include \"sub\\inc.hpp\"\n"
                                 "b = 1;\n"
                                 "b = 2;\n");
  folder.Write("sub/inc.hpp",
               "// line 1\n"
               "c = 1;\n"
               "c = 2;\n");
  ParamFile file;
  ASSERT_EQ(file.Parse(top), 0) << messages.All();
  EXPECT_TRUE(messages.HasLineEndingWith("inc.hpp, line 3: " + top + ".c: Member already defined.")) << messages.All();
  EXPECT_TRUE(messages.HasLineEndingWith("config.cpp, line 4: " + top + ".b: Member already defined."))
      << messages.All();
}

TEST(ParamParseFile, SyntaxErrorInAnIncludedFile) {
  CapturedMessages messages;
  TempFolder folder;
  std::string top = folder.Write("config.cpp", "class A {\n#include \"broken.hpp\"\n};\n");
  folder.Write("broken.hpp", "x = 1;\n\ny 2;\n");
  ParamFile file;
  EXPECT_EQ(file.Parse(top), 3);
  EXPECT_TRUE(messages.HasLineEndingWith("broken.hpp, line 3: '" + top + "/A.y': '2' encountered instead of '='"))
      << messages.All();
}

TEST(ParamParseFile, MissingFilesAndFailedPreprocessing) {
  CapturedMessages messages;
  TempFolder folder;
  ParamFile missing;
  missing.AddValue("kept", 1);
  EXPECT_EQ(missing.Parse(folder.File("none.cpp")), 0);
  EXPECT_EQ(missing.GetFileName(), folder.File("none.cpp"));
  EXPECT_EQ(missing.GetEntryCount(), 1);

  std::string top = folder.Write("config.cpp", "#include \"absent.hpp\"\nx = 1;\n");
  ParamFile failed;
  EXPECT_EQ(failed.Parse(top), 3);
  EXPECT_EQ(failed.GetEntryCount(), 0);
  std::string engine = top;
  std::replace(engine.begin(), engine.end(), '/', '\\');
  EXPECT_TRUE(messages.Errored("Preprocessor failed on file " + engine + " - error 1 (source " + engine + ", line 1)."))
      << messages.All();
}

TEST(ParamParseFile, PredefinedMacrosAndTheToolEntryPoint) {
  TempFolder folder;
  std::string top = folder.Write("config.cpp", "#ifdef KILN\nmode = MODE;\n#endif\n");
  PredefinedMacro defines[] = {{"KILN", ""}, {"MODE", "\"tool\""}, {nullptr, nullptr}};
  ParamFile file;
  ASSERT_EQ(file.Parse(top, nullptr, defines), 0);
  EXPECT_EQ((file >> "mode").GetValue(), "tool");
  ParamFile plain;
  ASSERT_TRUE(ParseConfigFile(plain, top));
  EXPECT_EQ(plain.GetEntryCount(), 0);
}

TEST(ParamParseFile, LinesStayRightFarIntoALongFile) {
  // Several megabytes of text, so that the parse reads it in many pieces; messages near
  // the end, after an include near the start and after macros, still name their lines.
  CapturedMessages messages;
  TempFolder folder;
  std::string text = "#define VALUE(n) value = n;\n#include \"first.hpp\"\nclass Long\n{\n";
  int line = 5;
  for (int i = 0; i < 120000; ++i, ++line)
    text += "  class C" + std::to_string(i) + " { VALUE(" + std::to_string(i % 7) + ") name = \"c\"; };\n";
  text += "  twice = 1;\n  twice = 2;\n";
  line += 2;
  text += "};\nbroken 1;\n";
  line += 1;
  std::string top = folder.Write("config.cpp", text);
  folder.Write("first.hpp", "first = 1;\n");
  ParamFile file;
  EXPECT_EQ(file.Parse(top), 3);
  EXPECT_EQ((file >> "Long" >> "C119999" >> "value").GetInt(), 119999 % 7);
  EXPECT_TRUE(messages.HasLineEndingWith("config.cpp, line " + std::to_string(line - 2) + ": " + top +
                                         "/Long.twice: Member already defined."))
      << messages.All();
  EXPECT_TRUE(messages.HasLineEndingWith("config.cpp, line " + std::to_string(line) + ": '" + top +
                                         ".broken': '1' encountered instead of '='"))
      << messages.All();
}

}  // namespace

