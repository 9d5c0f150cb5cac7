#pragma once
// The neighbours of each vertex of a LOD: the corners beside it in the first face (in face
// order) that uses it. Shadow volumes of skinned LODs carry them with their bones.
#include <cstdint>

#include "el/qstream/basic_types.h"

class FaceData;

struct VertexNeighbors {
  uint16_t next = 0;
  uint16_t previous = 0;
};

// One entry per vertex of a table of `nVertices`; a vertex that no face uses is its own
// neighbour on both sides.
AutoArray<VertexNeighbors> FindVertexNeighbors(const FaceData& faces, int nVertices);
