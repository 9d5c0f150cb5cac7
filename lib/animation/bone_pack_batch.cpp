// Making and packing many parent-relative bone matrices at once, in the lanes of vector
// registers: AVX2 where the processor has it, else SSE2 (see bone_pack_lanes.h).
#include "lib/animation/bone_pack_batch.h"

#include <algorithm>

#if defined(__SSE2__)
#include "lib/animation/bone_pack_lanes.h"

void PackRelativeBoneMatricesSse2(const char* const* parents, const char* const* models,
                                  PackedBoneTransform* transforms, size_t count) {
  PackInLanes(parents, models, transforms, count);
}

bool HasAvx2Packing() {
#if defined(KLN_AVX2_PACKING)
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
#else
  return false;
#endif
}

void PackRelativeBoneMatrices(const char* const* parents, const char* const* models, PackedBoneTransform* transforms,
                              size_t count) {
#if defined(KLN_AVX2_PACKING)
  if (HasAvx2Packing()) return PackRelativeBoneMatricesAvx2(parents, models, transforms, count);
#endif
  PackInLanes(parents, models, transforms, count);
}

#else

#include <cstring>

namespace {

Matrix4 MatrixAt(const char* bytes) {
  Matrix4 matrix;
  std::memcpy(&matrix, bytes, sizeof matrix);
  return matrix;
}

}  // namespace

bool HasAvx2Packing() { return false; }

// One at a time.
void PackRelativeBoneMatricesSse2(const char* const* parents, const char* const* models,
                                  PackedBoneTransform* transforms, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const Matrix4 model = MatrixAt(models[i]);
    transforms[i] = PackBoneMatrix(parents[i] ? MultiplyMatrices(InverseMatrix(MatrixAt(parents[i])), model) : model);
  }
}

void PackRelativeBoneMatrices(const char* const* parents, const char* const* models, PackedBoneTransform* transforms,
                              size_t count) {
  PackRelativeBoneMatricesSse2(parents, models, transforms, count);
}

#endif

void PackBoneMatrices(const Matrix4* matrices, PackedBoneTransform* transforms, size_t count) {
  constexpr size_t kChunk = 64;
  const char* parents[kChunk] = {};
  const char* models[kChunk];
  for (size_t start = 0; start < count; start += kChunk) {
    const size_t n = std::min(kChunk, count - start);
    for (size_t i = 0; i < n; ++i) models[i] = reinterpret_cast<const char*>(matrices + start + i);
    PackRelativeBoneMatrices(parents, models, transforms + start, n);
  }
}
