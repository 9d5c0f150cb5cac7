#pragma once
// Rewriting the vertices' bones from skeleton bones to subskeleton slots.
//
// A vertex takes, for each of its bones, the first slot within the window of the section
// that draws it. A vertex drawn by sections whose windows give one of its bones different
// slots is copied, so that every section's vertices carry slots inside its own window.
#include "el/qstream/basic_types.h"
#include "lib/shape/bone_weights.h"
#include "lib/shape/vertex_neighbors.h"

class Shape;

// Fills the vertices' weights of `shape` (slots of its subskeleton) from `weights` (one
// per vertex, skeleton bones), and, when `neighbors` is not empty, the vertices' neighbour
// records with their neighbours' weights in the same window; faces are pointed at copies
// where needed. Returns the number of vertices copied.
int RewriteVertexSlots(Shape& shape, const AutoArray<SkeletonWeights>& weights,
                       const AutoArray<VertexNeighbors>& neighbors, const BoneMessageNames& names);
