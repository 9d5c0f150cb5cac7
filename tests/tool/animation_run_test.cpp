// Animations end to end: `kiln rtm2bmtr`, `kiln dump` of animations and `kilnify -animations`
// on generated files.
#include <gtest/gtest.h>

#include "lib/animation/testing/rtm_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

ProgramResult Kiln(const std::vector<std::string>& args, const TempTree& tree) {
  return RunProgram(BuiltProgram("kiln"), args, {.workingFolder = tree.Root()});
}

ProgramResult Kilnify(const std::vector<std::string>& args, const TempTree& tree) {
  return RunProgram(BuiltProgram("kilnify"), args, {.workingFolder = tree.Root()});
}

const char kSkeletons[] =
    "class CfgSkeletons { class Man { skeletonBones[] = {\"pelvis\", \"\", \"spine\", \"pelvis\", \"head\", "
    "\"spine\"}; }; };\n";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(AnimationRun, KilnWritesTheRuntimeFormAndDumpsBothForms) {
  TempTree tree;
  tree.Write("model.cfg", kSkeletons);
  ASSERT_TRUE(rtm::WriteAnimationFile(rtm::MakeAnimation({"pelvis", "Spine", "ghost", "head"}, 6), tree / "walk.rtm"));
  ProgramResult result = Kiln({"rtm2bmtr", "-config=model.cfg", "-skeleton=man", "walk.rtm", "out/walk.rtm"}, tree);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "walk.rtm -> out/walk.rtm: 6 phases, 3 of 3 bones bound\n");
  std::string saved = tree.Read("out/walk.rtm");
  EXPECT_EQ(saved.substr(0, 4), "BMTR");

  // A runtime file is written again unchanged; a binary configuration serves as well.
  ASSERT_EQ(Kiln({"cfg2bin", "model.cfg", "config.bin"}, tree).exitCode, 0);
  ProgramResult again = Kiln({"rtm2bmtr", "-config=config.bin", "-skeleton=Man", "out/walk.rtm", "again.rtm"}, tree);
  ASSERT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(tree.Read("again.rtm"), saved);

  ProgramResult dump = Kiln({"dump", "out/walk.rtm", "--json"}, tree);
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  EXPECT_TRUE(Contains(dump.out, "\"format\": \"BMTR\"")) << dump.out;
  EXPECT_TRUE(Contains(dump.out, "\"phaseCount\": 6")) << dump.out;
  size_t bones = dump.out.find("\"bones\"");
  ASSERT_NE(bones, std::string::npos) << dump.out;
  EXPECT_LT(dump.out.find("\"pelvis\"", bones), dump.out.find("\"spine\"", bones));
  EXPECT_LT(dump.out.find("\"spine\"", bones), dump.out.find("\"head\"", bones));
  EXPECT_EQ(dump.out.find("ghost"), std::string::npos);  // not bound, not stored
  ProgramResult source = Kiln({"dump", "walk.rtm"}, tree);
  ASSERT_EQ(source.exitCode, 0) << source.err;
  EXPECT_TRUE(Contains(source.out, "format: RTM_0101")) << source.out;
  EXPECT_TRUE(Contains(source.out, "ghost")) << source.out;
  EXPECT_TRUE(Contains(source.out, "loadedPhases: 6")) << source.out;
}

TEST(AnimationRun, KilnRefusesWhatCannotBeConverted) {
  TempTree tree;
  tree.Write("model.cfg", kSkeletons);
  ASSERT_TRUE(rtm::WriteAnimationFile(rtm::MakeAnimation({"tail"}, 2), tree / "tail.rtm"));
  ASSERT_TRUE(rtm::WriteAnimationFile(rtm::MakeAnimation({"head"}, 2), tree / "head.rtm"));
  tree.Write("junk.rtm", "not an animation at all");

  ProgramResult noSkeleton = Kiln({"rtm2bmtr", "-config=model.cfg", "-skeleton=Horse", "head.rtm", "o.rtm"}, tree);
  EXPECT_EQ(noSkeleton.exitCode, 1);
  EXPECT_TRUE(Contains(noSkeleton.err, "model.cfg defines no skeleton Horse in CfgSkeletons")) << noSkeleton.err;
  ProgramResult missing = Kiln({"rtm2bmtr", "-config=model.cfg", "-skeleton=Man", "none.rtm", "o.rtm"}, tree);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(Contains(missing.err, "cannot read none.rtm")) << missing.err;
  ProgramResult junk = Kiln({"rtm2bmtr", "-config=model.cfg", "-skeleton=Man", "junk.rtm", "o.rtm"}, tree);
  EXPECT_EQ(junk.exitCode, 1);
  EXPECT_TRUE(Contains(junk.err, "Bad animation file format in file 'junk.rtm'.")) << junk.err;
  ProgramResult unbound = Kiln({"rtm2bmtr", "-config=model.cfg", "-skeleton=Man", "tail.rtm", "o.rtm"}, tree);
  EXPECT_EQ(unbound.exitCode, 1);
  EXPECT_TRUE(Contains(unbound.err, "none of the bones of tail.rtm is in the skeleton Man")) << unbound.err;
  EXPECT_FALSE(tree.Exists("o.rtm"));
  ProgramResult overwrite = Kiln({"rtm2bmtr", "-config=model.cfg", "-skeleton=Man", "head.rtm", "./head.rtm"}, tree);
  EXPECT_EQ(overwrite.exitCode, 1);
  EXPECT_EQ(tree.Read("head.rtm").substr(0, 8), "RTM_0101");
  EXPECT_EQ(Kiln({"rtm2bmtr", "-skeleton=Man", "head.rtm", "o.rtm"}, tree).exitCode, 2);
  EXPECT_NE(Kiln({"dump", "junk.rtm"}, tree).exitCode, 0);
}

TEST(AnimationRun, KilnifyConvertsAnimationsOnlyWhenAsked) {
  TempTree tree;
  tree.Write("src/model.cfg", kSkeletons);
  ASSERT_TRUE(rtm::WriteAnimationFile(rtm::MakeAnimation({"pelvis", "head"}, 5), tree / "src/anims/walk.rtm"));
  ASSERT_TRUE(rtm::WriteAnimationFile(rtm::MakeAnimation({"wing"}, 2), tree / "src/anims/fly.rtm"));

  ProgramResult plain = Kilnify({"-skeleton=Man", "src", "dst"}, tree);
  EXPECT_EQ(plain.exitCode, 0);
  EXPECT_FALSE(Contains(plain.out, "animation")) << plain.out;
  EXPECT_FALSE(tree.Exists("dst/anims/walk.rtm"));

  ProgramResult run = Kilnify({"-animations", "-skeleton=Man", "src", "dst"}, tree);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(Contains(run.out,
                       "Convert animation src\\anims\\walk.rtm -> dst\\anims\\walk.rtm\n"
                       "<animation = \"src\\anims\\walk.rtm\">\n</animation>\n"))
      << run.out;
  EXPECT_EQ(tree.Read("dst/anims/walk.rtm").substr(0, 4), "BMTR");
  EXPECT_TRUE(Contains(run.err, "Animation src\\anims\\fly.rtm: none of its bones is in the skeleton Man")) << run.err;
  EXPECT_FALSE(tree.Exists("dst/anims/fly.rtm"));
  EXPECT_FALSE(Contains(run.err, "Obsolete")) << run.err;

  // Up to date on the second run; -always converts again.
  ProgramResult again = Kilnify({"-animations", "-skeleton=Man", "src", "dst"}, tree);
  EXPECT_FALSE(Contains(again.out, "Convert animation src\\anims\\walk.rtm")) << again.out;
  ProgramResult always = Kilnify({"-animations", "-always", "-skeleton=Man", "src", "dst"}, tree);
  EXPECT_TRUE(Contains(always.out, "Convert animation src\\anims\\walk.rtm")) << always.out;

  // A runtime animation in the source tree is written again as it is.
  const std::string converted = tree.Read("dst/anims/walk.rtm");
  tree.Write("src2/model.cfg", kSkeletons);
  tree.Write("src2/walk.rtm", converted);
  ProgramResult runtime = Kilnify({"-animations", "-skeleton=Man", "src2", "dst2"}, tree);
  EXPECT_EQ(runtime.exitCode, 0);
  EXPECT_EQ(tree.Read("dst2/walk.rtm"), converted) << runtime.err;
}

TEST(AnimationRun, KilnifyTakesASkeletonOfTheStartUpConfigurations) {
  TempTree tree;
  tree.Write("src/config.cpp", kSkeletons);
  ASSERT_TRUE(rtm::WriteAnimationFile(rtm::MakeAnimation({"pelvis", "head"}, 2), tree / "src/walk.rtm"));
  ProgramResult run = Kilnify({"-animations", "-skeleton=man", "src", "dst"}, tree);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(Contains(run.err, "Obsolete CfgSkeletons for man, move to model.cfg")) << run.err;
  EXPECT_EQ(tree.Read("dst/walk.rtm").substr(0, 4), "BMTR") << run.err;
  // Without -skeleton= the default skeleton is asked for, which this addon lacks.
  ProgramResult fallback = Kilnify({"-animations", "-always", "src", "dst2"}, tree);
  EXPECT_TRUE(Contains(fallback.err, "the skeleton KTR2_ManSkeleton has no bones")) << fallback.err;
  EXPECT_FALSE(tree.Exists("dst2/walk.rtm"));
}

}  // namespace
