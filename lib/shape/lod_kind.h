#pragma once
// Resolutions of levels of detail and the kinds they stand for.
//
// A LOD's resolution is a float: values up to 900 are visual LODs (the value is the
// resolution proper), larger values name special LODs (views, shadows, geometries, ...).
// A value r matches a special value S when |r - S| < S / 1000, in single precision.
#include "el/qstream/basic_types.h"

namespace lod_resolution {
constexpr float kVisualLimit = 900.0f;
constexpr float kViewGunner = 1000.0f;
constexpr float kViewPilot = 1100.0f;
constexpr float kViewCargo = 1200.0f;
constexpr float kShadowVolume = 10000.0f;  // shadow-volume LODs: 10000 up to 11000
constexpr float kShadowBuffer = 11000.0f;  // shadow-buffer LODs: 11000 up to 12000
constexpr float kGeometry = 1e13f;
constexpr float kGeometrySimple = 2e13f;
constexpr float kMemory = 1e15f;
constexpr float kLandContact = 2e15f;
constexpr float kRoadway = 3e15f;
constexpr float kPaths = 4e15f;
constexpr float kHitpoints = 5e15f;
constexpr float kGeometryView = 6e15f;
constexpr float kGeometryFire = 7e15f;
constexpr float kGeometryViewCargo = 8e15f;
constexpr float kGeometryViewPilot = 1.3e16f;
constexpr float kGeometryViewGunner = 1.5e16f;
constexpr float kGeometryViewCommander = 1.6e16f;
constexpr float kViewCargoGeometry = 1.7e16f;
constexpr float kShadowVolumeViewCargo = 1.8e16f;
constexpr float kShadowVolumeViewPilot = 1.9e16f;
constexpr float kShadowVolumeViewGunner = 2e16f;
constexpr float kWreck = 2.1e16f;
}  // namespace lod_resolution

// What a LOD is used for, beyond drawing: the kind-specific processing of the reader and
// the preparation depend on it.
enum SpecialLodKindValue : int {
  kLodVisual = 0,
  kLodShadowBuffer = 1,
  kLodShadowVolume = 2,
  kLodGeometry = 3,  // geometries, memory points, paths, hit points: no normals, no UVs
};

// True when `resolution` matches the special value `value` (|r - S| < S / 1000).
bool ResolutionMatches(float resolution, float value);
// True for a shadow-volume resolution (9999.999 < r < 10999.001).
bool IsShadowVolumeResolution(float resolution);
// True for a shadow-buffer resolution (10999.999 < r < 11999.001).
bool IsShadowBufferResolution(float resolution);

// The kind of a LOD of this resolution (SpecialLodKindValue).
int SpecialLodKind(float resolution);
// A readable name of the resolution: "1.5", "geometry", "shadow(10)", "edit", ...
RString LodKindName(float resolution);
// True for the special LODs that a runtime model keeps loaded with the model: r > 900 and r
// matches geometry, geometry simple, memory, land contact, roadway, paths, hit points,
// the view and fire geometries, 1.7e16 or wreck.
bool IsSpecialLod(float resolution);
