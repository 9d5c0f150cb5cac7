#pragma once
// Eight floats (or 32-bit integers) in two SSE registers, worked on side by side: each
// operation is the processor's single-precision (or integer) operation in every lane, so a
// lane gives exactly what the same operation gives on one value. Two registers per value
// let the processor overlap two independent chains of long operations (division, square
// root). Comparisons give masks: all bits set in the lanes where they hold.
#include <emmintrin.h>

#include <cstdint>

// Each operation is a handful of instructions that must not become a call: values of two
// registers would go through memory.
#define LANES_INLINE inline __attribute__((always_inline))

namespace lanes {

constexpr int kHalves = 2;
constexpr int kWidth = 4 * kHalves;

struct F {
  __m128 v[kHalves];
};

struct I {
  __m128i v[kHalves];
};

template <class Op>
LANES_INLINE F Each(F a, F b, Op op) {
  F r;
#pragma GCC unroll 2
  for (int h = 0; h < kHalves; ++h) r.v[h] = op(a.v[h], b.v[h]);
  return r;
}

template <class Op>
LANES_INLINE I Each(I a, I b, Op op) {
  I r;
#pragma GCC unroll 2
  for (int h = 0; h < kHalves; ++h) r.v[h] = op(a.v[h], b.v[h]);
  return r;
}

LANES_INLINE F Splat(float value) { return {{_mm_set1_ps(value), _mm_set1_ps(value)}}; }
LANES_INLINE I Splat(int value) { return {{_mm_set1_epi32(value), _mm_set1_epi32(value)}}; }

LANES_INLINE F operator+(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_add_ps(x, y); });
}
LANES_INLINE F operator-(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_sub_ps(x, y); });
}
LANES_INLINE F operator*(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_mul_ps(x, y); });
}
LANES_INLINE F operator/(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_div_ps(x, y); });
}
LANES_INLINE F Sqrt(F a) {
  return Each(a, a, [](__m128 x, __m128) { return _mm_sqrt_ps(x); });
}

LANES_INLINE F Greater(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_cmpgt_ps(x, y); });
}
LANES_INLINE F Less(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_cmplt_ps(x, y); });
}
LANES_INLINE F GreaterOrEqual(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_cmpge_ps(x, y); });
}
LANES_INLINE F LessOrEqual(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_cmple_ps(x, y); });
}
// Not equal, or not a number.
LANES_INLINE F NotEqual(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_cmpneq_ps(x, y); });
}
// Neither is not a number.
LANES_INLINE F Ordered(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_cmpord_ps(x, y); });
}

LANES_INLINE F operator&(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_and_ps(x, y); });
}
LANES_INLINE F operator|(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_or_ps(x, y); });
}
LANES_INLINE F operator^(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_xor_ps(x, y); });
}
// `b` where `a` is clear.
LANES_INLINE F AndNot(F a, F b) {
  return Each(a, b, [](__m128 x, __m128 y) { return _mm_andnot_ps(x, y); });
}
// `mask` lanes from `yes`, the others from `no`.
LANES_INLINE F Select(F mask, F yes, F no) { return (mask & yes) | AndNot(mask, no); }

LANES_INLINE I operator+(I a, I b) {
  return Each(a, b, [](__m128i x, __m128i y) { return _mm_add_epi32(x, y); });
}
LANES_INLINE I operator-(I a, I b) {
  return Each(a, b, [](__m128i x, __m128i y) { return _mm_sub_epi32(x, y); });
}
LANES_INLINE I operator&(I a, I b) {
  return Each(a, b, [](__m128i x, __m128i y) { return _mm_and_si128(x, y); });
}
LANES_INLINE I operator|(I a, I b) {
  return Each(a, b, [](__m128i x, __m128i y) { return _mm_or_si128(x, y); });
}
LANES_INLINE I AndNot(I a, I b) {
  return Each(a, b, [](__m128i x, __m128i y) { return _mm_andnot_si128(x, y); });
}
LANES_INLINE I Select(I mask, I yes, I no) { return (mask & yes) | AndNot(mask, no); }
LANES_INLINE I Greater(I a, I b) {
  return Each(a, b, [](__m128i x, __m128i y) { return _mm_cmpgt_epi32(x, y); });
}
LANES_INLINE I Less(I a, I b) {
  return Each(a, b, [](__m128i x, __m128i y) { return _mm_cmplt_epi32(x, y); });
}

template <int kBits>
LANES_INLINE I ShiftLeft(I a) {
  return Each(a, a, [](__m128i x, __m128i) { return _mm_slli_epi32(x, kBits); });
}
template <int kBits>
LANES_INLINE I ShiftRight(I a) {  // logical
  return Each(a, a, [](__m128i x, __m128i) { return _mm_srli_epi32(x, kBits); });
}

// The same bits as the other kind.
LANES_INLINE I Bits(F a) { return {{_mm_castps_si128(a.v[0]), _mm_castps_si128(a.v[1])}}; }
LANES_INLINE F Floats(I a) { return {{_mm_castsi128_ps(a.v[0]), _mm_castsi128_ps(a.v[1])}}; }
// Towards zero (only for values inside the int32 range).
LANES_INLINE I Truncate(F a) { return {{_mm_cvttps_epi32(a.v[0]), _mm_cvttps_epi32(a.v[1])}}; }
LANES_INLINE F ToFloat(I a) { return {{_mm_cvtepi32_ps(a.v[0]), _mm_cvtepi32_ps(a.v[1])}}; }

LANES_INLINE void Store(float* out, F a) {
  _mm_storeu_ps(out, a.v[0]);
  _mm_storeu_ps(out + 4, a.v[1]);
}
LANES_INLINE void Store(int32_t* out, I a) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), a.v[0]);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), a.v[1]);
}
// One bit per lane, set where the lane's top bit is.
LANES_INLINE int Signs(F a) { return _mm_movemask_ps(a.v[0]) | _mm_movemask_ps(a.v[1]) << 4; }

}  // namespace lanes
