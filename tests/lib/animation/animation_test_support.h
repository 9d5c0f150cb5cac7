#pragma once
// Shared pieces of the animation tests: skeletons, generated source files, reading them.
#include <string>
#include <vector>

#include "el/qstream/qi_stream.h"
#include "lib/animation/animation_rt.h"
#include "lib/animation/testing/rtm_writer.h"

namespace animation_test {

// An ordered skeleton of (bone, parent) pairs.
inline SkeletonRef MakeSkeleton(const std::vector<std::pair<std::string, std::string>>& bones) {
  auto skeleton = std::make_shared<Skeleton>("test");
  for (const auto& [bone, parent] : bones) skeleton->AddBone(bone, parent);
  skeleton->Order();
  return skeleton;
}

// Reads `bytes` as a file named "test.rtm" and, unless told otherwise, completes the load.
inline AnimationRT Read(const std::string& bytes, const SkeletonRef& skeleton, bool turnAround = false,
                        bool complete = true) {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  AnimationRT animation;
  animation.Load(in, "test.rtm", skeleton, turnAround);
  if (complete) animation.CompleteLoad(in);
  return animation;
}

inline Vector3 Translation(const PackedBoneTransform& t) {
  return {DecodeHalfFloat(t.tx), DecodeHalfFloat(t.ty), DecodeHalfFloat(t.tz)};
}

}  // namespace animation_test
