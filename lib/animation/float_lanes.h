#pragma once
// Floats (or 32-bit integers) in two vector registers, worked on side by side: each
// operation is the processor's single-precision (or integer) operation in every lane, so a
// lane gives exactly what the same operation gives on one value. Two registers per value
// let the processor overlap two independent chains of long operations (division, square
// root). Comparisons give masks: all bits set in the lanes where they hold.
//
// A file compiled for AVX2 gets registers of 8 lanes, any other one SSE2 registers of 4;
// everything here has internal linkage, so that both can live in one program.
#include <cstdint>

#if defined(__AVX2__)
#include <immintrin.h>
#else
#include <emmintrin.h>
#endif

// Each operation is a handful of instructions that must not become a call: values of two
// registers would go through memory.
#define LANES_INLINE inline __attribute__((always_inline))

namespace lanes {
namespace {

// One register and its operations.
#if defined(__AVX2__)
using Reg = __m256;
using IReg = __m256i;
constexpr int kRegisterLanes = 8;
LANES_INLINE Reg Splat1(float v) { return _mm256_set1_ps(v); }
LANES_INLINE IReg Splat1(int v) { return _mm256_set1_epi32(v); }
LANES_INLINE Reg Add(Reg x, Reg y) { return _mm256_add_ps(x, y); }
LANES_INLINE Reg Sub(Reg x, Reg y) { return _mm256_sub_ps(x, y); }
LANES_INLINE Reg Mul(Reg x, Reg y) { return _mm256_mul_ps(x, y); }
LANES_INLINE Reg Div(Reg x, Reg y) { return _mm256_div_ps(x, y); }
LANES_INLINE Reg Sqrt1(Reg x) { return _mm256_sqrt_ps(x); }
// The predicates of the SSE comparisons: ordered ones are false for not a number.
LANES_INLINE Reg Gt(Reg x, Reg y) { return _mm256_cmp_ps(x, y, _CMP_GT_OS); }
LANES_INLINE Reg Lt(Reg x, Reg y) { return _mm256_cmp_ps(x, y, _CMP_LT_OS); }
LANES_INLINE Reg Ge(Reg x, Reg y) { return _mm256_cmp_ps(x, y, _CMP_GE_OS); }
LANES_INLINE Reg Le(Reg x, Reg y) { return _mm256_cmp_ps(x, y, _CMP_LE_OS); }
LANES_INLINE Reg Ne(Reg x, Reg y) { return _mm256_cmp_ps(x, y, _CMP_NEQ_UQ); }
LANES_INLINE Reg Ord(Reg x, Reg y) { return _mm256_cmp_ps(x, y, _CMP_ORD_Q); }
LANES_INLINE Reg And(Reg x, Reg y) { return _mm256_and_ps(x, y); }
LANES_INLINE Reg Or(Reg x, Reg y) { return _mm256_or_ps(x, y); }
LANES_INLINE Reg Xor(Reg x, Reg y) { return _mm256_xor_ps(x, y); }
LANES_INLINE Reg AndNot1(Reg x, Reg y) { return _mm256_andnot_ps(x, y); }
LANES_INLINE IReg Add(IReg x, IReg y) { return _mm256_add_epi32(x, y); }
LANES_INLINE IReg Sub(IReg x, IReg y) { return _mm256_sub_epi32(x, y); }
LANES_INLINE IReg And(IReg x, IReg y) { return _mm256_and_si256(x, y); }
LANES_INLINE IReg Or(IReg x, IReg y) { return _mm256_or_si256(x, y); }
LANES_INLINE IReg AndNot1(IReg x, IReg y) { return _mm256_andnot_si256(x, y); }
LANES_INLINE IReg Gt(IReg x, IReg y) { return _mm256_cmpgt_epi32(x, y); }
template <int kBits>
LANES_INLINE IReg Sll(IReg x) {
  return _mm256_slli_epi32(x, kBits);
}
template <int kBits>
LANES_INLINE IReg Srl(IReg x) {
  return _mm256_srli_epi32(x, kBits);
}
LANES_INLINE IReg AsInt(Reg x) { return _mm256_castps_si256(x); }
LANES_INLINE Reg AsFloat(IReg x) { return _mm256_castsi256_ps(x); }
LANES_INLINE IReg Trunc(Reg x) { return _mm256_cvttps_epi32(x); }
LANES_INLINE Reg Convert(IReg x) { return _mm256_cvtepi32_ps(x); }
LANES_INLINE void Store1(float* out, Reg x) { _mm256_storeu_ps(out, x); }
LANES_INLINE void Store1(int32_t* out, IReg x) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), x); }
LANES_INLINE IReg Load1(const int32_t* in) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)); }
LANES_INLINE int Signs1(Reg x) { return _mm256_movemask_ps(x); }
#else
using Reg = __m128;
using IReg = __m128i;
constexpr int kRegisterLanes = 4;
LANES_INLINE Reg Splat1(float v) { return _mm_set1_ps(v); }
LANES_INLINE IReg Splat1(int v) { return _mm_set1_epi32(v); }
LANES_INLINE Reg Add(Reg x, Reg y) { return _mm_add_ps(x, y); }
LANES_INLINE Reg Sub(Reg x, Reg y) { return _mm_sub_ps(x, y); }
LANES_INLINE Reg Mul(Reg x, Reg y) { return _mm_mul_ps(x, y); }
LANES_INLINE Reg Div(Reg x, Reg y) { return _mm_div_ps(x, y); }
LANES_INLINE Reg Sqrt1(Reg x) { return _mm_sqrt_ps(x); }
LANES_INLINE Reg Gt(Reg x, Reg y) { return _mm_cmpgt_ps(x, y); }
LANES_INLINE Reg Lt(Reg x, Reg y) { return _mm_cmplt_ps(x, y); }
LANES_INLINE Reg Ge(Reg x, Reg y) { return _mm_cmpge_ps(x, y); }
LANES_INLINE Reg Le(Reg x, Reg y) { return _mm_cmple_ps(x, y); }
LANES_INLINE Reg Ne(Reg x, Reg y) { return _mm_cmpneq_ps(x, y); }
LANES_INLINE Reg Ord(Reg x, Reg y) { return _mm_cmpord_ps(x, y); }
LANES_INLINE Reg And(Reg x, Reg y) { return _mm_and_ps(x, y); }
LANES_INLINE Reg Or(Reg x, Reg y) { return _mm_or_ps(x, y); }
LANES_INLINE Reg Xor(Reg x, Reg y) { return _mm_xor_ps(x, y); }
LANES_INLINE Reg AndNot1(Reg x, Reg y) { return _mm_andnot_ps(x, y); }
LANES_INLINE IReg Add(IReg x, IReg y) { return _mm_add_epi32(x, y); }
LANES_INLINE IReg Sub(IReg x, IReg y) { return _mm_sub_epi32(x, y); }
LANES_INLINE IReg And(IReg x, IReg y) { return _mm_and_si128(x, y); }
LANES_INLINE IReg Or(IReg x, IReg y) { return _mm_or_si128(x, y); }
LANES_INLINE IReg AndNot1(IReg x, IReg y) { return _mm_andnot_si128(x, y); }
LANES_INLINE IReg Gt(IReg x, IReg y) { return _mm_cmpgt_epi32(x, y); }
template <int kBits>
LANES_INLINE IReg Sll(IReg x) {
  return _mm_slli_epi32(x, kBits);
}
template <int kBits>
LANES_INLINE IReg Srl(IReg x) {
  return _mm_srli_epi32(x, kBits);
}
LANES_INLINE IReg AsInt(Reg x) { return _mm_castps_si128(x); }
LANES_INLINE Reg AsFloat(IReg x) { return _mm_castsi128_ps(x); }
LANES_INLINE IReg Trunc(Reg x) { return _mm_cvttps_epi32(x); }
LANES_INLINE Reg Convert(IReg x) { return _mm_cvtepi32_ps(x); }
LANES_INLINE void Store1(float* out, Reg x) { _mm_storeu_ps(out, x); }
LANES_INLINE void Store1(int32_t* out, IReg x) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), x); }
LANES_INLINE IReg Load1(const int32_t* in) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(in)); }
LANES_INLINE int Signs1(Reg x) { return _mm_movemask_ps(x); }
#endif

constexpr int kHalves = 2;
constexpr int kWidth = kRegisterLanes * kHalves;

struct F {
  Reg v[kHalves];
};

struct I {
  IReg v[kHalves];
};

#define LANES_EACH(Type, expression)                                             \
  Type r;                                                                        \
  _Pragma("GCC unroll 2") for (int h = 0; h < kHalves; ++h) r.v[h] = expression; \
  return r

LANES_INLINE F Splat(float value) { LANES_EACH(F, Splat1(value)); }
LANES_INLINE I Splat(int value) { LANES_EACH(I, Splat1(value)); }

LANES_INLINE F operator+(F a, F b) { LANES_EACH(F, Add(a.v[h], b.v[h])); }
LANES_INLINE F operator-(F a, F b) { LANES_EACH(F, Sub(a.v[h], b.v[h])); }
LANES_INLINE F operator*(F a, F b) { LANES_EACH(F, Mul(a.v[h], b.v[h])); }
LANES_INLINE F operator/(F a, F b) { LANES_EACH(F, Div(a.v[h], b.v[h])); }
LANES_INLINE F Sqrt(F a) { LANES_EACH(F, Sqrt1(a.v[h])); }

LANES_INLINE F Greater(F a, F b) { LANES_EACH(F, Gt(a.v[h], b.v[h])); }
LANES_INLINE F Less(F a, F b) { LANES_EACH(F, Lt(a.v[h], b.v[h])); }
LANES_INLINE F GreaterOrEqual(F a, F b) { LANES_EACH(F, Ge(a.v[h], b.v[h])); }
LANES_INLINE F LessOrEqual(F a, F b) { LANES_EACH(F, Le(a.v[h], b.v[h])); }
// Not equal, or not a number.
LANES_INLINE F NotEqual(F a, F b) { LANES_EACH(F, Ne(a.v[h], b.v[h])); }
// Neither is not a number.
LANES_INLINE F Ordered(F a, F b) { LANES_EACH(F, Ord(a.v[h], b.v[h])); }

LANES_INLINE F operator&(F a, F b) { LANES_EACH(F, And(a.v[h], b.v[h])); }
LANES_INLINE F operator|(F a, F b) { LANES_EACH(F, Or(a.v[h], b.v[h])); }
LANES_INLINE F operator^(F a, F b) { LANES_EACH(F, Xor(a.v[h], b.v[h])); }
// `b` where `a` is clear.
LANES_INLINE F AndNot(F a, F b) { LANES_EACH(F, AndNot1(a.v[h], b.v[h])); }
// `mask` lanes from `yes`, the others from `no`.
LANES_INLINE F Select(F mask, F yes, F no) { return (mask & yes) | AndNot(mask, no); }

LANES_INLINE I operator+(I a, I b) { LANES_EACH(I, Add(a.v[h], b.v[h])); }
LANES_INLINE I operator-(I a, I b) { LANES_EACH(I, Sub(a.v[h], b.v[h])); }
LANES_INLINE I operator&(I a, I b) { LANES_EACH(I, And(a.v[h], b.v[h])); }
LANES_INLINE I operator|(I a, I b) { LANES_EACH(I, Or(a.v[h], b.v[h])); }
LANES_INLINE I AndNot(I a, I b) { LANES_EACH(I, AndNot1(a.v[h], b.v[h])); }
LANES_INLINE I Select(I mask, I yes, I no) { return (mask & yes) | AndNot(mask, no); }
LANES_INLINE I Greater(I a, I b) { LANES_EACH(I, Gt(a.v[h], b.v[h])); }
LANES_INLINE I Less(I a, I b) { LANES_EACH(I, Gt(b.v[h], a.v[h])); }

template <int kBits>
LANES_INLINE I ShiftLeft(I a) {
  LANES_EACH(I, Sll<kBits>(a.v[h]));
}
template <int kBits>
LANES_INLINE I ShiftRight(I a) {  // logical
  LANES_EACH(I, Srl<kBits>(a.v[h]));
}

// The same bits as the other kind.
LANES_INLINE I Bits(F a) { LANES_EACH(I, AsInt(a.v[h])); }
LANES_INLINE F Floats(I a) { LANES_EACH(F, AsFloat(a.v[h])); }
// Towards zero (only for values inside the int32 range).
LANES_INLINE I Truncate(F a) { LANES_EACH(I, Trunc(a.v[h])); }
LANES_INLINE F ToFloat(I a) { LANES_EACH(F, Convert(a.v[h])); }
// kWidth integers.
LANES_INLINE I Load(const int32_t* in) { LANES_EACH(I, Load1(in + kRegisterLanes * h)); }

#undef LANES_EACH

// kWidth values.
LANES_INLINE void Store(float* out, F a) {
#pragma GCC unroll 2
  for (int h = 0; h < kHalves; ++h) Store1(out + kRegisterLanes * h, a.v[h]);
}
LANES_INLINE void Store(int32_t* out, I a) {
#pragma GCC unroll 2
  for (int h = 0; h < kHalves; ++h) Store1(out + kRegisterLanes * h, a.v[h]);
}
// One bit per lane, set where the lane's top bit is.
LANES_INLINE int Signs(F a) {
  int bits = 0;
#pragma GCC unroll 2
  for (int h = 0; h < kHalves; ++h) bits |= Signs1(a.v[h]) << (kRegisterLanes * h);
  return bits;
}

}  // namespace
}  // namespace lanes
