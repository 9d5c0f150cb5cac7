#pragma once
// The shared skeletons, by name: each is made from the configuration on first use and
// handed out to every model and animation that names it afterwards.
#include <string_view>

#include "lib/shape/skeleton.h"

class ParamFile;

class SkeletonBank {
 public:
  // The skeleton `name` (ASCII case ignored). On first use it is read from the
  // "CfgSkeletons" of `modelConfig` (may be null) or, with "Obsolete CfgSkeletons for %s,
  // move to model.cfg", from that of the global configuration; its pivots are loaded when
  // it names a pivots model.
  SkeletonRef Get(std::string_view name, const ParamFile* modelConfig = nullptr);
  // The cached skeleton `name`, or null.
  SkeletonRef Find(std::string_view name) const;
  // Forgets every skeleton (those still referenced stay alive with their holders).
  void Clear() { skeletons_.clear(); }
  int Count() const { return static_cast<int>(skeletons_.size()); }

 private:
  AutoArray<SkeletonRef> skeletons_;
};

// The process-wide skeleton cache.
SkeletonBank& Skeletons();

// Loads the pivot points of `skeleton` from its pivots model: for each bone the position
// of the memory level's named point of the bone's name, else its parent's pivot, else the
// origin. A model without a memory level gives "Missing Memory level in skeleton pivots
// file %s." and no pivots. Does nothing for a skeleton without a pivots model.
void LoadSkeletonPivots(Skeleton& skeleton);
