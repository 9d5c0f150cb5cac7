// Packing many bone matrices at once: four at a time in the lanes of SSE registers.
//
// Every lane goes through exactly the single-precision operations of PackBoneMatrix, in
// the same order (each one rounds the same way in a lane as alone), so the transforms are
// the same to the bit. Both quaternion branches are worked out and the lane keeps the one
// its trace asks for; the translations go through EncodeHalfFloat one by one.
#include <bit>
#include <cstring>

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

// Packs the four matrices at `in` into `out`.
void PackFour(const Matrix4* in, PackedBoneTransform* out) {
  alignas(16) float lanes[12][4];
  for (int l = 0; l < 4; ++l) {
    float f[12];
    std::memcpy(f, &in[l], sizeof f);
    for (int i = 0; i < 12; ++i) lanes[i][l] = f[i];
  }
  __m128 m[9];
  for (int i = 0; i < 9; ++i) m[i] = _mm_load_ps(lanes[i]);

  // The uniform scale out of the 3x3 part.
  __m128 s2 = _mm_setzero_ps();
  for (int i = 0; i < 9; ++i) s2 = _mm_add_ps(s2, _mm_mul_ps(m[i], m[i]));
  s2 = _mm_div_ps(s2, Splat(3.0f));
  const __m128 r0 = _mm_div_ps(Splat(1.0f), _mm_sqrt_ps(s2));
  const __m128 inv =
      _mm_mul_ps(_mm_mul_ps(Splat(0.5f), r0), _mm_sub_ps(Splat(3.0f), _mm_mul_ps(_mm_mul_ps(s2, r0), r0)));
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
  const __m128 half = _mm_div_ps(r, Splat(2.0f));
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
  alignas(16) int32_t components[4][4];
  for (int i = 0; i < 4; ++i)
    _mm_store_si128(reinterpret_cast<__m128i*>(components[i]),
                    ToInt16(_mm_mul_ps(_mm_cvtepi32_ps(ToInt16(q[i])), scale)));
  for (int l = 0; l < 4; ++l) {
    out[l] = {static_cast<int16_t>(components[0][l]), static_cast<int16_t>(components[1][l]),
              static_cast<int16_t>(components[2][l]), static_cast<int16_t>(components[3][l]),
              EncodeHalfFloat(lanes[9][l]),            EncodeHalfFloat(lanes[10][l]),
              EncodeHalfFloat(lanes[11][l])};
  }
}

}  // namespace

void PackBoneMatrices(const Matrix4* matrices, PackedBoneTransform* transforms, size_t count) {
  size_t i = 0;
  for (; i + 4 <= count; i += 4) PackFour(matrices + i, transforms + i);
  for (; i < count; ++i) transforms[i] = PackBoneMatrix(matrices[i]);
}

#else

void PackBoneMatrices(const Matrix4* matrices, PackedBoneTransform* transforms, size_t count) {
  for (size_t i = 0; i < count; ++i) transforms[i] = PackBoneMatrix(matrices[i]);
}

#endif
