// Arbitrary bytes through the runtime animation loader, with and without the phase limit.
#include <cstdint>

#include "fuzz/animation/animation_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SkeletonRef& skeleton = FuzzSkeleton();
  for (bool limit : {false, true}) {
    QIStrStream in(data, static_cast<QFileSize>(size));
    SerializeBinStream f(&in);
    AnimationRT animation;
    animation.SerializeBin(f, skeleton, limit);
    if (!f.Ok()) continue;
    if (limit) animation.CompleteLoad(in);
    CheckSavesAndLoadsAgain(animation);
  }
  return 0;
}
