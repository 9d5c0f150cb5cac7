// The AVX2 build of the lane code of packing bone matrices; this file alone is compiled
// for AVX2 (without fused multiply-add), and only called where the processor has it.
#include "lib/animation/bone_pack_batch.h"
#include "lib/animation/bone_pack_lanes.h"

void PackRelativeBoneMatricesAvx2(const char* const* parents, const char* const* models,
                                  PackedBoneTransform* transforms, size_t count) {
  PackInLanes(parents, models, transforms, count);
}
