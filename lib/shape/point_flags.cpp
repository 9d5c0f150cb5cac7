#include "lib/shape/point_flags.h"

uint32_t ClipFlagsFromPointFlags(uint32_t flags) {
  if ((flags & point_flags::kValidMask) == 0) return clip_flags::kClipAll;
  uint32_t clip;
  // Surface contact.
  if (flags & 0x1u) clip = 0x13Fu;
  else if (flags & 0x2u) clip = 0x23Fu;
  else if (flags & 0x4u) clip = 0x43Fu;
  else if (flags & 0x8u) clip = 0x83Fu;
  else clip = clip_flags::kClipAll;
  // Decals.
  if (flags & 0x100u) clip |= 0x1000u;
  else if (flags & 0x200u) clip |= 0x2000u;
  // Lighting.
  if (flags & 0x10u) clip |= 0xC800000u;
  else if (flags & 0x40u) clip |= 0xCB00000u;
  else if (flags & 0x80u) clip |= 0xCA00000u;
  else if (flags & 0x20u) clip |= 0xC900000u;
  // Fog.
  if (flags & 0x1000u) clip |= 0x4000u;
  else if (flags & 0x2000u) clip |= 0x8000u;
  // User value.
  if (flags & 0x00FF0000u) clip |= ((flags >> 16) & 0xFFu) << clip_flags::kUserShift;
  return clip;
}
