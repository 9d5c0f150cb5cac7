// Arbitrary bytes through the source animation reader (which hands files of another magic
// to the runtime loader), then the completion of a deferred load.
#include <cstdint>

#include "fuzz/animation/animation_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SkeletonRef& skeleton = FuzzSkeleton();
  QIStrStream in(data, static_cast<QFileSize>(size));
  AnimationRT animation;
  animation.Load(in, "fuzz.rtm", skeleton, size % 2 == 1);
  animation.CompleteLoad(in);
  CheckSavesAndLoadsAgain(animation);
  return 0;
}
