// The run report, the summary line and -strict, through runs of the built converter.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "lib/shape/testing/mlod_writer.h"
#include "tests/support/json_schema_check.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

using nlohmann::json;

ProgramResult Kilnify(const TempTree& tree, const std::vector<std::string>& args) {
  return RunProgram(BuiltProgram("kilnify"), args, {.workingFolder = tree.Root()});
}

// The report at `relative`, after checking it against the published schema.
json ValidReport(const TempTree& tree, const std::string& relative) {
  std::string violations = SchemaViolations(RunReportSchema(), tree / relative);
  EXPECT_EQ(violations, "") << tree.Read(relative);
  return json::parse(tree.Read(relative));
}

const json* FileRecord(const json& report, const std::string& source) {
  for (const json& file : report["files"]) {
    if (file["source"] == source) return &file;
  }
  return nullptr;
}

bool HasMessage(const json& file, const std::string& severity, const std::string& text) {
  for (const json& message : file["messages"]) {
    if (message["severity"] == severity && message["text"] == text) return true;
  }
  return false;
}

mlod::Model GridModel() {
  mlod::Model model;
  model.lods.push_back(mlod::MakeGridLod(2, 2, 1.0f));
  return model;
}

// good.p3d converts; warn.p3d converts with a warning; broken.p3d and w.wrp fail;
// old\old.p3d is up to date; excluded.p3d matches an exclusion pattern; bare.p3d is an
// old single-LOD file (a warning, and a notice naming the loader's source place);
// cfg\m.p3d has a model configuration that does not parse (errors naming the file and
// line); readme.txt is nobody's business.
void WriteMixedTree(TempTree& tree) {
  ASSERT_TRUE(mlod::WriteModelFile(GridModel(), tree / "src/good.p3d"));
  mlod::Model warned = GridModel();
  warned.lods[0].AddUVSet(5, std::vector<float>(warned.lods[0].faces.size() * 6, 0.5f));
  ASSERT_TRUE(mlod::WriteModelFile(warned, tree / "src/warn.p3d"));
  tree.Write("src/broken.p3d", "MLOD garbage");
  tree.Write("src/w.wrp", "not a world");
  ASSERT_TRUE(mlod::WriteModelFile(GridModel(), tree / "src/old/old.p3d"));
  tree.SetWriteTime("src/old/old.p3d", 1000000000);
  tree.Write("dst/old/old.p3d", "converted before");
  ASSERT_TRUE(mlod::WriteModelFile(GridModel(), tree / "src/excluded.p3d"));
  tree.Write("exclude.lst", "excluded.p3d\n");
  mlod::Model bare = GridModel();
  bare.container = mlod::Container::Bare;
  ASSERT_TRUE(mlod::WriteModelFile(bare, tree / "src/bare.p3d"));
  ASSERT_TRUE(mlod::WriteModelFile(GridModel(), tree / "src/cfg/m.p3d"));
  tree.Write("src/cfg/model.cfg", "class CfgModels {\n  class m {\n    sections[] = {\n};\n");
  tree.Write("src/readme.txt", "hello");
}

TEST(RunReport, RecordsEveryFileWithActionMessagesAndTextures) {
  TempTree tree;
  WriteMixedTree(tree);
  ProgramResult result = Kilnify(tree, {"-exclude=exclude.lst", "-report=out/report.json", "src", "dst"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  ASSERT_TRUE(tree.Exists("out/report.json")) << result.err;
  json report = ValidReport(tree, "out/report.json");

  // The order the walk decided them: skipped files while a folder is listed, the files a
  // step took after the folder's subfolders.
  std::vector<std::string> sources;
  for (const json& file : report["files"]) sources.push_back(file["source"]);
  EXPECT_EQ(sources, (std::vector<std::string>{"src\\cfg\\m.p3d", "src\\excluded.p3d", "src\\old\\old.p3d",
                                               "src\\bare.p3d", "src\\broken.p3d", "src\\good.p3d", "src\\w.wrp",
                                               "src\\warn.p3d"}));

  const json& good = *FileRecord(report, "src\\good.p3d");
  EXPECT_EQ(good["kind"], "model");
  EXPECT_EQ(good["action"], "converted");
  EXPECT_EQ(good["destination"], "dst\\good.p3d");
  EXPECT_EQ(good["outputSize"], std::filesystem::file_size(tree / "dst/good.p3d"));
  EXPECT_EQ(good["textures"], json::array({"data\\grid_co.paa"}));
  EXPECT_TRUE(HasMessage(good, "info", "Convert model src\\good.p3d -> dst\\good.p3d"));
  EXPECT_TRUE(HasMessage(good, "info", "</model>"));

  const json& warn = *FileRecord(report, "src\\warn.p3d");
  EXPECT_EQ(warn["action"], "converted");
  EXPECT_TRUE(HasMessage(warn, "warning", "Warning: Unsupported UVSet 5")) << warn.dump(2);

  const json& broken = *FileRecord(report, "src\\broken.p3d");
  EXPECT_EQ(broken["action"], "failed");
  EXPECT_TRUE(broken["outputSize"].is_null());
  EXPECT_TRUE(HasMessage(broken, "error", "Loading of model src\\broken.p3d failed")) << broken.dump(2);
  EXPECT_FALSE(tree.Exists("dst/broken.p3d"));

  const json& world = *FileRecord(report, "src\\w.wrp");
  EXPECT_EQ(world["kind"], "world");
  EXPECT_EQ(world["action"], "failed");

  const json& old = *FileRecord(report, "src\\old\\old.p3d");
  EXPECT_EQ(old["action"], "up-to-date");
  EXPECT_TRUE(old["outputSize"].is_null());
  EXPECT_EQ(old["messages"], json::array());
  EXPECT_EQ(FileRecord(report, "src\\excluded.p3d")->at("action"), "excluded");

  // An engine message names the loader's place; the file still converts.
  const json& bare = *FileRecord(report, "src\\bare.p3d");
  EXPECT_EQ(bare["action"], "converted") << bare.dump(2);
  bool named = false;
  for (const json& message : bare["messages"]) {
    if (message["text"] == "lib/shape/shape(8154) : Very old object loaded.") {
      named = message["severity"] == "info" && message["file"] == "lib/shape/shape" && message["line"] == 8154;
    }
  }
  EXPECT_TRUE(named) << bare.dump(2);

  // The parser's messages name the model configuration and the line; they are errors.
  const json& configured = *FileRecord(report, "src\\cfg\\m.p3d");
  EXPECT_EQ(configured["action"], "failed") << configured.dump(2);
  bool located = false;
  for (const json& message : configured["messages"]) {
    if (message.contains("file") && message["severity"] == "error") {
      located = message["file"] == "src\\cfg\\model.cfg" && message["line"].get<int>() >= 1;
    }
  }
  EXPECT_TRUE(located) << configured.dump(2);
  for (const json& file : report["files"]) {
    for (const json& message : file["messages"]) {
      if (!message.contains("file")) continue;
      EXPECT_NE(message["text"].get<std::string>().find(message["file"].get<std::string>()), std::string::npos);
    }
  }

  const json& run = report["run"];
  EXPECT_EQ(run["tool"], "kilnify");
  EXPECT_EQ(run["revision"], 160123);
  EXPECT_EQ(run["arguments"].size(), 5u);
  EXPECT_EQ(run["arguments"][3], "src");
  EXPECT_EQ(run["workDrive"], std::filesystem::canonical(tree.Root()).string());
  EXPECT_EQ(run["mounts"], json::array());
  EXPECT_EQ(run["interrupted"], false);
  EXPECT_EQ(run["exitCode"], 0);
  EXPECT_EQ(run["counts"], json::parse(R"({"converted": 3, "up-to-date": 1, "excluded": 1, "failed": 3,
                                             "warnings": 2, "errors": )" +
                                       std::to_string(run["counts"]["errors"].get<int>()) + "}"));
  EXPECT_GE(run["counts"]["errors"].get<int>(), 3);

  // The summary is the last line on standard error.
  std::regex summary("kilnify: 3 converted, 1 up to date, 1 excluded, 3 failed, 2 warnings in [0-9]+\\.[0-9]{2} s\n$");
  EXPECT_TRUE(std::regex_search(result.err, summary)) << result.err;
}

TEST(RunReport, StrictTurnsFailedFilesIntoExitCodeThree) {
  TempTree tree;
  ASSERT_TRUE(mlod::WriteModelFile(GridModel(), tree / "src/good.p3d"));
  ProgramResult clean = Kilnify(tree, {"-strict", "-report=clean.json", "src", "dst"});
  EXPECT_EQ(clean.exitCode, 0) << clean.err;
  EXPECT_EQ(ValidReport(tree, "clean.json")["run"]["exitCode"], 0);

  tree.Write("src/broken.p3d", "garbage");
  ProgramResult lenient = Kilnify(tree, {"-report=lenient.json", "src", "dst"});
  EXPECT_EQ(lenient.exitCode, 0);
  json lenientReport = ValidReport(tree, "lenient.json");
  EXPECT_EQ(lenientReport["run"]["counts"]["failed"], 1);
  EXPECT_EQ(lenientReport["run"]["counts"]["up-to-date"], 1);

  ProgramResult strict = Kilnify(tree, {"-strict", "-report=strict.json", "src", "dst"});
  EXPECT_EQ(strict.exitCode, 3);
  EXPECT_EQ(ValidReport(tree, "strict.json")["run"]["exitCode"], 3);
  // "garbage" also draws the reader's warning about its old format.
  EXPECT_NE(strict.err.find("kilnify: 0 converted, 1 up to date, 0 excluded, 1 failed, 1 warnings in "),
            std::string::npos)
      << strict.err;

  // -strict changes nothing about the other codes.
  EXPECT_EQ(Kilnify(tree, {"-strict", "src"}).exitCode, 2);
  tree.Write("src/data/config.cpp", "class Broken {\n");
  EXPECT_EQ(Kilnify(tree, {"-strict", "src", "dst"}).exitCode, 1);
}

TEST(RunReport, NoLogsPrintsNoSummaryButTheReportHasEveryMessage) {
  TempTree tree;
  mlod::Model warned = GridModel();
  warned.lods[0].AddUVSet(5, std::vector<float>(warned.lods[0].faces.size() * 6, 0.5f));
  ASSERT_TRUE(mlod::WriteModelFile(warned, tree / "src/warn.p3d"));
  ProgramResult result = Kilnify(tree, {"-noLogs", "-report=report.json", "src", "dst"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  json report = ValidReport(tree, "report.json");
  ASSERT_EQ(report["files"].size(), 1u);
  EXPECT_TRUE(HasMessage(report["files"][0], "warning", "Warning: Unsupported UVSet 5"));
  EXPECT_TRUE(HasMessage(report["files"][0], "info", "</model>"));
}

TEST(RunReport, TextureListRecordsTheTexturesItAdds) {
  TempTree tree;
  tree.Write("src/textures.lst", "src\\data\\a_co.paa\nsrc\\data\\b_co.paa\n");
  tree.Write("src/data/a_co.paa", "x");
  tree.Write("src/data/b_co.paa", "x");
  tree.Write("registry.reg", "");
  ProgramResult result = RunProgram(BuiltProgram("kilnify"), {"-textures=tex", "-report=report.json", "src", "dst"},
                                    {.workingFolder = tree.Root(),
                                     .environment = {"KILNIFY_REGISTRY=" + (tree / "registry.reg").string()}});
  json report = ValidReport(tree, "report.json");
  ASSERT_EQ(report["files"].size(), 1u) << report.dump(2);
  const json& list = report["files"][0];
  EXPECT_EQ(list["kind"], "texture list");
  EXPECT_EQ(list["action"], "converted");
  EXPECT_TRUE(list["outputSize"].is_null());
  EXPECT_EQ(list["textures"], json::array({"src\\data\\a_co.paa", "src\\data\\b_co.paa"}));
  // The notice of the list is information, not an error.
  EXPECT_TRUE(HasMessage(list, "info", "Found src\\textures.lst, inserting textures not linked by .p3d-s..."));
}

TEST(RunReport, UnwritableReportIsAnErrorOnTheErrorChannel) {
  TempTree tree;
  tree.MakeFolder("src");
  tree.MakeFolder("report.json");
  ProgramResult result = Kilnify(tree, {"-report=report.json", "src", "dst"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.err.find("Cannot write the run report report.json\n"), std::string::npos) << result.err;
}

TEST(RunReport, SchemaCheckFailsOnABrokenReport) {
  TempTree tree;
  ASSERT_TRUE(mlod::WriteModelFile(GridModel(), tree / "src/good.p3d"));
  ASSERT_EQ(Kilnify(tree, {"-report=report.json", "src", "dst"}).exitCode, 0);
  json report = ValidReport(tree, "report.json");
  for (auto breakIt : std::vector<void (*)(json&)>{
           [](json& r) { r["files"][0]["action"] = "exploded"; },
           [](json& r) { r["files"][0]["messages"][0]["severity"] = "fatal"; },
           [](json& r) { r["files"][0]["messages"][0]["line"] = 3; },
           [](json& r) { r["run"].erase("mounts"); },
           [](json& r) { r["run"]["counts"]["failed"] = -1; },
           [](json& r) { r["files"][0]["kind"] = "sound"; },
       }) {
    json broken = report;
    breakIt(broken);
    tree.Write("broken.json", broken.dump());
    EXPECT_NE(SchemaViolations(RunReportSchema(), tree / "broken.json"), "") << broken.dump();
  }
}

}  // namespace
