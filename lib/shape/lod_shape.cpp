#include "lib/shape/lod_shape.h"

#include "lib/shape/lod_kind.h"

LODShape::LODShape() = default;
LODShape::~LODShape() = default;

void LODShape::Reset() {
  RString name = std::move(name_);
  int bones = targetBonesInterval_;
  lods_.clear();
  resolutions_.clear();
  special_ = {};
  bounds_ = {};
  propertyValues_ = {};
  config_ = {};
  masses_.clear();
  clipAnd_ = clipOr_ = specialFlags_ = 0;
  mirrored_ = false;
  animationType_ = ModelAnimationType::None;
  shaderMarker_ = 0;
  color_ = colorTop_ = 0xFFFFFFFFu;
  viewDensity_ = 0.0f;
  sourceInfo_ = {};
  name_ = std::move(name);
  targetBonesInterval_ = bones;
}

bool LODShape::AddLod(ShapeRef lod, float resolution) {
  if (NLods() >= kMaxLods) return false;
  lods_.push_back(std::move(lod));
  resolutions_.push_back(resolution);
  RecomputeSpecialIndices();
  return true;
}

void LODShape::SetLod(int index, ShapeRef lod) { lods_[static_cast<size_t>(index)] = std::move(lod); }

void LODShape::SetResolution(int index, float resolution) {
  resolutions_[static_cast<size_t>(index)] = resolution;
  RecomputeSpecialIndices();
}

void LODShape::RemoveLod(int index) {
  lods_.erase(lods_.begin() + index);
  resolutions_.erase(resolutions_.begin() + index);
  RecomputeSpecialIndices();
}

int LODShape::FindLod(float resolution) const {
  for (int i = 0; i < NLods(); ++i)
    if (ResolutionMatches(resolutions_[static_cast<size_t>(i)], resolution)) return i;
  return -1;
}

Shape* LODShape::GeometryLod() const {
  return special_.geometry >= 0 ? lods_[static_cast<size_t>(special_.geometry)].get() : nullptr;
}

void LODShape::RecomputeSpecialIndices() {
  using namespace lod_resolution;
  SpecialLodIndices& s = special_;
  int limit = s.shadowLodLimit;
  s = {};
  s.shadowLodLimit = limit;
  struct Slot {
    float value;
    int SpecialLodIndices::*index;
  };
  static constexpr Slot kSlots[] = {
      {kMemory, &SpecialLodIndices::memory},
      {kGeometry, &SpecialLodIndices::geometry},
      {kGeometrySimple, &SpecialLodIndices::geometrySimple},
      {kGeometryFire, &SpecialLodIndices::geometryFire},
      {kGeometryView, &SpecialLodIndices::geometryView},
      {kGeometryViewPilot, &SpecialLodIndices::geometryViewPilot},
      {kGeometryViewGunner, &SpecialLodIndices::geometryViewGunner},
      {kGeometryViewCargo, &SpecialLodIndices::geometryViewCargo},
      {kLandContact, &SpecialLodIndices::landContact},
      {kRoadway, &SpecialLodIndices::roadway},
      {kPaths, &SpecialLodIndices::paths},
      {kHitpoints, &SpecialLodIndices::hitpoints},
      {kWreck, &SpecialLodIndices::wreck},
      {kShadowVolumeViewCargo, &SpecialLodIndices::shadowVolumeViewCargo},
      {kShadowVolumeViewPilot, &SpecialLodIndices::shadowVolumeViewPilot},
      {kShadowVolumeViewGunner, &SpecialLodIndices::shadowVolumeViewGunner},
  };
  bool visual = true;
  for (int i = 0; i < NLods(); ++i) {
    float r = resolutions_[static_cast<size_t>(i)];
    if (visual && r <= kVisualLimit) ++s.visualLodCount;
    else visual = false;
    if (!(r > kVisualLimit)) continue;
    for (const Slot& slot : kSlots)
      if (ResolutionMatches(r, slot.value)) s.*slot.index = i;
    if (IsShadowVolumeResolution(r)) {
      if (s.shadowVolume < 0) s.shadowVolume = i;
      ++s.shadowVolumeCount;
    } else if (IsShadowBufferResolution(r)) {
      if (s.shadowBuffer < 0) s.shadowBuffer = i;
      ++s.shadowBufferCount;
    }
  }
}
