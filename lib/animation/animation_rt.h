#pragma once
// AnimationRT: a skeletal animation bound to a skeleton.
//
// A list of phases (key frames), each one transform per bone of the file that the
// skeleton knows, plus the time of each phase and the step (the displacement one cycle
// covers). It is read from a source animation ("RTM_0101", "RTM_0100") or from the
// runtime format ("BMTR"), and saved in the runtime format. Reading never fails outright:
// a file that cannot be used leaves a valid object and a message.
#include <cstdint>
#include <memory>

#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"
#include "lib/animation/bone_transform.h"
#include "lib/shape/skeleton.h"

class QIStream;
class SerializeBinStream;

struct AnimationRTPhase {
  AutoArray<PackedBoneTransform> transforms;  // indexed like the bone-name list
};

class AnimationRT {
 public:
  // A phase read from a runtime file with the phase limit holds at most this many bytes
  // of phases after the first.
  static constexpr int kPhaseLimitBytes = 524288;

  AnimationRT() = default;

  // Reads the file `name` (an engine path) bound to `skeleton`: a source animation, or a
  // runtime one. `turnAround` turns every matrix half a turn about y; `phaseLimit` bounds
  // the phases a runtime file gives at once. A source file of 4 phases or more keeps only
  // its first phase until CompleteLoad.
  void Load(const RString& name, SkeletonRef skeleton, bool turnAround, bool phaseLimit = false);
  // The same for a stream already open (a memory buffer, a file); `name` is used in
  // messages and by CompleteLoad, which reopens it.
  void Load(QIStream& in, const RString& name, SkeletonRef skeleton, bool turnAround, bool phaseLimit = false);
  // Load and CompleteLoad of the file `name` in one pass over it, for a caller that needs
  // every phase at once (a conversion). Returns IsComplete().
  bool LoadComplete(const RString& name, SkeletonRef skeleton, bool turnAround);
  // Reads the phases the first read left out, from the file of Name() or from `in` (the
  // stream the animation was read from). Returns true when every phase is in memory.
  bool CompleteLoad();
  bool CompleteLoad(QIStream& in);

  // Saves or loads the animation in the runtime format, in the stream's direction. Load
  // rebuilds the bone map against `skeleton` and applies its pivots. The stream's error
  // tells the outcome: 1 or 4 bad magic, 3 bad version, 6 a partly loaded animation that
  // may not be saved.
  void SerializeBin(SerializeBinStream& f, SkeletonRef skeleton, bool phaseLimit = false);

  const RString& Name() const { return name_; }
  const Vector3& Step() const { return step_; }
  int NPhases() const { return nPhases_; }
  // Loaded phase times in file order.
  const AutoArray<float>& PhaseTimes() const { return phaseTimes_; }
  // The time of phase `index`, 0 when it is not loaded.
  float PhaseTime(int index) const;
  // Phases in memory: the first, then the rest in order.
  int NLoadedPhases() const { return (hasPhase0_ ? 1 : 0) + static_cast<int>(phases_.size()); }
  // Phase `index` (0 to NLoadedPhases() - 1), or null.
  const AnimationRTPhase* Phase(int index) const;
  const AutoArray<RString>& BoneNames() const { return boneNames_; }
  // One slot per skeleton bone: the index into BoneNames() (and every phase), or -1.
  const AutoArray<int>& BoneMap() const { return boneMap_; }
  // The transform of skeleton bone `bone` in phase `phase`, or null.
  const PackedBoneTransform* Transform(int phase, int bone) const;
  const SkeletonRef& GetSkeleton() const { return skeleton_; }

  bool TurnAround() const { return turnAround_; }
  // Above 0 once every phase has been asked for.
  int CompleteLoadMarker() const { return completeLoad_; }
  bool IsComplete() const { return complete_; }
  // The phase limit of a runtime load cut the list: the rest is still in the file.
  bool IsPartlyLoaded() const { return partlyLoaded_; }
  // 0 for a source file, else the runtime version read.
  int SourceVersion() const { return sourceVersion_; }
  // The source file was of the older version ("RTM_0100").
  bool IsOldFormat() const { return oldFormat_; }

  // Moves the translation of every bound transform of `phase` to where the transform
  // takes the bone's pivot (nothing for a skeleton without pivots).
  void ApplyPivots(AnimationRTPhase& phase) const;

 private:
  friend class SourceAnimationReader;
  friend class RuntimeAnimationTransfer;

  // Back to a new object bound to `skeleton`.
  void Reset(const RString& name, SkeletonRef skeleton, bool turnAround);
  // The one-phase animation of a missing or empty file.
  void MakeEmpty();
  // Appends a loaded phase.
  void AddPhase(AnimationRTPhase phase);
  // Reads the phases of a runtime file that the phase limit left out.
  bool CompleteRuntimeLoad(QIStream& in);
  // Every phase is in memory and may be saved.
  bool CanSave() const;

  RString name_;
  SkeletonRef skeleton_;
  Vector3 step_;
  int nPhases_ = 0;
  AutoArray<float> phaseTimes_;
  AnimationRTPhase phase0_;
  bool hasPhase0_ = false;
  AutoArray<AnimationRTPhase> phases_;  // phases 1 to n-1
  bool partlyLoaded_ = false;
  AutoArray<RString> boneNames_;
  AutoArray<int> boneMap_;
  bool turnAround_ = false;
  int completeLoad_ = 0;
  bool complete_ = false;
  int sourceVersion_ = 0;
  bool oldFormat_ = false;
  bool broken_ = false;    // a phase could not be read: reading stopped there
  bool deferred_ = false;  // a source file whose phases after the first wait for CompleteLoad
  // Where the phases of a runtime file that the phase limit left out start.
  QFileSize restPosition_ = 0;
  bool restLzo_ = false;
};

using AnimationRTRef = std::shared_ptr<AnimationRT>;

// Saves `animation` in the runtime format to `out`; returns the stream's error code
// (0 on success). A partly loaded animation gives 6 and nothing is written.
class QOStream;
int SaveAnimation(AnimationRT& animation, QOStream& out);
// Saves `animation` to the engine path `path` through a temporary file renamed into place;
// reports "Cannot write %s (error %d)" or "Cannot save %s (error %d)" and returns false on
// failure.
bool SaveAnimation(AnimationRT& animation, const RString& path);
