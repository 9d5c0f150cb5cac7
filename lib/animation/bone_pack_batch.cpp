// Making and packing many parent-relative bone matrices at once: four at a time in the
// lanes of SSE registers.
//
// Every lane goes through exactly the single-precision operations of InverseMatrix,
// MultiplyMatrices and PackBoneMatrix, in the same order (each one rounds the same way in
// a lane as alone), so the transforms are the same to the bit. Both quaternion branches
// are worked out and the lane keeps the one its trace asks for; a translation that
// overflows goes through EncodeHalfFloat for its message.
#include <algorithm>

#include "lib/animation/bone_transform.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

constexpr float kQuaternionUnit = 16384.0f;

inline __m128 Splat(float value) { return _mm_set1_ps(value); }

// `mask` lanes from `yes`, the others from `no`.
inline __m128 Select(__m128 mask, __m128 yes, __m128 no) {
  return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
}

inline __m128i Select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Rounded to the nearest integer, halves away from zero, kept inside the int16 range, not a
// number giving 0: the lanes of PackBoneMatrix's rounding.
inline __m128i ToInt16(__m128 value) {
  const __m128 inside = _mm_and_ps(_mm_cmpgt_ps(value, Splat(-32768.5f)), _mm_cmplt_ps(value, Splat(32767.5f)));
  __m128i whole = _mm_cvttps_epi32(value);
  const __m128 fraction = _mm_sub_ps(value, _mm_cvtepi32_ps(whole));
  // Comparisons give -1 where true.
  whole = _mm_sub_epi32(whole, _mm_castps_si128(_mm_cmpge_ps(fraction, Splat(0.5f))));
  whole = _mm_add_epi32(whole, _mm_castps_si128(_mm_cmple_ps(fraction, Splat(-0.5f))));
  const __m128i limit = Select(_mm_castps_si128(_mm_cmpgt_ps(value, _mm_setzero_ps())), _mm_set1_epi32(32767),
                               _mm_set1_epi32(-32768));
  const __m128i outside = _mm_and_si128(_mm_castps_si128(_mm_cmpord_ps(value, value)), limit);
  return Select(_mm_castps_si128(inside), whole, outside);
}

// Four matrices, one per lane: element i of every matrix in m[i] (0-8 the 3x3 part by
// columns, 9-11 the translation).
struct FourMatrices {
  __m128 m[12];
};

inline __attribute__((always_inline)) FourMatrices Load(const Matrix4* const* matrices) {
  FourMatrices four;
#pragma GCC unroll 12
  for (int block = 0; block < 3; ++block) {
    __m128 r[4];
#pragma GCC unroll 12
    for (int l = 0; l < 4; ++l) r[l] = _mm_loadu_ps(&matrices[l]->axisX.x + 4 * block);
    _MM_TRANSPOSE4_PS(r[0], r[1], r[2], r[3]);
#pragma GCC unroll 12
    for (int l = 0; l < 4; ++l) four.m[4 * block + l] = r[l];
  }
  return four;
}

// InverseMatrix in every lane.
inline __attribute__((always_inline)) FourMatrices Inverse(const FourMatrices& in) {
  const __m128* m = in.m;
  // Element (r, c) is m[3c + r]; the inverse is the adjugate over the determinant.
  auto e = [m](int r, int c) { return m[3 * c + r]; };
  __m128 cofactor[3][3];
#pragma GCC unroll 12
  for (int r = 0; r < 3; ++r)
#pragma GCC unroll 12
    for (int c = 0; c < 3; ++c) {
      int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      cofactor[r][c] = _mm_sub_ps(_mm_mul_ps(e(r1, c1), e(r2, c2)), _mm_mul_ps(e(r1, c2), e(r2, c1)));
    }
  const __m128 det = _mm_add_ps(
      _mm_add_ps(_mm_mul_ps(e(0, 0), cofactor[0][0]), _mm_mul_ps(e(0, 1), cofactor[0][1])),
      _mm_mul_ps(e(0, 2), cofactor[0][2]));
  const __m128 invDet = _mm_and_ps(_mm_cmpneq_ps(det, _mm_setzero_ps()), _mm_div_ps(Splat(1.0f), det));
  FourMatrices out;
#pragma GCC unroll 12
  for (int r = 0; r < 3; ++r)
#pragma GCC unroll 12
    for (int c = 0; c < 3; ++c) out.m[3 * c + r] = _mm_mul_ps(cofactor[c][r], invDet);
  const __m128 sign = Splat(-0.0f);
#pragma GCC unroll 12
  for (int r = 0; r < 3; ++r) {
    const __m128 moved = _mm_add_ps(_mm_add_ps(_mm_mul_ps(out.m[r], m[9]), _mm_mul_ps(out.m[3 + r], m[10])),
                                    _mm_mul_ps(out.m[6 + r], m[11]));
    out.m[9 + r] = _mm_xor_ps(moved, sign);
  }
  return out;
}

// MultiplyMatrices in every lane: `a` applied after `b`.
inline __attribute__((always_inline)) FourMatrices Multiply(const FourMatrices& a, const FourMatrices& b) {
  FourMatrices out;
#pragma GCC unroll 12
  for (int c = 0; c < 4; ++c)
#pragma GCC unroll 12
    for (int r = 0; r < 3; ++r) {
      __m128 v = _mm_add_ps(_mm_add_ps(_mm_mul_ps(a.m[r], b.m[3 * c]), _mm_mul_ps(a.m[3 + r], b.m[3 * c + 1])),
                            _mm_mul_ps(a.m[6 + r], b.m[3 * c + 2]));
      out.m[3 * c + r] = c == 3 ? _mm_add_ps(v, a.m[9 + r]) : v;
    }
  return out;
}

// EncodeHalfFloat in every lane, except that an overflowing lane sets its `overflow` lane.
inline __m128i HalfFloats(__m128 value, __m128i& overflow) {
  const __m128i bits = _mm_castps_si128(value);
  const __m128i exponent =
      _mm_sub_epi32(_mm_and_si128(_mm_srli_epi32(bits, 23), _mm_set1_epi32(0xFF)), _mm_set1_epi32(112));
  const __m128i half =
      _mm_or_si128(_mm_or_si128(_mm_slli_epi32(_mm_srli_epi32(bits, 31), 15), _mm_slli_epi32(exponent, 10)),
                   _mm_srli_epi32(_mm_and_si128(bits, _mm_set1_epi32(0x7FFFFF)), 13));
  overflow = _mm_or_si128(overflow, _mm_cmpgt_epi32(exponent, _mm_set1_epi32(31)));
  return _mm_andnot_si128(_mm_cmplt_epi32(exponent, _mm_set1_epi32(1)), half);
}

// Packs the first `count` (1 to 4) lanes of `four` into `out`.
inline __attribute__((always_inline)) void PackFour(FourMatrices four, PackedBoneTransform* out, int count) {
  __m128* m = four.m;

  // The uniform scale out of the 3x3 part.
  __m128 s2 = _mm_setzero_ps();
#pragma GCC unroll 12
  for (int i = 0; i < 9; ++i) s2 = _mm_add_ps(s2, _mm_mul_ps(m[i], m[i]));
  s2 = _mm_div_ps(s2, Splat(3.0f));
  const __m128 r0 = _mm_div_ps(Splat(1.0f), _mm_sqrt_ps(s2));
  const __m128 inv =
      _mm_mul_ps(_mm_mul_ps(Splat(0.5f), r0), _mm_sub_ps(Splat(3.0f), _mm_mul_ps(_mm_mul_ps(s2, r0), r0)));
#pragma GCC unroll 12
  for (int i = 0; i < 9; ++i) m[i] = _mm_mul_ps(m[i], inv);

  // The differences and sums of the off-diagonal pairs both branches use.
  const __m128 d0 = _mm_sub_ps(m[7], m[5]), d1 = _mm_sub_ps(m[2], m[6]), d2 = _mm_sub_ps(m[3], m[1]);
  const __m128 a = _mm_add_ps(m[1], m[3]), b = _mm_add_ps(m[5], m[7]), c = _mm_add_ps(m[2], m[6]);
  const __m128 unit = Splat(kQuaternionUnit);

  // A positive trace.
  const __m128 trace = _mm_add_ps(_mm_add_ps(m[0], m[4]), m[8]);
  const __m128 rt = _mm_sqrt_ps(_mm_add_ps(trace, Splat(1.0f)));
  const __m128 kt = _mm_div_ps(Splat(0.5f), rt);
  const __m128 tx = _mm_mul_ps(_mm_mul_ps(d0, kt), unit);
  const __m128 ty = _mm_mul_ps(_mm_mul_ps(d1, kt), unit);
  const __m128 tz = _mm_mul_ps(_mm_mul_ps(d2, kt), unit);
  const __m128 tw = _mm_mul_ps(rt, Splat(kQuaternionUnit / 2.0f));

  // Otherwise the largest diagonal element i (0, 1 or 2) leads.
  const __m128 is1 = _mm_cmpgt_ps(m[4], m[0]);
  const __m128 is2 = _mm_cmpgt_ps(m[8], Select(is1, m[4], m[0]));
  const __m128 only1 = _mm_andnot_ps(is2, is1);
  const __m128 only0 = _mm_andnot_ps(_mm_or_ps(is1, is2), _mm_castsi128_ps(_mm_set1_epi32(-1)));
  const __m128 one = Splat(1.0f);
  const __m128 r0d = _mm_add_ps(_mm_sub_ps(m[0], _mm_add_ps(m[8], m[4])), one);
  const __m128 r1d = _mm_add_ps(_mm_sub_ps(m[4], _mm_add_ps(m[0], m[8])), one);
  const __m128 r2d = _mm_add_ps(_mm_sub_ps(m[8], _mm_add_ps(m[4], m[0])), one);
  const __m128 r = _mm_sqrt_ps(Select(is2, r2d, Select(is1, r1d, r0d)));
  const __m128 half = _mm_mul_ps(r, Splat(0.5f));  // r / 2, exactly
  const __m128 factor = _mm_and_ps(_mm_cmpneq_ps(r, _mm_setzero_ps()), _mm_div_ps(Splat(0.5f), r));
  const __m128 fa = _mm_mul_ps(a, factor), fb = _mm_mul_ps(b, factor), fc = _mm_mul_ps(c, factor);
  const __m128 ex = Select(only0, half, Select(only1, fa, fc));
  const __m128 ey = Select(only0, fa, Select(only1, half, fb));
  const __m128 ez = Select(only0, fc, Select(only1, fb, half));
  const __m128 ew = _mm_mul_ps(Select(is2, d2, Select(is1, d1, d0)), factor);

  const __m128 positive = _mm_cmpgt_ps(trace, _mm_setzero_ps());
  const __m128 q[4] = {Select(positive, tx, _mm_mul_ps(ex, unit)), Select(positive, ty, _mm_mul_ps(ey, unit)),
                       Select(positive, tz, _mm_mul_ps(ez, unit)), Select(positive, tw, _mm_mul_ps(ew, unit))};

  // The scale goes back in as the quaternion's length.
  const __m128 scale =
      _mm_mul_ps(_mm_mul_ps(Splat(1.0f / kQuaternionUnit), _mm_sqrt_ps(_mm_mul_ps(inv, s2))), unit);
  alignas(16) int32_t fields[7][4];
#pragma GCC unroll 12
  for (int i = 0; i < 4; ++i)
    _mm_store_si128(reinterpret_cast<__m128i*>(fields[i]),
                    ToInt16(_mm_mul_ps(_mm_cvtepi32_ps(ToInt16(q[i])), scale)));
  __m128i overflow = _mm_setzero_si128();
#pragma GCC unroll 12
  for (int i = 0; i < 3; ++i)
    _mm_store_si128(reinterpret_cast<__m128i*>(fields[4 + i]), HalfFloats(m[9 + i], overflow));
  const int overflowing = _mm_movemask_ps(_mm_castsi128_ps(overflow)) & ((1 << count) - 1);
  for (int l = 0; l < count; ++l) {
    PackedBoneTransform& t = out[l];
    t = {static_cast<int16_t>(fields[0][l]),  static_cast<int16_t>(fields[1][l]),
         static_cast<int16_t>(fields[2][l]),  static_cast<int16_t>(fields[3][l]),
         static_cast<uint16_t>(fields[4][l]), static_cast<uint16_t>(fields[5][l]),
         static_cast<uint16_t>(fields[6][l])};
    if (overflowing & (1 << l)) {
      // The message of each overflow, in order.
      alignas(16) float translation[3][4];
#pragma GCC unroll 12
      for (int i = 0; i < 3; ++i) _mm_store_ps(translation[i], m[9 + i]);
      t.tx = EncodeHalfFloat(translation[0][l]);
      t.ty = EncodeHalfFloat(translation[1][l]);
      t.tz = EncodeHalfFloat(translation[2][l]);
    }
  }
}

// Up to four entries from `index` on; the missing lanes repeat the last entry.
void RelativeAndPackFour(const Matrix4* const* parents, const Matrix4* const* models, PackedBoneTransform* out,
                         size_t count) {
  const Matrix4* model[4];
  const Matrix4* parent[4];
  alignas(16) int32_t hasParent[4];
#pragma GCC unroll 12
  for (size_t l = 0; l < 4; ++l) {
    size_t i = l < count ? l : count - 1;
    model[l] = models[i];
    parent[l] = parents[i] ? parents[i] : models[i];
    hasParent[l] = parents[i] ? -1 : 0;
  }
  const FourMatrices own = Load(model);
  const FourMatrices relative = Multiply(Inverse(Load(parent)), own);
  const __m128 mask = _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(hasParent)));
  FourMatrices chosen;
#pragma GCC unroll 12
  for (int i = 0; i < 12; ++i) chosen.m[i] = Select(mask, relative.m[i], own.m[i]);
  PackFour(chosen, out, static_cast<int>(count));
}

}  // namespace

void PackRelativeBoneMatrices(const Matrix4* const* parents, const Matrix4* const* models,
                               PackedBoneTransform* transforms, size_t count) {
  for (size_t i = 0; i < count; i += 4)
    RelativeAndPackFour(parents + i, models + i, transforms + i, std::min<size_t>(4, count - i));
}

#else

void PackRelativeBoneMatrices(const Matrix4* const* parents, const Matrix4* const* models,
                               PackedBoneTransform* transforms, size_t count) {
  for (size_t i = 0; i < count; ++i)
    transforms[i] = PackBoneMatrix(parents[i] ? MultiplyMatrices(InverseMatrix(*parents[i]), *models[i]) : *models[i]);
}

#endif

void PackBoneMatrices(const Matrix4* matrices, PackedBoneTransform* transforms, size_t count) {
  constexpr size_t kChunk = 64;
  const Matrix4* parents[kChunk] = {};
  const Matrix4* models[kChunk];
  for (size_t start = 0; start < count; start += kChunk) {
    const size_t n = std::min(kChunk, count - start);
    for (size_t i = 0; i < n; ++i) models[i] = matrices + start + i;
    PackRelativeBoneMatrices(parents, models, transforms + start, n);
  }
}
