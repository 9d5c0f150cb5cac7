#pragma once
// The ordered bone list with parents that a model binds its vertices to and that
// animations bind their bones to.
#include <memory>

#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"

struct SkeletonBone {
  RString name;    // lower case
  RString parent;  // lower case; empty for a root bone
};

class Skeleton {
 public:
  explicit Skeleton(RString name) : name_(std::move(name)) {}

  const RString& Name() const { return name_; }
  bool IsDiscrete() const { return discrete_; }
  void SetDiscrete(bool discrete) { discrete_ = discrete; }
  const RString& PivotsModel() const { return pivotsModel_; }
  void SetPivotsModel(RString name) { pivotsModel_ = std::move(name); }

  int NBones() const { return static_cast<int>(bones_.size()); }
  const SkeletonBone& Bone(int index) const { return bones_[static_cast<size_t>(index)]; }
  const AutoArray<SkeletonBone>& Bones() const { return bones_; }
  // Appends a bone; a name that is not lower case is reported with "Bone %s is not
  // lowercase" and stored lower-cased. Returns its index.
  int AddBone(RString name, RString parent);
  // The index of the bone `name` (compared ignoring ASCII case), -1 when none.
  int FindBone(std::string_view name) const;

  // Puts the bones in hierarchy order: parents are resolved ("%s: Invalid parent bone '%s'
  // for '%s'" for a parent that is no bone), the bones are listed depth first from the
  // top-level ones (children in list order), and bones no walk reaches (parent cycles) are
  // dropped with "Skeleton %s contains bones unaccessible by hierarchy chain (cycles?)".
  void Order();
  // The parent of each bone (-1 for a top-level bone), valid after Order.
  int ParentIndex(int bone) const {
    return bone >= 0 && static_cast<size_t>(bone) < parents_.size() ? parents_[static_cast<size_t>(bone)] : -1;
  }
  // Child counts in depth-first order: entry 0 the top-level count, entry i + 1 bone i's.
  const AutoArray<uint8_t>& Hierarchy() const { return hierarchy_; }
  // True when `ancestor` is `bone`'s parent, grandparent, ...
  bool IsAncestor(int ancestor, int bone) const;

  // One pivot point per bone, from the memory level of the pivots model; empty for a
  // skeleton without one.
  const AutoArray<Vector3>& Pivots() const { return pivots_; }
  void SetPivots(AutoArray<Vector3> pivots) { pivots_ = std::move(pivots); }
  // The bone whose translation the pivot adjustment of animations leaves alone (-1: none).
  int ExcludedBone() const { return excludedBone_; }
  void SetExcludedBone(int bone) { excludedBone_ = bone; }

  // Groups of bones that are always kept in one section together ("BoneGroups").
  const AutoArray<AutoArray<int>>& BoneGroups() const { return boneGroups_; }
  AutoArray<AutoArray<int>>& BoneGroups() { return boneGroups_; }

 private:
  RString name_;
  bool discrete_ = false;
  AutoArray<SkeletonBone> bones_;
  AutoArray<int> parents_;
  AutoArray<uint8_t> hierarchy_;
  AutoArray<AutoArray<int>> boneGroups_;
  RString pivotsModel_;
  AutoArray<Vector3> pivots_;
  int excludedBone_ = -1;
};

using SkeletonRef = std::shared_ptr<Skeleton>;
