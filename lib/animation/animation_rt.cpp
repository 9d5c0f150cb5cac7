#include "lib/animation/animation_rt.h"

#include <cstring>

#include "el/appframe/app_frame.h"
#include "el/qstream/qo_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"

void AnimationRT::Reset(const RString& name, SkeletonRef skeleton, bool turnAround) {
  *this = AnimationRT();
  name_ = name;
  skeleton_ = std::move(skeleton);
  turnAround_ = turnAround;
}

void AnimationRT::MakeEmpty() {
  phaseTimes_.assign(1, 0.0f);
  phase0_ = {};
  hasPhase0_ = true;
  phases_.clear();
  boneNames_.clear();
  boneMap_.assign(skeleton_ ? static_cast<size_t>(skeleton_->NBones()) : 0, -1);
  step_ = {};
  nPhases_ = 1;
  complete_ = false;
}

void AnimationRT::AddPhase(AnimationRTPhase phase) {
  if (!hasPhase0_) {
    phase0_ = std::move(phase);
    hasPhase0_ = true;
  } else {
    phases_.push_back(std::move(phase));
  }
}

float AnimationRT::PhaseTime(int index) const {
  return index >= 0 && static_cast<size_t>(index) < phaseTimes_.size() ? phaseTimes_[static_cast<size_t>(index)] : 0.0f;
}

const AnimationRTPhase* AnimationRT::Phase(int index) const {
  if (index < 0 || index >= NLoadedPhases()) return nullptr;
  return index == 0 && hasPhase0_ ? &phase0_ : &phases_[static_cast<size_t>(index - (hasPhase0_ ? 1 : 0))];
}

const PackedBoneTransform* AnimationRT::Transform(int phase, int bone) const {
  const AnimationRTPhase* p = Phase(phase);
  if (!p || bone < 0 || static_cast<size_t>(bone) >= boneMap_.size()) return nullptr;
  int k = boneMap_[static_cast<size_t>(bone)];
  if (k < 0 || static_cast<size_t>(k) >= p->transforms.size()) return nullptr;
  return &p->transforms[static_cast<size_t>(k)];
}

void AnimationRT::ApplyPivots(AnimationRTPhase& phase) const {
  if (!skeleton_) return;
  const AutoArray<Vector3>& pivots = skeleton_->Pivots();
  size_t count = std::min(pivots.size(), boneMap_.size());
  for (size_t s = 0; s < count; ++s) {
    int k = boneMap_[s];
    if (k < 0 || static_cast<size_t>(k) >= phase.transforms.size() || static_cast<int>(s) == skeleton_->ExcludedBone())
      continue;
    PackedBoneTransform& transform = phase.transforms[static_cast<size_t>(k)];
    Vector3 moved = TransformPoint(UnpackBoneMatrix(transform), pivots[s]);
    transform.tx = EncodeHalfFloat(moved.x);
    transform.ty = EncodeHalfFloat(moved.y);
    transform.tz = EncodeHalfFloat(moved.z);
  }
}

int SaveAnimation(AnimationRT& animation, QOStream& out) {
  SerializeBinStream f(&out);
  animation.SerializeBin(f, animation.GetSkeleton());
  if (f.Ok() && out.fail()) f.SetError(SerializeBinStream::EGeneric);
  return f.GetError();
}

bool SaveAnimation(AnimationRT& animation, const RString& path) {
  QOFStream out;
  if (!out.OpenAtomic(path)) {
    ErrorMessage("Cannot write %s: %s", path.c_str(), std::strerror(out.GetErrorCode()));
    return false;
  }
  int error = SaveAnimation(animation, out);
  if (error != SerializeBinStream::EOK) {
    out.Discard();
    ErrorMessage("Cannot save %s (error %d)", path.c_str(), error);
    return false;
  }
  if (!out.Close()) {
    ErrorMessage("Cannot write %s: %s", path.c_str(), std::strerror(out.GetErrorCode()));
    return false;
  }
  return true;
}
