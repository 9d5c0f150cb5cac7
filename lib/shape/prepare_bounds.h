#pragma once
// Model-wide values derived from the LODs: the clip-flag AND and OR, the bounding boxes
// and radius, the mass values, and the centring of the model on its bounding box.
class LODShape;

// Recomputes the clip flags, bounding boxes, radius and masses over all LODs, then
// centres the model (CentreModel).
void RecomputeModelValues(LODShape& model);

// Centres the model: the offset c is the middle of the bounding box (c.y = 0 for a model
// on the ground: LOD 0's clip-flag AND has 0x100 and its special flags 0x2); without
// "autocenter" (or without LODs) c undoes an earlier centring; with the centring lock c is
// 0. When |c|^2 >= 1e-10, c is added to the bounding centre and every LOD is moved by -c.
void CentreModel(LODShape& model);
