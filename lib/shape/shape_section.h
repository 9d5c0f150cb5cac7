#pragma once
// A run of faces of one LOD drawn with one texture, material and set of special flags.
//
// Sections partition the face buffer in order: each one's start is the previous one's
// end. Offsets are byte offsets into the LOD's FaceData.
#include <cstdint>

struct ShapeSection {
  int beg = 0;  // byte offset of the first face
  int end = 0;  // byte offset just past the last face
  int textureIndex = -1;   // into the LOD's texture list, -1 = none
  int materialIndex = -1;  // into the LOD's material list, -1 = none
  uint32_t special = 0;    // special flags of its faces
  int boneWindowStart = 0;   // first subskeleton slot the section uses
  int boneWindowLength = 0;  // number of subskeleton slots from the start
  float areaOverTex[2] = {0.0f, 0.0f};  // typical face area / UV area, per UV set
};
