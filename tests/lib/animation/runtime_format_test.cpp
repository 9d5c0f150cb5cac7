// The runtime animation format: round trips through the one transfer routine, block
// boundaries, the older LZSS version, the phase limit and broken files.
#include <gtest/gtest.h>

#include <cstring>

#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "tests/lib/animation/animation_test_support.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"

namespace {

using animation_test::MakeSkeleton;
using animation_test::Read;

SkeletonRef Chain() { return MakeSkeleton({{"pelvis", ""}, {"spine", "pelvis"}, {"head", "spine"}}); }

// `count` bones "b0", "b1", ... all top-level.
std::vector<std::string> BoneNames(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back("b" + std::to_string(i));
  return names;
}

SkeletonRef FlatSkeleton(int count) {
  std::vector<std::pair<std::string, std::string>> bones;
  for (const std::string& name : BoneNames(count)) bones.push_back({name, ""});
  return MakeSkeleton(bones);
}

std::string Save(AnimationRT& animation, int expectedError = 0) {
  QOStrStream out;
  EXPECT_EQ(SaveAnimation(animation, out), expectedError);
  return out.Str();
}

// Loads a runtime file through the loader alone; returns the stream's error.
int LoadRuntime(const std::string& bytes, AnimationRT& animation, const SkeletonRef& skeleton, bool limit = false) {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  SerializeBinStream f(&in);
  animation.SerializeBin(f, skeleton, limit);
  return f.GetError();
}

void ExpectEqualAnimations(const AnimationRT& a, const AnimationRT& b) {
  EXPECT_EQ(a.Step(), b.Step());
  EXPECT_EQ(a.NPhases(), b.NPhases());
  EXPECT_EQ(a.PhaseTimes(), b.PhaseTimes());
  EXPECT_EQ(a.BoneNames(), b.BoneNames());
  EXPECT_EQ(a.BoneMap(), b.BoneMap());
  EXPECT_EQ(a.TurnAround(), b.TurnAround());
  ASSERT_EQ(a.NLoadedPhases(), b.NLoadedPhases());
  for (int i = 0; i < a.NLoadedPhases(); ++i) EXPECT_EQ(a.Phase(i)->transforms, b.Phase(i)->transforms) << i;
}

TEST(RuntimeAnimation, SavedAnimationsLoadBackEqual) {
  for (int phases : {0, 1, 4, 30}) {
    for (int bones : {3, 73, 74, 120}) {
      SkeletonRef skeleton = FlatSkeleton(bones);
      rtm::Animation source = rtm::MakeAnimation(BoneNames(bones), phases);
      source.step = {1, 2, 3};
      AnimationRT a = Read(rtm::WriteAnimation(source), skeleton, phases % 2 == 1);
      ASSERT_TRUE(a.IsComplete());
      std::string saved = Save(a);
      AnimationRT back;
      ASSERT_EQ(LoadRuntime(saved, back, skeleton), 0) << phases << " " << bones;
      ExpectEqualAnimations(a, back);
      EXPECT_EQ(back.SourceVersion(), 3);
      EXPECT_TRUE(back.IsComplete());
      // The source reader hands runtime files to the same routine; saving again gives the
      // same bytes.
      AnimationRT reread = Read(saved, skeleton);
      ExpectEqualAnimations(a, reread);
      EXPECT_EQ(Save(reread), saved);
    }
  }
}

TEST(RuntimeAnimation, HeaderBytesAreAsStored) {
  SkeletonRef skeleton = Chain();
  AnimationRT a = Read(rtm::WriteAnimation(rtm::MakeAnimation({"pelvis", "head"}, 2)), skeleton, true);
  std::string saved = Save(a);
  ASSERT_GE(saved.size(), 37u);
  EXPECT_EQ(saved.substr(0, 4), "BMTR");
  int32_t ints[2];
  std::memcpy(ints, saved.data() + 4, 4);
  EXPECT_EQ(ints[0], 3);
  EXPECT_EQ(saved[8], 1);  // turn-around
  std::memcpy(ints, saved.data() + 21, 8);
  EXPECT_EQ(ints[0], 2);  // phases
  EXPECT_EQ(ints[1], 1);  // complete-load marker
  std::memcpy(ints, saved.data() + 29, 8);
  EXPECT_EQ(ints[0], 2);  // transforms of phase 0
  EXPECT_EQ(ints[1], 2);  // bones
  EXPECT_EQ(std::string(saved.data() + 37, 12), std::string("pelvis\0head\0", 12));
}

TEST(RuntimeAnimation, ZeroPhasesStoreTheHeaderAndAnEmptyTimeArray) {
  SkeletonRef skeleton = Chain();
  AnimationRT a = Read(rtm::WriteAnimation(rtm::MakeAnimation({"head"}, 0)), skeleton);
  ASSERT_TRUE(a.IsComplete());
  std::string saved = Save(a);
  EXPECT_EQ(saved.size(), 4 + 4 + 1 + 12 + 4 * 4 + 5 + 4u);
  AnimationRT back;
  ASSERT_EQ(LoadRuntime(saved, back, skeleton), 0);
  EXPECT_EQ(back.NLoadedPhases(), 0);
}

// Size of the saved animation with `times` phases of `bones` bones, each phase identical.
size_t SavedSize(int phases, int bones) {
  SkeletonRef skeleton = FlatSkeleton(bones);
  rtm::Animation source = rtm::MakeAnimation(BoneNames(bones), phases);
  for (rtm::Phase& phase : source.phases) {
    phase.time = 0.0f;
    for (rtm::BoneMatrix& bone : phase.bones) bone.matrix = rtm::Identity();
  }
  AnimationRT a = Read(rtm::WriteAnimation(source), skeleton);
  return Save(a).size();
}

TEST(RuntimeAnimation, BlocksBelow1024BytesAreRaw) {
  // 255 phase times (1020 bytes) stay raw; 256 (1024 bytes of zeros) are compressed.
  size_t header = 4 + 4 + 1 + 12 + 16 + 3;  // one bone "b0"
  EXPECT_EQ(SavedSize(255, 1), header + 4 + 1020 + 255 * (4 + 14));
  EXPECT_LT(SavedSize(256, 1), header + 4 + 1024 + 256 * (4 + 14));
  // A phase of 73 bones (1022 bytes) is raw, one of 74 (1036 bytes) of identities shrinks.
  size_t names73 = 10 * 3 + 63 * 4;
  EXPECT_EQ(SavedSize(1, 73), 4 + 4 + 1 + 12 + 16 + names73 + 4 + 4 + 4 + 73 * 14);
  size_t names74 = names73 + 4;
  EXPECT_LT(SavedSize(1, 74), 4 + 4 + 1 + 12 + 16 + names74 + 4 + 4 + 4 + 74 * 14u);
}

TEST(RuntimeAnimation, Version2LoadsItsBlocksWithLzss) {
  // A version-2 file laid out by hand: the loader must take its 1024-byte blocks as LZSS.
  const int bones = 80;
  SkeletonRef skeleton = FlatSkeleton(bones);
  QOStrStream out;
  SerializeBinStream f(&out);
  int magic = MakeMagic("BMTR");
  f.TransferVersion(magic, magic);
  f.TransferVersion(2, 2);
  uint8_t turn = 0;
  f.Transfer(turn);
  Vector3 step{0, 0, 2};
  f.Transfer(step);
  int32_t header[4] = {2, 1, bones, bones};
  for (int32_t& value : header) f.Transfer(value);
  for (RString name : BoneNames(bones)) f.TransferString(name);
  AutoArray<float> times = {0.0f, 0.5f};
  f.TransferCompressedArray(times, true);
  AutoArray<PackedBoneTransform> phase(bones);
  for (int i = 0; i < bones; ++i) phase[static_cast<size_t>(i)].tx = static_cast<uint16_t>(0x3C00 + i);
  f.TransferCompressedArray(phase, true);
  f.TransferCompressedArray(phase, true);
  ASSERT_TRUE(f.Ok());
  std::string bytes = out.Str();

  AnimationRT a;
  ASSERT_EQ(LoadRuntime(bytes, a, skeleton), 0);
  EXPECT_EQ(a.SourceVersion(), 2);
  ASSERT_EQ(a.NLoadedPhases(), 2);
  EXPECT_EQ(a.Phase(1)->transforms, phase);
  EXPECT_TRUE(a.IsComplete());
  // Saved again it is version 3 with LZO, and loads to the same data.
  std::string saved = Save(a);
  int32_t version = 0;
  std::memcpy(&version, saved.data() + 4, 4);
  EXPECT_EQ(version, 3);
  AnimationRT back;
  ASSERT_EQ(LoadRuntime(saved, back, skeleton), 0);
  ExpectEqualAnimations(a, back);
  // Version 2 blocks are not LZO: taken as version 3 they do not decode.
  std::string relabelled = bytes;
  relabelled[4] = 3;
  AnimationRT wrong;
  if (LoadRuntime(relabelled, wrong, skeleton) == 0 && wrong.NLoadedPhases() == 2) {
    EXPECT_NE(wrong.Phase(1)->transforms, phase);
  }
}

TEST(RuntimeAnimation, BoneMapFollowsTheFileOrderAgainstTheSkeleton) {
  SkeletonRef fileOrder = MakeSkeleton({{"head", ""}, {"ghost", ""}, {"pelvis", ""}});
  AnimationRT a = Read(rtm::WriteAnimation(rtm::MakeAnimation({"head", "ghost", "pelvis"}, 1)), fileOrder);
  std::string saved = Save(a);
  AnimationRT back;
  ASSERT_EQ(LoadRuntime(saved, back, Chain()), 0);
  EXPECT_EQ(back.BoneNames(), (AutoArray<RString>{"head", "ghost", "pelvis"}));
  EXPECT_EQ(back.BoneMap(), (AutoArray<int>{2, -1, 0}));
  EXPECT_EQ(back.Phase(0)->transforms, a.Phase(0)->transforms);
}

TEST(RuntimeAnimation, PhaseLimitLoadsPartlyAndRefusesToSave) {
  const int bones = 100;  // 1404 bytes a phase: 373 phases after the first
  SkeletonRef skeleton = FlatSkeleton(bones);
  AnimationRT a = Read(rtm::WriteAnimation(rtm::MakeAnimation(BoneNames(bones), 400)), skeleton);
  ASSERT_TRUE(a.IsComplete());
  std::string saved = Save(a);

  AnimationRT limited;
  ASSERT_EQ(LoadRuntime(saved, limited, skeleton, true), 0);
  EXPECT_EQ(limited.NLoadedPhases(), 1 + 524288 / (bones * 14 + 4));
  EXPECT_TRUE(limited.IsPartlyLoaded());
  EXPECT_FALSE(limited.IsComplete());
  EXPECT_EQ(Save(limited, 6), "");

  QIStrStream in(saved.data(), static_cast<QFileSize>(saved.size()));
  ASSERT_TRUE(limited.CompleteLoad(in));
  ExpectEqualAnimations(a, limited);
  EXPECT_EQ(Save(limited), saved);

  // A deferred source animation may not be saved before its completion either.
  AnimationRT deferred = Read(rtm::WriteAnimation(rtm::MakeAnimation({"head"}, 5)), Chain(), false, false);
  EXPECT_EQ(Save(deferred, 6), "");
}

TEST(RuntimeAnimation, BadMagicVersionAndTruncationsFailCleanly) {
  SkeletonRef skeleton = Chain();
  AnimationRT a = Read(rtm::WriteAnimation(rtm::MakeAnimation({"pelvis", "spine", "head"}, 5)), skeleton);
  std::string saved = Save(a);
  AnimationRT b;
  std::string magic = saved;
  magic[0] = 'X';
  EXPECT_EQ(LoadRuntime(magic, b, skeleton), 4);
  std::string version = saved;
  version[4] = 4;
  EXPECT_EQ(LoadRuntime(version, b, skeleton), 3);
  version[4] = 1;
  EXPECT_EQ(LoadRuntime(version, b, skeleton), 3);
  CapturedMessages messages;
  for (size_t length = 0; length < saved.size(); ++length) {
    AnimationRT cut;
    EXPECT_NE(LoadRuntime(saved.substr(0, length), cut, skeleton), 0) << length;
    AnimationRT read = Read(saved.substr(0, length), skeleton);
    EXPECT_FALSE(read.IsComplete()) << length;
  }
  // Counts beyond what the file holds are refused before anything is allocated.
  std::string huge = saved;
  const int32_t big = 0x7FFFFFFF;
  std::memcpy(huge.data() + 33, &big, 4);  // bone count
  EXPECT_EQ(LoadRuntime(huge, b, skeleton), 4);
  huge = saved;
  std::memcpy(huge.data() + 21, &big, 4);  // phase count
  EXPECT_EQ(LoadRuntime(huge, b, skeleton), 4);
}

TEST(RuntimeAnimation, PivotsAreAppliedOnLoad) {
  SkeletonRef plain = Chain();
  rtm::Animation source;
  source.boneNames = {"pelvis"};
  source.phases.push_back({0.0f, {{"pelvis", rtm::Transform(0, 0, 4)}}});
  AnimationRT a = Read(rtm::WriteAnimation(source), plain);
  std::string saved = Save(a);
  SkeletonRef pivoted = Chain();
  pivoted->SetPivots({{1, 2, 3}, {}, {}});
  AnimationRT back;
  ASSERT_EQ(LoadRuntime(saved, back, pivoted), 0);
  EXPECT_EQ(animation_test::Translation(*back.Transform(0, 0)), (Vector3{1, 2, 7}));
}

}  // namespace
