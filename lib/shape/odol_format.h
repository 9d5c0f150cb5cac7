#pragma once
// The runtime model file ("ODOL"): constants, and what a save or load learns about the
// file beyond the model itself (versions, LOD tables, permanent flags, streamed-LOD
// summaries, animation records, the stored per-LOD values). Tests and the dump read it.
#include <cstdint>
#include <optional>

#include "el/qstream/basic_types.h"
#include "el/qstream/serialize_bin_stream.h"
#include "el/qstream/vector3.h"
#include "lib/shape/odol_animation.h"

namespace odol {
constexpr int kMagic = MakeMagic("ODOL");
// The version the writer writes, and the oldest one a load accepts.
constexpr int kVersion = 54;
constexpr int kMinVersion = 28;
// Version 44 and up stores compressed blocks with LZO1X (older files with LZSS).
constexpr int kFirstLzoVersion = 44;
// The shadow LOD limit and the LOD order are judged by these face counts.
constexpr int kShadowLodFaces = 1000;
constexpr int kShadowLodTooDetailed = 2000;
// Shader identifiers that set the model's shader marker.
constexpr int kMarkerShaders[] = {3, 58, 60, 61, 107, 108, 114, 115, 116, 117, 120};
}  // namespace odol

// The record a streamed (not permanent) LOD has in the file header, so that a reader
// knows it before the LOD is loaded.
struct RuntimeLodSummary {
  int32_t faces = 0;
  uint32_t color = 0;
  uint32_t special = 0;
  uint32_t clipOr = 0;
  uint8_t hasSubSkeleton = 0;
  int32_t vertices = 0;
  float value = 0.0f;  // the LOD's area value
  friend bool operator==(const RuntimeLodSummary&, const RuntimeLodSummary&) = default;
};

// Values a LOD block stores that the Shape derives from its vertices rather than keeps.
struct RuntimeLodValues {
  float area = 0.0f;
  uint32_t clipOr = 0;
  uint32_t clipAnd = 0;
  Vector3 min, max, center;
  float radius = 0.0f;
  int32_t vertexDataSize = 0;  // bytes of the vertex arrays, the size field included
};

struct RuntimeModelInfo {
  int version = -1;
  uint32_t mirrored = 0;
  // Save: written when present. Load: present when the file holds animations.
  std::optional<RuntimeAnimations> animations;
  // Per LOD index: start and end offset of its block, permanent flag, stored values.
  AutoArray<int32_t> lodStart;
  AutoArray<int32_t> lodEnd;
  AutoArray<uint8_t> permanent;
  AutoArray<RuntimeLodValues> lodValues;
  // The summaries in file order, and the LOD each one belongs to.
  AutoArray<int> summaryLods;
  AutoArray<RuntimeLodSummary> summaries;
  // The LOD indices in the order their blocks lie in the file.
  AutoArray<int> blockOrder;
};
