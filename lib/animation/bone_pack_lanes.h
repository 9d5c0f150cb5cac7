#pragma once
// The lane code of packing parent-relative bone matrices, included by one file compiled for
// SSE2 and one compiled for AVX2 (internal linkage: each gets its own copy).
//
// Every lane goes through exactly the single-precision operations of InverseMatrix,
// MultiplyMatrices and PackBoneMatrix, in the same order (each one rounds the same way in
// a lane as alone), so the transforms are the same to the bit. Both quaternion branches
// are worked out and the lane keeps the one its trace asks for. A transform whose
// translation overflows (or is not a number) is made again one at a time, for its message.
#include <algorithm>
#include <cstring>

#include "lib/animation/bone_transform.h"
#include "lib/animation/float_lanes.h"

namespace {

Matrix4 MatrixAt(const char* bytes) {
  Matrix4 matrix;
  std::memcpy(&matrix, bytes, sizeof matrix);
  return matrix;
}

// One transform at a time.
PackedBoneTransform PackOne(const char* parent, const char* model) {
  return PackBoneMatrix(parent ? MultiplyMatrices(InverseMatrix(MatrixAt(parent)), MatrixAt(model)) : MatrixAt(model));
}

using lanes::F;
using lanes::I;
using lanes::kWidth;
using lanes::Splat;

constexpr float kQuaternionUnit = 16384.0f;

// Rounded to the nearest integer, halves away from zero, kept inside the int16 range, not a
// number giving 0: PackBoneMatrix's rounding in every lane.
LANES_INLINE I ToInt16(F value) {
  const F inside = lanes::Greater(value, Splat(-32768.5f)) & lanes::Less(value, Splat(32767.5f));
  I whole = lanes::Truncate(value);
  const F fraction = value - lanes::ToFloat(whole);
  // Masks are -1 where they hold.
  whole = whole - lanes::Bits(lanes::GreaterOrEqual(fraction, Splat(0.5f)));
  whole = whole + lanes::Bits(lanes::LessOrEqual(fraction, Splat(-0.5f)));
  const I limit = lanes::Select(lanes::Bits(lanes::Greater(value, Splat(0.0f))), Splat(32767), Splat(-32768));
  const I outside = lanes::Bits(lanes::Ordered(value, value)) & limit;
  return lanes::Select(lanes::Bits(inside), whole, outside);
}

// EncodeHalfFloat in every lane, except that an overflowing lane only sets its lane of
// `overflow`.
LANES_INLINE I HalfFloats(F value, I& overflow) {
  const I bits = lanes::Bits(value);
  const I exponent = (lanes::ShiftRight<23>(bits) & Splat(0xFF)) - Splat(112);
  const I half = lanes::ShiftLeft<15>(lanes::ShiftRight<31>(bits)) | lanes::ShiftLeft<10>(exponent) |
                 lanes::ShiftRight<13>(bits & Splat(0x7FFFFF));
  overflow = overflow | lanes::Greater(exponent, Splat(31));
  return lanes::AndNot(lanes::Less(exponent, Splat(1)), half);
}

// kWidth matrices, one per lane: element i of every matrix in m[i] (0-8 the 3x3 part by
// columns, 9-11 the translation).
struct Matrices {
  F m[12];
};

LANES_INLINE Matrices Load(const char* const* matrices) {
  Matrices out;
#pragma GCC unroll 2
  for (int h = 0; h < lanes::kHalves; ++h)
#pragma GCC unroll 3
    for (int block = 0; block < 3; ++block) {
      // Four matrices at a time: their block of four floats, transposed.
      __m128 r[lanes::kRegisterLanes];
#pragma GCC unroll 8
      for (int l = 0; l < lanes::kRegisterLanes; ++l)
        r[l] = _mm_loadu_ps(reinterpret_cast<const float*>(matrices[lanes::kRegisterLanes * h + l]) + 4 * block);
#pragma GCC unroll 2
      for (int q = 0; q < lanes::kRegisterLanes; q += 4) _MM_TRANSPOSE4_PS(r[q], r[q + 1], r[q + 2], r[q + 3]);
#pragma GCC unroll 4
      for (int l = 0; l < 4; ++l) {
#if defined(__AVX2__)
        out.m[4 * block + l].v[h] = _mm256_set_m128(r[4 + l], r[l]);
#else
        out.m[4 * block + l].v[h] = r[l];
#endif
      }
    }
  return out;
}

// InverseMatrix in every lane.
LANES_INLINE Matrices Inverse(const Matrices& in) {
  const F* m = in.m;
  // Element (r, c) is m[3c + r]; the inverse is the adjugate over the determinant.
  auto e = [m](int r, int c) { return m[3 * c + r]; };
  F cofactor[3][3];
#pragma GCC unroll 3
  for (int r = 0; r < 3; ++r)
#pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) {
      int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      cofactor[r][c] = e(r1, c1) * e(r2, c2) - e(r1, c2) * e(r2, c1);
    }
  const F det = e(0, 0) * cofactor[0][0] + e(0, 1) * cofactor[0][1] + e(0, 2) * cofactor[0][2];
  const F invDet = lanes::NotEqual(det, Splat(0.0f)) & (Splat(1.0f) / det);
  Matrices out;
#pragma GCC unroll 3
  for (int r = 0; r < 3; ++r)
#pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) out.m[3 * c + r] = cofactor[c][r] * invDet;
#pragma GCC unroll 3
  for (int r = 0; r < 3; ++r) {
    const F moved = out.m[r] * m[9] + out.m[3 + r] * m[10] + out.m[6 + r] * m[11];
    out.m[9 + r] = moved ^ Splat(-0.0f);
  }
  return out;
}

// MultiplyMatrices in every lane: `a` applied after `b`.
LANES_INLINE Matrices Multiply(const Matrices& a, const Matrices& b) {
  Matrices out;
#pragma GCC unroll 4
  for (int c = 0; c < 4; ++c)
#pragma GCC unroll 3
    for (int r = 0; r < 3; ++r) {
      const F v = a.m[r] * b.m[3 * c] + a.m[3 + r] * b.m[3 * c + 1] + a.m[6 + r] * b.m[3 * c + 2];
      out.m[3 * c + r] = c == 3 ? v + a.m[9 + r] : v;
    }
  return out;
}

// Packs the first `count` (1 to kWidth) lanes of `matrices` into `out`; returns a bit per lane
// whose translation overflows (or is not a number), and leaves those lanes' translations
// to the caller.
LANES_INLINE int Pack(Matrices matrices, PackedBoneTransform* out, int count) {
  F* m = matrices.m;

  // The uniform scale out of the 3x3 part.
  F s2 = Splat(0.0f);
#pragma GCC unroll 9
  for (int i = 0; i < 9; ++i) s2 = s2 + m[i] * m[i];
  s2 = s2 / Splat(3.0f);
  const F r0 = Splat(1.0f) / lanes::Sqrt(s2);
  const F inv = Splat(0.5f) * r0 * (Splat(3.0f) - s2 * r0 * r0);
#pragma GCC unroll 9
  for (int i = 0; i < 9; ++i) m[i] = m[i] * inv;

  // The differences and sums of the off-diagonal pairs both branches use.
  const F d0 = m[7] - m[5], d1 = m[2] - m[6], d2 = m[3] - m[1];
  const F a = m[1] + m[3], b = m[5] + m[7], c = m[2] + m[6];
  const F unit = Splat(kQuaternionUnit);

  // A positive trace.
  const F trace = m[0] + m[4] + m[8];
  const F rt = lanes::Sqrt(trace + Splat(1.0f));
  const F kt = Splat(0.5f) / rt;
  const F tx = d0 * kt * unit, ty = d1 * kt * unit, tz = d2 * kt * unit;
  const F tw = rt * Splat(kQuaternionUnit / 2.0f);

  // Otherwise the largest diagonal element i (0, 1 or 2) leads.
  const F is1 = lanes::Greater(m[4], m[0]);
  const F is2 = lanes::Greater(m[8], lanes::Select(is1, m[4], m[0]));
  const F only1 = lanes::AndNot(is2, is1);
  const F only0 = lanes::AndNot(is1 | is2, lanes::Floats(Splat(-1)));
  const F one = Splat(1.0f);
  const F r0d = m[0] - (m[8] + m[4]) + one;
  const F r1d = m[4] - (m[0] + m[8]) + one;
  const F r2d = m[8] - (m[4] + m[0]) + one;
  const F r = lanes::Sqrt(lanes::Select(is2, r2d, lanes::Select(is1, r1d, r0d)));
  const F half = r * Splat(0.5f);  // r / 2, exactly
  const F factor = lanes::NotEqual(r, Splat(0.0f)) & (Splat(0.5f) / r);
  const F fa = a * factor, fb = b * factor, fc = c * factor;
  const F ex = lanes::Select(only0, half, lanes::Select(only1, fa, fc));
  const F ey = lanes::Select(only0, fa, lanes::Select(only1, half, fb));
  const F ez = lanes::Select(only0, fc, lanes::Select(only1, fb, half));
  const F ew = lanes::Select(is2, d2, lanes::Select(is1, d1, d0)) * factor;

  const F positive = lanes::Greater(trace, Splat(0.0f));
  const F q[4] = {lanes::Select(positive, tx, ex * unit), lanes::Select(positive, ty, ey * unit),
                  lanes::Select(positive, tz, ez * unit), lanes::Select(positive, tw, ew * unit)};

  // The scale goes back in as the quaternion's length.
  const F scale = Splat(1.0f / kQuaternionUnit) * lanes::Sqrt(inv * s2) * unit;
  int32_t fields[7][kWidth];
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) lanes::Store(fields[i], ToInt16(lanes::ToFloat(ToInt16(q[i])) * scale));
  I overflow = Splat(0);
#pragma GCC unroll 3
  for (int i = 0; i < 3; ++i) lanes::Store(fields[4 + i], HalfFloats(m[9 + i], overflow));
  for (int l = 0; l < count; ++l)
    out[l] = {static_cast<int16_t>(fields[0][l]),  static_cast<int16_t>(fields[1][l]),
              static_cast<int16_t>(fields[2][l]),  static_cast<int16_t>(fields[3][l]),
              static_cast<uint16_t>(fields[4][l]), static_cast<uint16_t>(fields[5][l]),
              static_cast<uint16_t>(fields[6][l])};
  return lanes::Signs(lanes::Floats(overflow)) & ((1 << count) - 1);
}

// Up to kWidth entries; the missing lanes repeat the last one.
void RelativeAndPack(const char* const* parents, const char* const* models, PackedBoneTransform* out, size_t count) {
  const char* model[kWidth];
  const char* parent[kWidth];
  int32_t hasParent[kWidth];
  int withParent = 0;
#pragma GCC unroll 16
  for (size_t l = 0; l < kWidth; ++l) {
    size_t i = l < count ? l : count - 1;
    model[l] = models[i];
    parent[l] = parents[i] ? parents[i] : models[i];
    hasParent[l] = parents[i] ? -1 : 0;
    withParent += parents[i] ? 1 : 0;
  }
  // Lanes without a parent keep their own matrix.
  const Matrices own = Load(model);
  Matrices chosen = own;
  if (withParent > 0) {
    chosen = Multiply(Inverse(Load(parent)), own);
    if (withParent < kWidth) {
      const F mask = lanes::Floats(lanes::Load(hasParent));
#pragma GCC unroll 12
      for (int i = 0; i < 12; ++i) chosen.m[i] = lanes::Select(mask, chosen.m[i], own.m[i]);
    }
  }
  const int overflowing = Pack(chosen, out, static_cast<int>(count));
  // One by one with the message of each overflow, in order. Which of two operands that are
  // not numbers a processor operation passes on depends on how the compiler ordered them,
  // and the sign of a translation that is not a number shows in its half float: these take
  // the very code of one transform at a time.
  for (size_t l = 0; overflowing && l < count; ++l)
    if (overflowing & (1 << l)) out[l] = PackOne(parents[l], models[l]);
}

// PackRelativeBoneMatrices in lanes.
void PackInLanes(const char* const* parents, const char* const* models, PackedBoneTransform* transforms, size_t count) {
  for (size_t i = 0; i < count; i += kWidth)
    RelativeAndPack(parents + i, models + i, transforms + i, std::min<size_t>(kWidth, count - i));
}

}  // namespace
