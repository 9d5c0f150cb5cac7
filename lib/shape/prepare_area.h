#pragma once
// Area values of a LOD: per section and UV set the typical ratio of a face's area to its
// area in texture space (the median of its faces' ratios), and the LOD's total face area.
class Shape;

// Fills each section's area ratios and the LOD's area. Faces with fewer than 3 or more
// than 65534 vertices are reported ("Degenerate face - %d vertices") and left out.
void ComputeAreaValues(Shape& shape);
