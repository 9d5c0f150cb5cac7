#pragma once
// Tangent space of the vertices of a LOD, for normal maps: per vertex, the direction in
// which the first UV set's u grows (S) and the one in which v grows (T), both made
// perpendicular to the vertex normal and packed like normals.
class Shape;

// Fills the tangents of every vertex of `shape` from its faces (fans of triangles), its
// first UV set and its normals. A vertex whose faces give no usable direction (no faces,
// degenerate UVs) gets some pair of directions perpendicular to its normal.
void ComputeVertexTangents(Shape& shape);
