// #include of files on the disk: folders, the work drive, letter case, markers.
#include "el/preproc/data_name.h"
#include "platform/engine_resolver.h"
#include "tests/el/preproc/preproc_test_support.h"

namespace {

PreprocResult RunFile(const std::string& fileName, bool lineMarkers = true) {
  QOStrStream out;
  PreprocResult result;
  result.ok = CPreprocessorFunctions::Preprocess(out, fileName, nullptr, lineMarkers);
  result.text = out.Str();
  return result;
}

// A work drive with an addon whose configuration includes files around the tree.
class PreprocIncludeTree : public ::testing::Test {
 protected:
  PreprocIncludeTree() : drive_(tree_.Path().string()) {}

  TempFolder tree_;
  WorkDriveScope drive_;
  CapturedMessages messages_;
};

TEST_F(PreprocIncludeTree, IncludesRelativeParentAndDriveRootedNamesWithMarkers) {
  tree_.Write("addon/config.cpp",
              "#include \"sub\\part.h\"\n"
              "#include \"..\\common\\base.h\"\n"
              "#include \"\\shared\\root.h\"\n"
              "END\n");
  tree_.Write("addon/sub/part.h", "PART\n");
  tree_.Write("common/base.h", "BASE\n");
  tree_.Write("shared/root.h", "ROOT\n");
  PreprocResult result = RunFile("\\addon\\config.cpp");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.text,
            "#line 1 \"\\addon\\sub\\part.h\"\n"
            "PART\n"
            "#line 1 \"\\addon\\config.cpp\"\n"
            "\n"
            "#line 1 \"\\common\\base.h\"\n"
            "BASE\n"
            "#line 2 \"\\addon\\config.cpp\"\n"
            "\n"
            "#line 1 \"\\shared\\root.h\"\n"
            "ROOT\n"
            "#line 3 \"\\addon\\config.cpp\"\n"
            "\n"
            "END\n");
}

TEST_F(PreprocIncludeTree, NestedIncludesAreSearchedInTheFolderOfTheIncludingFile) {
  tree_.Write("addon/config.cpp", "#include \"a\\one.h\"\ncfg __FILE__\n");
  tree_.Write("addon/a/one.h", "one\n#include \"b\\two.h\"\none __LINE__\n");
  tree_.Write("addon/a/b/two.h", "two __FILE__\n#include \"\\shared\\root.h\"\n#include \"..\\..\\top.h\"\n");
  tree_.Write("shared/root.h", "root\n");
  tree_.Write("addon/top.h", "top");
  PreprocResult result = RunFile("\\addon\\config.cpp");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.text,
            "#line 1 \"\\addon\\a\\one.h\"\n"
            "one\n"
            "#line 1 \"\\addon\\a\\b\\two.h\"\n"
            "two \"\\addon\\a\\b\\two.h\"\n"
            "#line 1 \"\\shared\\root.h\"\n"
            "root\n"
            "#line 2 \"\\addon\\a\\b\\two.h\"\n"
            "\n"
            "#line 1 \"\\addon\\top.h\"\n"
            "top\n"  // the file has no last line feed; the marker still starts a line
            "#line 3 \"\\addon\\a\\b\\two.h\"\n"
            "\n"
            "#line 2 \"\\addon\\a\\one.h\"\n"
            "\n"
            "one 3\n"
            "#line 1 \"\\addon\\config.cpp\"\n"
            "\n"
            "cfg \"\\addon\\config.cpp\"\n");
}

TEST_F(PreprocIncludeTree, NamesInAnyLetterCaseAndAngleBracketsFindTheFile) {
  tree_.Write("Addon/Config.CPP", "#include <SUB/Part.H>\n#include \"..\\COMMON\\base.h\"\n");
  tree_.Write("Addon/sub/part.h", "part\n");
  tree_.Write("common/Base.h", "base\n");
  PreprocResult result = RunFile("\\addon\\config.cpp", false);
  ASSERT_TRUE(result.ok) << result.text;
  EXPECT_EQ(result.text, "part\n\nbase\n\n");
}

TEST_F(PreprocIncludeTree, HostPathOfTheTopFileWorksAndMessagesUseEngineForm) {
  std::string host = tree_.Write("addon/config.cpp", "#include \"inc.h\"\n");
  tree_.Write("addon/inc.h", "inc\n");
  PreprocResult result = RunFile(host);
  ASSERT_TRUE(result.ok);
  std::string engine = host;
  std::replace(engine.begin(), engine.end(), '/', '\\');
  std::string folder = engine.substr(0, engine.rfind('\\') + 1);
  EXPECT_EQ(result.text, "#line 1 \"" + folder + "inc.h\"\ninc\n#line 1 \"" + engine + "\"\n\n");
}

TEST_F(PreprocIncludeTree, CarriageReturnsNeverReachTheOutput) {
  tree_.Write("addon/config.cpp", "#define A 1\r\n#include \"inc.h\"\r\nA \"x\r\ny\" \\\r\nz\r\n");
  tree_.Write("addon/inc.h", "#ifdef A\r\nin\r\n#endif\r\n");
  PreprocResult result = RunFile("\\addon\\config.cpp", false);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.text, "\n\nin\n\n\n1 \"x\ny\" z\n\n");
}

TEST_F(PreprocIncludeTree, MacrosAreSharedBetweenTheFiles) {
  tree_.Write("addon/config.cpp", "#define OUTER o\n#include \"inc.h\"\nINNER\n");
  tree_.Write("addon/inc.h", "#define INNER i\nOUTER\n");
  PreprocResult result = RunFile("\\addon\\config.cpp", false);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.text, "\n\no\n\ni\n");
}

TEST_F(PreprocIncludeTree, MissingIncludeIsLoggedAndFailsWithError1) {
  tree_.Write("addon/config.cpp", "x\n#include \"sub\\nothere.h\"\nnot reached\n");
  PreprocResult result = RunFile("\\addon\\config.cpp");
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(messages_.Logged("Include file \\addon\\sub\\nothere.h not found."));
  EXPECT_TRUE(messages_.Errored("Cannot include file sub\\nothere.h"));
  EXPECT_TRUE(messages_.Errored(
      "Preprocessor failed on file \\addon\\config.cpp - error 1 (source \\addon\\config.cpp, line 2)."));
  EXPECT_EQ(result.text.find("not reached"), std::string::npos);
}

TEST_F(PreprocIncludeTree, MissingTopFileFailsWithoutASource) {
  PreprocResult result = RunFile("\\addon\\nothere.cpp");
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(messages_.Logged("Include file \\addon\\nothere.cpp not found."));
  EXPECT_TRUE(messages_.Errored("Preprocessor failed on file \\addon\\nothere.cpp - error 1."));
}

TEST_F(PreprocIncludeTree, AFolderIsNoIncludableFile) {
  tree_.Write("addon/config.cpp", "#include \"sub\"\n");
  tree_.Write("addon/sub/x.h", "");
  EXPECT_FALSE(RunFile("\\addon\\config.cpp").ok);
  EXPECT_TRUE(messages_.Logged("Include file \\addon\\sub not found."));
}


TEST_F(PreprocIncludeTree, HasIncludeFindsWhatIncludeWouldFind) {
  tree_.Write("addon/Config.cpp",
              "#if __has_include(\"sub\\part.h\")\nrelative\n#endif\n"
              "#if __has_include(<SUB/PART.H>)\nother case and brackets\n#endif\n"
              "#if __has_include(\"..\\Common\\Base.h\")\nparent\n#endif\n"
              "#if __has_include(\"\\shared\\ROOT.h\")\nrooted\n#endif\n"
              "#if __has_include(\"missing.h\") || __has_include(<\\shared\\missing.h>)\nwrong\n#endif\n"
              "#if !__has_include(\"sub\")\nno folder\n#endif\n"
              "#if __has_include( \"\" )\nwrong\n#endif\n"
              "#include \"sub\\part.h\"\n");
  tree_.Write("addon/sub/part.h", "#if __has_include(\"..\\config.cpp\") && __has_include(\"PART.h\")\nfrom part\n#endif\n");
  tree_.Write("common/base.h", "");
  tree_.Write("shared/root.h", "");
  PreprocResult result = RunFile("\\addon\\config.cpp", false);
  ASSERT_TRUE(result.ok) << messages_.All();
  std::string kept;
  for (char c : result.text)
    if (c != '\n' || (!kept.empty() && kept.back() != '|')) kept += c == '\n' ? '|' : c;
  EXPECT_EQ(kept, "relative|other case and brackets|parent|rooted|no folder|from part|");
  // Looking does not count as a failed include.
  EXPECT_TRUE(messages_.logLines.empty()) << messages_.All();
}

}  // namespace

namespace {

// Addons mounted from folders outside the work drive.
class PreprocIncludeMounts : public PreprocIncludeTree {
 protected:
  void SetUp() override { Mounts().Clear(); }
  void TearDown() override {
    Mounts().Clear();
    ForgetReportedDataNames();
  }
  void Mount(const std::string& workPath, const std::string& folder) {
    std::string error;
    ASSERT_TRUE(Mounts().Add(workPath, (repo_.Path() / folder).string(), "test", &error)) << error;
  }
  TempFolder repo_;
};

TEST_F(PreprocIncludeMounts, RootedAndRelativeNamesGoThroughTheMounts) {
  Mount("\\x\\mod\\addons\\main", "main");
  Mount("\\x\\mod\\addons\\tools", "tools");
  repo_.Write("main/config.cpp", "#include \"\\X\\Mod\\Addons\\Tools\\Macros.hpp\"\nMAIN\n");
  repo_.Write("tools/macros.hpp", "#include \"..\\main\\shared.hpp\"\nTOOLS\n");
  repo_.Write("main/shared.hpp", "SHARED\n");
  PreprocResult result = RunFile((repo_.Path() / "main/config.cpp").string(), false);
  ASSERT_TRUE(result.ok) << result.text;
  EXPECT_EQ(result.text, "SHARED\n\nTOOLS\n\nMAIN\n");
}

TEST_F(PreprocIncludeMounts, AMissingNameIsReportedOnceWithThePlaceTried) {
  Mount("\\x\\mod\\addons\\main", "main");
  repo_.Write("main/config.cpp", "#include \"\\x\\mod\\addons\\main\\gone.hpp\"\n");
  const std::string host = (repo_.Path() / "main/config.cpp").string();
  EXPECT_FALSE(RunFile(host).ok);
  EXPECT_FALSE(RunFile(host).ok);
  std::string tried;
  int count = 0;
  for (const std::string& line : messages_.errorLines)
    if (line.find("Name \\x\\mod\\addons\\main\\gone.hpp in ") == 0) tried = line, ++count;
  EXPECT_EQ(count, 1);
  EXPECT_NE(tried.find("tried mount \\x\\mod\\addons\\main (" + (repo_.Path() / "main").string() + ")"),
            std::string::npos)
      << tried;
  // The messages of a missing include stay as they were, once per use.
  int notFound = 0;
  for (const std::string& line : messages_.logLines)
    notFound += line == "Include file \\x\\mod\\addons\\main\\gone.hpp not found.";
  EXPECT_EQ(notFound, 2);
}

}  // namespace
