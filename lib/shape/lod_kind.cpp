#include "lib/shape/lod_kind.h"

#include <cmath>
#include <cstdio>

namespace {

using namespace lod_resolution;

struct NamedResolution {
  float value;
  const char* name;  // nullptr: the value is printed with "%g"
  int kind;
};

// The special values that have a name or a kind of their own.
constexpr NamedResolution kNamedResolutions[] = {
    {kViewGunner, "VIEW_GUNNER", kLodVisual},
    {kViewPilot, "VIEW_PILOT", kLodVisual},
    {kViewCargo, "VIEW_CARGO", kLodVisual},
    {kGeometry, "geometry", kLodGeometry},
    {kGeometrySimple, "geometrySimple", kLodGeometry},
    {kMemory, "memory", kLodGeometry},
    {kLandContact, "landContact", kLodGeometry},
    {kRoadway, "roadway", kLodGeometry},
    {kPaths, "paths", kLodGeometry},
    {kHitpoints, "hitpoints", kLodGeometry},
    {kGeometryView, "geometryView", kLodGeometry},
    {kGeometryFire, "geometryFire", kLodGeometry},
    {kGeometryViewCargo, "geometryViewCargo", kLodGeometry},
    {kGeometryViewPilot, "geometryViewPilot", kLodGeometry},
    {kGeometryViewGunner, "geometryViewGunner", kLodGeometry},
    {kViewCargoGeometry, nullptr, kLodVisual},
    {kShadowVolumeViewCargo, nullptr, kLodShadowVolume},
    {kShadowVolumeViewPilot, nullptr, kLodShadowVolume},
    {kShadowVolumeViewGunner, nullptr, kLodShadowVolume},
    {kWreck, "wreck", kLodVisual},
};

constexpr float kPermanentResolutions[] = {
    kGeometry,        kGeometrySimple,     kMemory,           kLandContact,
    kRoadway,         kPaths,              kHitpoints,        kGeometryView,
    kGeometryFire,    kGeometryViewCargo,  kGeometryViewPilot, kGeometryViewGunner,
    kViewCargoGeometry, kWreck,
};

const NamedResolution* FindNamed(float resolution) {
  for (const NamedResolution& named : kNamedResolutions)
    if (ResolutionMatches(resolution, named.value)) return &named;
  return nullptr;
}

RString FormatG(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

bool IsEditResolution(float resolution) { return resolution > 19999.998f && resolution < 30000.002f; }

}  // namespace

bool ResolutionMatches(float resolution, float value) {
  return std::fabs(resolution - value) < value / 1000.0f;
}

bool IsShadowVolumeResolution(float resolution) { return resolution > 9999.999f && resolution < 10999.001f; }

bool IsShadowBufferResolution(float resolution) { return resolution > 10999.999f && resolution < 11999.001f; }

int SpecialLodKind(float resolution) {
  if (!(resolution > kVisualLimit)) return kLodVisual;
  if (IsShadowVolumeResolution(resolution)) return kLodShadowVolume;
  if (IsShadowBufferResolution(resolution)) return kLodShadowBuffer;
  if (const NamedResolution* named = FindNamed(resolution)) return named->kind;
  return kLodVisual;
}

RString LodKindName(float resolution) {
  if (!(resolution > kVisualLimit)) return FormatG(resolution);
  if (IsShadowVolumeResolution(resolution) || IsShadowBufferResolution(resolution))
    return "shadow(" + FormatG(resolution - kShadowVolume) + ")";
  if (IsEditResolution(resolution)) return "edit";
  if (const NamedResolution* named = FindNamed(resolution); named && named->name) return named->name;
  return FormatG(resolution);
}

bool IsSpecialLod(float resolution) {
  if (!(resolution > kVisualLimit)) return false;
  for (float value : kPermanentResolutions)
    if (ResolutionMatches(resolution, value)) return true;
  return false;
}
