#pragma once
// Shared pieces of the animation fuzz targets: a quiet run, the skeleton every input is
// bound to, and the check that what loads completely saves and loads again.
#include <cstdlib>
#include <string>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/animation/animation_rt.h"

inline const SkeletonRef& FuzzSkeleton() {
  static const SkeletonRef skeleton = [] {
    SetNoLogs(true);
    auto made = std::make_shared<Skeleton>("fuzz");
    made->AddBone("pelvis", "");
    made->AddBone("spine", "pelvis");
    made->AddBone("head", "spine");
    made->AddBone("arm", "spine");
    made->Order();
    made->SetPivots({{0, 1, 0}, {0, 1.5f, 0}, {0, 1.8f, 0}, {0.3f, 1.5f, 0}});
    made->SetExcludedBone(0);
    return made;
  }();
  return skeleton;
}

inline void CheckSavesAndLoadsAgain(AnimationRT& animation) {
  for (int i = 0; i < animation.NLoadedPhases(); ++i)
    if (!animation.Phase(i)) std::abort();
  if (!animation.IsComplete() || animation.IsPartlyLoaded()) return;
  QOStrStream out;
  if (SaveAnimation(animation, out) != 0) std::abort();
  std::string saved = out.Str();
  QIStrStream in(saved.data(), static_cast<QFileSize>(saved.size()));
  SerializeBinStream f(&in);
  AnimationRT again;
  again.SerializeBin(f, nullptr);
  if (!f.Ok() || again.NLoadedPhases() != animation.NLoadedPhases() || again.BoneNames() != animation.BoneNames())
    std::abort();
}
