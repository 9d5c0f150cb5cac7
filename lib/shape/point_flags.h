#pragma once
// The flag word of a source point and the clip flags it becomes.
//
// Source points carry editor flags (land contact, decal, fog, lighting, user value,
// hidden); the engine keeps them as `clipFlags`, a word it shares with its clipping code.
#include <cstdint>

namespace point_flags {
// Bits that no valid source point has.
constexpr uint32_t kInvalidMask = 0xF000CC00u;
// Bits that carry meaning; a word with none of them is an ordinary point.
constexpr uint32_t kValidMask = 0x0FFF33FFu;
// The point is hidden in the editor.
constexpr uint32_t kHidden = 0x01000000u;
}  // namespace point_flags

namespace clip_flags {
constexpr uint32_t kClipAll = 0x3Fu;            // all six frustum planes
constexpr uint32_t kLandMask = 0xF00u;
constexpr uint32_t kLandOn = 0x100u;            // lies on the surface
constexpr uint32_t kLandUnder = 0x200u;
constexpr uint32_t kLandAbove = 0x400u;
constexpr uint32_t kLandKeep = 0x800u;          // keeps its height above the surface
constexpr uint32_t kDecalMask = 0x3000u;
constexpr uint32_t kFogMask = 0xC000u;
constexpr uint32_t kLightMask = 0xF0000u;
constexpr uint32_t kUserMask = 0xFF00000u;
constexpr int kUserShift = 20;
// The part of the clip flags that the OR and AND summaries of a LOD keep.
constexpr uint32_t kSummaryMask = 0x0FFFFF00u;
}  // namespace clip_flags

// The clip flags of a point with the (valid) source flags `flags`.
uint32_t ClipFlagsFromPointFlags(uint32_t flags);
// True when `flags` has a bit that no valid source point has.
constexpr bool ArePointFlagsInvalid(uint32_t flags) { return (flags & point_flags::kInvalidMask) != 0; }
