// The bytes of converted animations stay exactly as they are: generated source animations
// with turns of every kind, scales, shears, singular matrices, bones the file lacks,
// pivots and the turn-around are converted and the runtime files compared by their hash.
// A change of any transform's rounding shows here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "el/qstream/qi_file_stream.h"
#include "el/qstream/qo_stream.h"
#include "tests/lib/animation/animation_test_support.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"

namespace {

using animation_test::MakeSkeleton;
using animation_test::Read;

// A fixed sequence of numbers in [0, 1), the same on every machine.
class Numbers {
 public:
  float Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<float>(state_ >> 40) / 16777216.0f;
  }
  float Between(float low, float high) { return low + (high - low) * Next(); }

 private:
  uint64_t state_ = 12345;
};

// A turn from a quaternion (made of +, *, / and sqrt only, so the same everywhere), scaled
// and moved; some matrices get a shear, a few are singular, some are half turns.
rtm::Matrix Generated(Numbers& n) {
  float q[4];
  float kind = n.Next();
  if (kind < 0.1f) {
    // Near half turns about one axis: a tiny w and the other branches of the quaternion.
    int axis = static_cast<int>(n.Next() * 3.0f) % 3;
    for (float& c : q) c = n.Between(-0.01f, 0.01f);
    q[axis] = n.Next() < 0.5f ? 1.0f : -1.0f;
  } else {
    for (float& c : q) c = n.Between(-1.0f, 1.0f);
  }
  float length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (length == 0.0f) length = 1.0f;
  const float x = q[0] / length, y = q[1] / length, z = q[2] / length, w = q[3] / length;
  const float scale = n.Next() < 0.5f ? 1.0f : n.Between(0.2f, 3.9f);
  // The columns of the turn, then the translation.
  const float turn[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + w * z),     2 * (x * z - w * y),
                         2 * (x * y - w * z),     1 - 2 * (x * x + z * z), 2 * (y * z + w * x),
                         2 * (x * z + w * y),     2 * (y * z - w * x),     1 - 2 * (x * x + y * y)};
  rtm::Matrix m;
  for (int i = 0; i < 9; ++i) m[static_cast<size_t>(i)] = turn[i] * scale;
  m[9] = n.Between(-40.0f, 40.0f);
  m[10] = n.Between(-5.0f, 5.0f);
  m[11] = n.Between(-40.0f, 40.0f);
  if (kind > 0.9f) {
    for (int i = 0; i < 9; ++i) m[static_cast<size_t>(i)] += n.Between(-0.3f, 0.3f);
  } else if (kind > 0.89f) {
    for (int i = 0; i < 9; ++i) m[static_cast<size_t>(i)] = 0.0f;
  }
  return m;
}

std::string BoneName(int bone) { return "Bone_" + std::to_string(bone); }

constexpr int kBones = 40;

// Bone i's parent is (i - 1) / 2; the file lacks every seventh bone and has two the
// skeleton does not know.
SkeletonRef Tree() {
  std::vector<std::pair<std::string, std::string>> bones;
  for (int i = 0; i < kBones; ++i) bones.push_back({BoneName(i), i ? BoneName((i - 1) / 2) : ""});
  return MakeSkeleton(bones);
}

std::string Source() {
  Numbers n;
  rtm::Animation animation;
  animation.step = {0.5f, 0.0f, 1.25f};
  for (int b = 0; b < kBones; ++b)
    if (b % 7 != 3) animation.boneNames.push_back(BoneName(b));
  animation.boneNames.insert(animation.boneNames.begin() + 5, "stranger");
  animation.boneNames.push_back("other");
  for (int p = 0; p < 60; ++p) {
    rtm::Phase phase;
    phase.time = static_cast<float>(p) / 60.0f;
    for (const std::string& name : animation.boneNames) phase.bones.push_back({name, Generated(n)});
    animation.phases.push_back(std::move(phase));
  }
  return rtm::WriteAnimation(animation);
}

// 64-bit FNV-1a.
uint64_t Hash(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

uint64_t SavedHash(AnimationRT& animation) {
  EXPECT_TRUE(animation.IsComplete());
  QOStrStream out;
  EXPECT_EQ(SaveAnimation(animation, out), 0);
  return Hash(out.Str());
}

uint64_t ConvertedHash(const SkeletonRef& skeleton, bool turnAround) {
  AnimationRT animation = Read(Source(), skeleton, turnAround);
  return SavedHash(animation);
}

TEST(ConversionBytes, GeneratedAnimationsConvertToTheSameBytes) {
  CapturedMessages messages;
  EXPECT_EQ(Hash(Source()), 1595624425100726103u) << "the generated source changed";
  EXPECT_EQ(ConvertedHash(Tree(), false), 14305085960031353245u);
  EXPECT_EQ(ConvertedHash(Tree(), true), 2917807607565306491u);
  SkeletonRef pivoted = Tree();
  AutoArray<Vector3> pivots;
  for (int i = 0; i < kBones; ++i) pivots.push_back({0.1f * i, -0.05f * i, 0.3f});
  pivoted->SetPivots(std::move(pivots));
  pivoted->SetExcludedBone(2);
  EXPECT_EQ(ConvertedHash(pivoted, false), 8625524303038878963u);
}

TEST(ConversionBytes, ReadBuffersThatCutPhasesGiveTheSameBytes) {
  TempTree tree;
  const std::string source = Source();
  const std::filesystem::path path = tree.Write("walk.rtm", source);
  // Sizes that end buffers inside names, inside matrices and between records.
  for (QFileSize bufferSize : {QFileSize{7}, QFileSize{44}, QFileSize{1000}, QFileSize{4099}}) {
    for (bool turnAround : {false, true}) {
      QIFStreamB in;
      ASSERT_TRUE(in.Open(path.string()));
      in.SetBufferSize(bufferSize);
      AnimationRT animation;
      animation.Load(in, "walk.rtm", Tree(), turnAround);
      ASSERT_TRUE(animation.CompleteLoad(in));
      EXPECT_EQ(SavedHash(animation), turnAround ? 2917807607565306491u : 14305085960031353245u) << bufferSize;
    }
  }
}

}  // namespace
