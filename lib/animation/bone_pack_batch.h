#pragma once
// The builds of PackRelativeBoneMatrices for each instruction set, for tests that compare
// them; PackRelativeBoneMatrices picks the best the processor has.
#include <cstddef>

#include "lib/animation/bone_transform.h"

// The AVX2 build exists and the processor runs it.
bool HasAvx2Packing();
void PackRelativeBoneMatricesSse2(const char* const* parents, const char* const* models,
                                  PackedBoneTransform* transforms, size_t count);
// Only where HasAvx2Packing().
void PackRelativeBoneMatricesAvx2(const char* const* parents, const char* const* models,
                                  PackedBoneTransform* transforms, size_t count);
