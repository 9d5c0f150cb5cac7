// The pieces behind -j, -hashCheck and -ninja=: worker records, the hash state, the options.
#include <gtest/gtest.h>

#include "tests/support/temp_tree.h"
#include "tool/hash_state.h"
#include "tool/ninja_file.h"
#include "tool/option_parser.h"
#include "tool/worker_messages.h"

namespace kln {
namespace {

TEST(WorkerRecords, DecodeWhatWasAppendedAndDropACutRecord) {
  std::string bytes;
  AppendRecord(bytes, WorkerRecord::kLog, "log line\n");
  AppendRecord(bytes, WorkerRecord::kError, "error line\n");
  AppendRecord(bytes, WorkerRecord::kTexture, "data\\a_co.paa");
  AppendRecord(bytes, WorkerRecord::kDependency, "src/a.p3d");
  AppendRecord(bytes, WorkerRecord::kFinished, "");
  WorkerReport report = DecodeWorkerRecords(bytes);
  ASSERT_EQ(report.lines.size(), 2u);
  EXPECT_EQ(report.lines[0].first, WorkerRecord::kLog);
  EXPECT_EQ(report.lines[1].second, "error line\n");
  EXPECT_EQ(report.textures, std::vector<std::string>{"data\\a_co.paa"});
  EXPECT_EQ(report.dependencies, std::vector<std::string>{"src/a.p3d"});
  EXPECT_TRUE(report.finished);
  // A worker that died mid-record: what came whole is kept, and it did not finish.
  for (size_t length = 0; length < bytes.size(); ++length) {
    WorkerReport cut = DecodeWorkerRecords(std::string_view(bytes).substr(0, length));
    EXPECT_FALSE(cut.finished);
    EXPECT_LE(cut.lines.size(), 2u);
  }
}

TEST(HashStateText, RoundTripsAndRefusesWhatIsNotOurs) {
  TempTree tree;
  tree.Write("in.p3d", "model bytes");
  tree.Write("out.p3d", "output");
  HashState state;
  state.Load((tree / "state").string(), "key one");
  const std::string input = (tree / "in.p3d").string();
  state.Record((tree / "out.p3d").string(), {input}, {"data\\t.paa"});
  const std::string text = state.Format();
  HashState again;
  ASSERT_TRUE(again.Parse(text));
  EXPECT_EQ(again.Format(), text);
  EXPECT_TRUE(again.UpToDate((tree / "out.p3d").string(), true));
  EXPECT_EQ(again.Textures((tree / "out.p3d").string()), std::vector<std::string>{"data\\t.paa"});
  tree.Write("in.p3d", "changed bytes");
  HashState changed;
  ASSERT_TRUE(changed.Parse(text));
  EXPECT_FALSE(changed.UpToDate((tree / "out.p3d").string(), true));

  for (size_t length = 0; length + 1 < text.size(); ++length) EXPECT_FALSE(HashState().Parse(text.substr(0, length)));
  EXPECT_FALSE(HashState().Parse("kilnify-state 2\nkey k\nend\n"));
  EXPECT_FALSE(HashState().Parse("kilnify-state 1\nkey k\nin 0123 x\nend\n"));
}

TEST(LargeProjectOptions, JobsHashCheckAndNinja) {
  for (std::vector<std::string> args : {std::vector<std::string>{"kilnify", "-j", "3", "s", "d"},
                                        std::vector<std::string>{"kilnify", "-j3", "s", "d"},
                                        std::vector<std::string>{"kilnify", "-j=3", "s", "d"}}) {
    RunSettings settings;
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    int argc = static_cast<int>(args.size());
    char** cursor = argv.data();
    ParseOptions(settings, argc, cursor);
    EXPECT_EQ(settings.jobs, 3);
    EXPECT_EQ(argc, 3);
  }
  RunSettings settings;
  std::vector<std::string> args = {"kilnify", "-hashCheck", "-ninja=b.ninja", "s", "d"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  int argc = static_cast<int>(args.size());
  char** cursor = argv.data();
  ParseOptions(settings, argc, cursor);
  EXPECT_EQ(settings.jobs, 1);
  EXPECT_TRUE(settings.hashCheck);
  EXPECT_EQ(settings.ninjaFile, "b.ninja");
  EXPECT_EQ(EscapeNinjaPath("a b:c$d"), "a$ b$:c$$d");
}

}  // namespace
}  // namespace kln
