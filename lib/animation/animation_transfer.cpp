// The runtime animation format ("BMTR"): one routine saves and loads it.
//
// Magic, version (2 stores its blocks with LZSS, 3 with LZO), turn-around flag, step,
// phase count, complete-load marker, transforms of phase 0, bone count, bone names, phase
// times, then phase 0 and, when the marker is above 0, phases 1 to n-1: each a compressed
// array of 14-byte transforms.
#include <algorithm>

#include "el/qstream/serialize_bin_stream.h"
#include "lib/animation/animation_rt.h"

namespace {

constexpr int kMagic = MakeMagic("BMTR");
constexpr int kOldestVersion = 2;
constexpr int kVersion = 3;
constexpr int kFirstLzoVersion = 3;

}  // namespace

class RuntimeAnimationTransfer {
 public:
  RuntimeAnimationTransfer(AnimationRT& animation, SerializeBinStream& f) : a_(animation), f_(f) {}

  void Transfer(SkeletonRef skeleton, bool phaseLimit) {
    if (f_.IsSaving() && !a_.CanSave()) {
      f_.SetError(SerializeBinStream::EGeneric);
      return;
    }
    if (!f_.TransferVersion(kMagic, kMagic)) {
      f_.SetError(SerializeBinStream::EFileStructure);
      return;
    }
    if (!f_.TransferVersion(kOldestVersion, kVersion)) {
      f_.SetError(SerializeBinStream::EBadVersion);
      return;
    }
    f_.SetLzoCompression(f_.GetVersion() >= kFirstLzoVersion);
    if (f_.IsLoading()) {
      a_.Reset(a_.name_, std::move(skeleton), a_.turnAround_);
      a_.sourceVersion_ = f_.GetVersion();
      a_.restLzo_ = f_.GetLzoCompression();
    }
    TransferHeader();
    if (!f_.Ok()) return;
    f_.TransferCompressedArray(a_.phaseTimes_, true);
    if (f_.IsSaving()) {
      SavePhases();
    } else {
      LoadPhases(phaseLimit);
    }
  }

  // The phases that the phase limit left out, from the position after the last one read.
  bool LoadRest() {
    f_.SetLzoCompression(a_.restLzo_);
    f_.SeekG(a_.restPosition_);
    while (f_.Ok() && a_.NLoadedPhases() < a_.nPhases_) LoadPhase();
    if (!f_.Ok()) return false;
    a_.partlyLoaded_ = false;
    a_.complete_ = a_.completeLoad_ > 0;
    return a_.complete_;
  }

 private:
  void TransferHeader() {
    uint8_t turnAround = a_.turnAround_ ? 1 : 0;
    f_.Transfer(turnAround);
    a_.turnAround_ = turnAround != 0;
    f_.Transfer(a_.step_);
    int32_t nPhases = a_.nPhases_;
    f_.Transfer(nPhases);
    a_.nPhases_ = nPhases;
    int32_t completeLoad = a_.completeLoad_;
    f_.Transfer(completeLoad);
    a_.completeLoad_ = completeLoad;
    int32_t phase0Transforms = a_.hasPhase0_ ? static_cast<int32_t>(a_.phase0_.transforms.size()) : 0;
    f_.Transfer(phase0Transforms);  // a load has no use for it
    int32_t boneCount = static_cast<int32_t>(a_.boneNames_.size());
    f_.Transfer(boneCount);
    if (!f_.Ok()) return;
    if (f_.IsLoading()) {
      // Each name takes at least its 0 byte.
      if (nPhases < 0 || boneCount < 0 || boneCount > f_.GetRest()) {
        f_.SetError(SerializeBinStream::EFileStructure);
        return;
      }
      a_.boneNames_.resize(static_cast<size_t>(boneCount));
    }
    for (RString& name : a_.boneNames_)
      if (!f_.TransferString(name)) return;
    if (f_.IsLoading()) RebuildBoneMap();
  }

  // One slot per skeleton bone: the file's index of the bone's name (the last when a name
  // stands twice); names the skeleton lacks keep their place in the phases.
  void RebuildBoneMap() {
    const Skeleton* skeleton = a_.skeleton_.get();
    a_.boneMap_.assign(skeleton ? static_cast<size_t>(skeleton->NBones()) : 0, -1);
    if (!skeleton) return;
    for (size_t i = 0; i < a_.boneNames_.size(); ++i) {
      int bone = skeleton->FindBone(a_.boneNames_[i]);
      if (bone >= 0) a_.boneMap_[static_cast<size_t>(bone)] = static_cast<int>(i);
    }
  }

  void SavePhases() {
    if (a_.hasPhase0_ && !f_.TransferCompressedArray(a_.phase0_.transforms, true)) return;
    for (AnimationRTPhase& phase : a_.phases_)
      if (!f_.TransferCompressedArray(phase.transforms, true)) return;
  }

  void LoadPhase() {
    AnimationRTPhase phase;
    if (!f_.TransferCompressedArray(phase.transforms, true)) return;
    a_.ApplyPivots(phase);
    a_.AddPhase(std::move(phase));
  }

  void LoadPhases(bool phaseLimit) {
    if (!f_.Ok()) return;
    if (a_.nPhases_ > 0) LoadPhase();
    if (!f_.Ok()) return;
    if (a_.nPhases_ > 0 && a_.completeLoad_ > 0) {
      int64_t rest = static_cast<int64_t>(a_.nPhases_) - 1;
      if (phaseLimit) {
        int64_t bytesPerPhase = static_cast<int64_t>(a_.phase0_.transforms.size()) * 14 + 4;
        int64_t allowed = AnimationRT::kPhaseLimitBytes / bytesPerPhase;
        if (rest > allowed) {
          rest = allowed;
          a_.partlyLoaded_ = true;
        }
      }
      // Each phase takes at least its count.
      a_.phases_.reserve(static_cast<size_t>(std::min<int64_t>(rest, f_.GetRest() / 4)));
      for (int64_t i = 0; i < rest && f_.Ok(); ++i) LoadPhase();
      a_.restPosition_ = f_.TellG();
    }
    a_.complete_ = f_.Ok() && a_.completeLoad_ > 0 && !a_.partlyLoaded_;
  }

  AnimationRT& a_;
  SerializeBinStream& f_;
};

bool AnimationRT::CanSave() const {
  return !partlyLoaded_ && complete_ && nPhases_ >= 0 && NLoadedPhases() == nPhases_;
}

void AnimationRT::SerializeBin(SerializeBinStream& f, SkeletonRef skeleton, bool phaseLimit) {
  RuntimeAnimationTransfer(*this, f).Transfer(std::move(skeleton), phaseLimit);
}

bool AnimationRT::CompleteRuntimeLoad(QIStream& in) {
  SerializeBinStream f(&in);
  return RuntimeAnimationTransfer(*this, f).LoadRest();
}
