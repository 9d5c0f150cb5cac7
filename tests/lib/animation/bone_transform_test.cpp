// Packing matrices into bone transforms: quaternion with the scale folded in, half floats.
#include "lib/animation/bone_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "lib/animation/bone_pack_batch.h"
#include "tests/support/captured_messages.h"

namespace {

Matrix4 Scaled(float scale) {
  Matrix4 m;
  m.axisX = {scale, 0, 0};
  m.axisY = {0, scale, 0};
  m.axisZ = {0, 0, scale};
  return m;
}

// A turn of `angle` about the axis (ax, ay, az) (unit length), scaled, moved.
Matrix4 Turned(float ax, float ay, float az, float angle, float scale, Vector3 position) {
  float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  Matrix4 m;
  m.axisX = {(t * ax * ax + c) * scale, (t * ax * ay + s * az) * scale, (t * ax * az - s * ay) * scale};
  m.axisY = {(t * ax * ay - s * az) * scale, (t * ay * ay + c) * scale, (t * ay * az + s * ax) * scale};
  m.axisZ = {(t * ax * az + s * ay) * scale, (t * ay * az - s * ax) * scale, (t * az * az + c) * scale};
  m.position = position;
  return m;
}

void ExpectNear(const Matrix4& a, const Matrix4& b, float tolerance) {
  const float* x = &a.axisX.x;
  const float* y = &b.axisX.x;
  for (int i = 0; i < 12; ++i) EXPECT_NEAR(x[i], y[i], tolerance) << "float " << i;
}

TEST(BoneTransform, IdentityAndUniformScalePack) {
  PackedBoneTransform identity = PackBoneMatrix(Matrix4::Identity());
  EXPECT_EQ(identity, (PackedBoneTransform{0, 0, 0, 16384, 0, 0, 0}));
  PackedBoneTransform doubled = PackBoneMatrix(Scaled(2.0f));
  EXPECT_EQ(doubled, (PackedBoneTransform{0, 0, 0, 23170, 0, 0, 0}));
  ExpectNear(UnpackBoneMatrix(doubled), Scaled(2.0f), 1e-3f);
}

TEST(BoneTransform, TurnsInEveryBranchOfTheQuaternionComeBack) {
  // Small turns take the trace branch; half turns about x, y and z each take one of the
  // three other branches.
  const Matrix4 cases[] = {Turned(0, 1, 0, 0.3f, 1.0f, {1, 2, 3}), Turned(1, 0, 0, 3.14159265f, 1.0f, {0, 0, 0}),
                           Turned(0, 1, 0, 3.14159265f, 1.5f, {-1, 0, 4}), Turned(0, 0, 1, 3.0f, 0.5f, {0, 8, 0}),
                           Turned(0.6f, 0.0f, 0.8f, 2.0f, 3.0f, {0.25f, 0, 0})};
  for (const Matrix4& m : cases) ExpectNear(UnpackBoneMatrix(PackBoneMatrix(m)), m, 4e-3f * 3.0f);
}

TEST(BoneTransform, ScalesOfFourAndMoreDoNotFit) {
  PackedBoneTransform big = PackBoneMatrix(Scaled(5.0f));
  EXPECT_EQ(big.w, 32767);  // kept at the int16 limit rather than wrapped
}

TEST(HalfFloat, BoundsAndTruncation) {
  CapturedMessages messages;
  EXPECT_EQ(EncodeHalfFloat(0.0f), 0x0000);
  EXPECT_EQ(EncodeHalfFloat(-0.0f), 0x0000);
  EXPECT_EQ(EncodeHalfFloat(std::ldexp(1.0f, -15)), 0x0000);  // below 2^-14: 0, sign dropped
  EXPECT_EQ(EncodeHalfFloat(-std::ldexp(1.0f, -15)), 0x0000);
  EXPECT_EQ(EncodeHalfFloat(std::ldexp(1.0f, -14)), 0x0400);
  EXPECT_EQ(EncodeHalfFloat(1.0f), 0x3C00);
  EXPECT_EQ(EncodeHalfFloat(-2.0f), 0xC000);
  // The mantissa is cut, not rounded: 1 + 2^-11 + 2^-12 keeps 1.
  EXPECT_EQ(EncodeHalfFloat(1.0f + std::ldexp(1.0f, -11) + std::ldexp(1.0f, -12)), 0x3C00);
  EXPECT_TRUE(messages.errorLines.empty());

  uint16_t big = EncodeHalfFloat(65536.0f);
  EXPECT_EQ(big >> 10, 31);
  EXPECT_EQ(DecodeHalfFloat(big), 65536.0f);
  EXPECT_EQ(DecodeHalfFloat(EncodeHalfFloat(131071.0f)), 131008.0f);
  EXPECT_TRUE(messages.errorLines.empty());
  EXPECT_EQ(EncodeHalfFloat(131072.0f), 0x7FFF);
  EXPECT_EQ(EncodeHalfFloat(-1e30f), 0xFFFF);
  EXPECT_EQ(EncodeHalfFloat(std::numeric_limits<float>::infinity()), 0x7FFF);
  EXPECT_EQ(std::count(messages.errorLines.begin(), messages.errorLines.end(), "Overflow"), 3);
  EXPECT_EQ(DecodeHalfFloat(0x0000), 0.0f);
  EXPECT_EQ(DecodeHalfFloat(0x3555), 0.333251953125f);
}

// Matrices of every kind: turns in each quaternion branch, scales, shears, reflections,
// singular ones, and elements that are huge, tiny, infinite or not numbers.
std::vector<Matrix4> AssortedMatrices() {
  std::vector<Matrix4> matrices;
  uint32_t state = 7;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 16777216.0f;
  };
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const float specials[] = {0.0f, -0.0f, 1e-42f, 1e30f, -1e30f, inf, nan, 32767.5f, 1.0f, -1.0f};
  for (int n = 0; n < 3001; ++n) {
    float ax = next() - 0.5f, ay = next() - 0.5f, az = next() - 0.5f;
    float length = std::sqrt(ax * ax + ay * ay + az * az) + 1e-6f;
    Matrix4 m = Turned(ax / length, ay / length, az / length, 7.0f * next() - 0.5f, 0.1f + 5.0f * next(),
                       {200.0f * next() - 100.0f, 1e6f * next() - 5e5f, next() - 0.5f});
    float* f = &m.axisX.x;
    int kind = n % 10;
    if (kind == 7) f[static_cast<int>(next() * 12.0f)] = specials[static_cast<int>(next() * 10.0f)];
    if (kind == 8)
      for (int i = 0; i < 9; ++i) f[i] += next() - 0.5f;
    if (kind == 9) m.axisZ = {-m.axisZ.x, -m.axisZ.y, -m.axisZ.z};
    matrices.push_back(m);
  }
  return matrices;
}

TEST(BoneTransform, PackingManyAtOnceGivesTheSameBitsAsOneByOne) {
  std::vector<Matrix4> matrices = AssortedMatrices();
  std::vector<PackedBoneTransform> alone, many(matrices.size());
  CapturedMessages aloneMessages;
  for (const Matrix4& m : matrices) alone.push_back(PackBoneMatrix(m));
  std::vector<std::string> aloneLines = aloneMessages.lines;
  CapturedMessages manyMessages;
  PackBoneMatrices(matrices.data(), many.data(), matrices.size());
  for (size_t i = 0; i < matrices.size(); ++i) EXPECT_EQ(alone[i], many[i]) << "matrix " << i;
  EXPECT_EQ(manyMessages.lines, aloneLines);
  EXPECT_FALSE(aloneLines.empty());  // some translations overflow
}

TEST(BoneTransform, RelativePackingManyAtOnceGivesTheSameBitsAsOneByOne) {
  std::vector<Matrix4> matrices = AssortedMatrices();
  std::vector<const char*> parents, models;
  std::vector<PackedBoneTransform> alone;
  CapturedMessages aloneMessages;
  for (size_t i = 0; i < matrices.size(); ++i) {
    const Matrix4* parent = i % 11 == 0 ? nullptr : &matrices[(i * 7 + 3) % matrices.size()];
    parents.push_back(reinterpret_cast<const char*>(parent));
    models.push_back(reinterpret_cast<const char*>(&matrices[i]));
    alone.push_back(PackBoneMatrix(parent ? MultiplyMatrices(InverseMatrix(*parent), matrices[i]) : matrices[i]));
  }
  std::vector<std::string> aloneLines = aloneMessages.lines;
  using Packer = void (*)(const char* const*, const char* const*, PackedBoneTransform*, size_t);
  std::vector<std::pair<const char*, Packer>> builds = {{"best", PackRelativeBoneMatrices},
                                                        {"sse2", PackRelativeBoneMatricesSse2}};
  if (HasAvx2Packing()) builds.push_back({"avx2", PackRelativeBoneMatricesAvx2});
  for (const auto& [name, pack] : builds) {
    // Counts that leave every number of entries after the last full group (of 8 or 16).
    for (size_t cut = 0; cut < 16; ++cut) {
      const size_t count = matrices.size() - cut;
      std::vector<PackedBoneTransform> many(count);
      CapturedMessages manyMessages;
      pack(parents.data(), models.data(), many.data(), count);
      for (size_t i = 0; i < count; ++i) ASSERT_EQ(alone[i], many[i]) << name << " matrix " << i << " of " << count;
      if (cut == 0) {
        EXPECT_EQ(manyMessages.lines, aloneLines) << name;
      }
    }
    std::vector<PackedBoneTransform> three(3);
    pack(parents.data(), models.data(), three.data(), 3);
    EXPECT_EQ(three, std::vector<PackedBoneTransform>(alone.begin(), alone.begin() + 3)) << name;
  }
}

TEST(BoneMatrix, InverseUndoesAGeneralMatrix) {
  Matrix4 m = Turned(0.0f, 0.6f, 0.8f, 1.1f, 2.0f, {3, -4, 5});
  m.axisX.x += 0.3f;  // not a pure turn and scale
  ExpectNear(MultiplyMatrices(InverseMatrix(m), m), Matrix4::Identity(), 1e-5f);
  ExpectNear(MultiplyMatrices(m, InverseMatrix(m)), Matrix4::Identity(), 1e-5f);
  Vector3 p = TransformPoint(m, {1, 2, 3});
  Vector3 back = TransformPoint(InverseMatrix(m), p);
  EXPECT_NEAR(back.x, 1, 1e-4f);
  EXPECT_NEAR(back.y, 2, 1e-4f);
  EXPECT_NEAR(back.z, 3, 1e-4f);
}

}  // namespace
