// Reading source animations: binding by name, deferred phases, turn-around, the parent-
// relative conversion, pivots and every broken file.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/lib/animation/animation_test_support.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"

namespace {

using animation_test::MakeSkeleton;
using animation_test::Read;
using animation_test::Translation;

SkeletonRef Chain() { return MakeSkeleton({{"pelvis", ""}, {"spine", "pelvis"}, {"head", "spine"}}); }

TEST(SourceAnimation, BonesBindByNameIgnoringCaseAndUnknownOnesAreSkipped) {
  CapturedMessages messages;
  rtm::Animation source = rtm::MakeAnimation({"Ghost", "HEAD", "pelvis"}, 2);
  AnimationRT a = Read(rtm::WriteAnimation(source), Chain());
  EXPECT_EQ(a.BoneNames(), (AutoArray<RString>{"head", "pelvis"}));
  EXPECT_EQ(a.BoneMap(), (AutoArray<int>{1, -1, 0}));
  ASSERT_EQ(a.NLoadedPhases(), 2);
  EXPECT_EQ(a.Phase(1)->transforms.size(), 2u);
  EXPECT_EQ(a.PhaseTimes(), (AutoArray<float>{0.0f, 0.1f}));
  EXPECT_EQ(a.Step(), (Vector3{0, 0, 1.5f}));
  EXPECT_TRUE(a.IsComplete());
  EXPECT_TRUE(messages.errorLines.empty()) << messages.Text();

  AnimationRT none = Read(rtm::WriteAnimation(rtm::MakeAnimation({"x", "y"}, 2)), Chain());
  EXPECT_TRUE(none.BoneNames().empty());
  EXPECT_EQ(none.BoneMap(), (AutoArray<int>{-1, -1, -1}));
  ASSERT_EQ(none.NLoadedPhases(), 2);
  EXPECT_TRUE(none.Phase(0)->transforms.empty());
}

TEST(SourceAnimation, NamesAreCutAt31Characters) {
  const std::string longName(32, 'b');  // no 0 byte in the field
  SkeletonRef skeleton = MakeSkeleton({{std::string(31, 'b'), ""}});
  AnimationRT a = Read(rtm::WriteAnimation(rtm::MakeAnimation({longName}, 1)), skeleton);
  EXPECT_EQ(a.BoneNames(), AutoArray<RString>{std::string(31, 'b')});
  EXPECT_EQ(a.BoneMap(), AutoArray<int>{0});
}

TEST(SourceAnimation, FourPhasesOrMoreWaitForTheCompletion) {
  SkeletonRef skeleton = Chain();
  AnimationRT three = Read(rtm::WriteAnimation(rtm::MakeAnimation({"pelvis"}, 3)), skeleton, false, false);
  EXPECT_EQ(three.NLoadedPhases(), 3);
  EXPECT_TRUE(three.IsComplete());
  EXPECT_EQ(three.CompleteLoadMarker(), 1);

  const std::string bytes = rtm::WriteAnimation(rtm::MakeAnimation({"pelvis", "spine"}, 4));
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  AnimationRT four;
  four.Load(in, "four.rtm", skeleton, false);
  EXPECT_EQ(four.NPhases(), 4);
  EXPECT_EQ(four.NLoadedPhases(), 1);
  EXPECT_FALSE(four.IsComplete());
  EXPECT_EQ(four.CompleteLoadMarker(), 0);
  ASSERT_TRUE(four.CompleteLoad(in));
  EXPECT_EQ(four.NLoadedPhases(), 4);
  EXPECT_EQ(four.PhaseTimes(), (AutoArray<float>{0.0f, 0.1f, 0.2f, 0.3f}));
  EXPECT_TRUE(four.IsComplete());
  EXPECT_EQ(four.CompleteLoadMarker(), 1);
  // Pelvis of phase 3 was moved to (0, 3, 0.5); spine to (1, 3, 0.5), 1 along x from it.
  EXPECT_EQ(Translation(*four.Transform(3, 0)), (Vector3{0, 3, 0.5f}));
  EXPECT_EQ(Translation(*four.Transform(3, 1)), (Vector3{1, 0, 0}));

  // The older version reads everything at once.
  rtm::Animation older = rtm::MakeAnimation({"pelvis"}, 5);
  older.older = true;
  CapturedMessages messages;
  AnimationRT old = Read(rtm::WriteAnimation(older), skeleton, false, false);
  EXPECT_EQ(old.NLoadedPhases(), 5);
  EXPECT_TRUE(old.IsOldFormat());
  EXPECT_EQ(old.Step(), (Vector3{0, 0, 1.5f}));
  EXPECT_TRUE(messages.Errored("Old format used in animation test.rtm")) << messages.Text();
}

TEST(SourceAnimation, CompletionReopensTheFileByName) {
  TempTree tree;
  rtm::WriteAnimationFile(rtm::MakeAnimation({"pelvis", "head"}, 6), tree / "walk.rtm");
  AnimationRT a;
  a.Load((tree / "walk.rtm").string(), Chain(), false);
  EXPECT_EQ(a.NLoadedPhases(), 1);
  ASSERT_TRUE(a.CompleteLoad());
  EXPECT_EQ(a.NLoadedPhases(), 6);
}

TEST(SourceAnimation, TurnAroundNegatesXAndZ) {
  rtm::Animation source = rtm::MakeAnimation({"pelvis"}, 1);
  source.phases[0].bones[0].matrix = rtm::Transform(1, 2, 3);
  AnimationRT a = Read(rtm::WriteAnimation(source), Chain(), true);
  EXPECT_EQ(Translation(*a.Transform(0, 0)), (Vector3{-1, 2, -3}));
  EXPECT_TRUE(a.TurnAround());
  // A turn about x becomes the opposite turn; one about y stays as it is.
  const float c = std::cos(0.5f), s = std::sin(0.5f);
  source.phases[0].bones[0].matrix = {1, 0, 0, 0, c, s, 0, -s, c, 0, 0, 0};
  AnimationRT turned = Read(rtm::WriteAnimation(source), Chain(), true);
  AnimationRT plain = Read(rtm::WriteAnimation(source), Chain(), false);
  ASSERT_NE(plain.Transform(0, 0)->x, 0);
  EXPECT_EQ(turned.Transform(0, 0)->x, -plain.Transform(0, 0)->x);
  EXPECT_EQ(turned.Transform(0, 0)->w, plain.Transform(0, 0)->w);
  source.phases[0].bones[0].matrix = rtm::Transform(0, 0, 0, 0.5f);
  EXPECT_EQ(*Read(rtm::WriteAnimation(source), Chain(), true).Transform(0, 0),
            *Read(rtm::WriteAnimation(source), Chain(), false).Transform(0, 0));
}

TEST(SourceAnimation, MatricesBecomeParentRelativeThroughMissingBones) {
  // The file lacks "spine": "head" is taken relative to "pelvis".
  rtm::Animation source;
  source.boneNames = {"head", "pelvis"};
  source.phases.push_back(
      {0.0f, {{"head", rtm::Transform(1, 5, 0, 0.5f, 2.0f)}, {"pelvis", rtm::Transform(1, 2, 0, 0.5f)}}});
  AnimationRT a = Read(rtm::WriteAnimation(source), Chain());
  const PackedBoneTransform* head = a.Transform(0, 2);
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(Translation(*head), (Vector3{0, 3, 0}));
  EXPECT_EQ(*head, (PackedBoneTransform{0, 0, 0, 23170, 0, head->ty, 0}));  // scale 2, no turn
  EXPECT_EQ(a.Transform(0, 1), nullptr);
}

TEST(SourceAnimation, BonesInAnotherOrderThanTheSkeletonKeepTheFilesOrder) {
  AnimationRT a = Read(rtm::WriteAnimation(rtm::MakeAnimation({"head", "spine", "pelvis"}, 1)), Chain());
  EXPECT_EQ(a.BoneNames(), (AutoArray<RString>{"head", "spine", "pelvis"}));
  EXPECT_EQ(a.BoneMap(), (AutoArray<int>{2, 1, 0}));
  // pelvis at (2, 0, 0.5), spine at (1, 0, 0.5), head at (0, 0, 0.5).
  EXPECT_EQ(Translation(*a.Transform(0, 0)), (Vector3{2, 0, 0.5f}));
  EXPECT_EQ(Translation(*a.Transform(0, 1)), (Vector3{-1, 0, 0}));
  EXPECT_EQ(Translation(*a.Transform(0, 2)), (Vector3{-1, 0, 0}));
}

TEST(SourceAnimation, PivotsMoveTheTranslationExceptForTheExcludedBone) {
  SkeletonRef skeleton = Chain();
  skeleton->SetPivots({{0, 1, 0}, {0, 0, 2}, {1, 0, 0}});
  skeleton->SetExcludedBone(1);
  rtm::Animation source;
  source.boneNames = {"pelvis", "spine"};
  source.phases.push_back({0.0f, {{"pelvis", rtm::Transform(0, 0, 4)}, {"spine", rtm::Transform(3, 0, 4)}}});
  AnimationRT a = Read(rtm::WriteAnimation(source), skeleton);
  EXPECT_EQ(Translation(*a.Transform(0, 0)), (Vector3{0, 1, 4}));
  EXPECT_EQ(Translation(*a.Transform(0, 1)), (Vector3{3, 0, 0}));
}

TEST(SourceAnimation, MissingEmptyAndForeignFilesLeaveAValidObject) {
  CapturedMessages messages;
  TempTree tree;
  AnimationRT missing;
  missing.Load((tree / "nothing.rtm").string(), Chain(), false);
  EXPECT_TRUE(messages.Errored("Animation " + (tree / "nothing.rtm").string() + " not found or empty"))
      << messages.Text();
  EXPECT_EQ(missing.NPhases(), 1);
  EXPECT_EQ(missing.PhaseTimes(), AutoArray<float>{0.0f});
  EXPECT_EQ(missing.BoneMap(), (AutoArray<int>{-1, -1, -1}));
  EXPECT_FALSE(missing.IsComplete());

  AnimationRT empty = Read("", Chain());
  EXPECT_TRUE(messages.Errored("Animation test.rtm not found or empty"));
  EXPECT_EQ(empty.NPhases(), 1);

  AnimationRT foreign = Read("RTM_0102 and more bytes than a header", Chain());
  EXPECT_TRUE(messages.Errored("Bad animation file format in file 'test.rtm'."));
  EXPECT_EQ(foreign.NPhases(), 0);
  EXPECT_FALSE(foreign.IsComplete());
}

TEST(SourceAnimation, EveryTruncationFailsCleanly) {
  const std::string bytes = rtm::WriteAnimation(rtm::MakeAnimation({"pelvis", "ghost", "head"}, 4));
  CapturedMessages messages;
  for (size_t length = 0; length < bytes.size(); ++length) {
    AnimationRT a = Read(bytes.substr(0, length), Chain());
    EXPECT_FALSE(a.IsComplete()) << length;
    EXPECT_LE(a.NLoadedPhases(), 4);
  }
  messages.Clear();
  // Cut inside phase 2: the phase is broken and reading stops there.
  AnimationRT cut = Read(bytes.substr(0, bytes.size() - 3 * 80 - 4 - 10), Chain());
  EXPECT_TRUE(messages.Errored("Broken animation file")) << messages.Text();
  EXPECT_EQ(cut.NLoadedPhases(), 3);
  EXPECT_TRUE(cut.Phase(2)->transforms.empty());
  EXPECT_EQ(cut.PhaseTime(2), 0.0f);
}

}  // namespace
