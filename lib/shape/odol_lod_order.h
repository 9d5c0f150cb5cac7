#pragma once
// Which LODs of a runtime model are permanent, the order their blocks are written in,
// and the checks that follow a save.
#include "el/qstream/basic_types.h"

class LODShape;

// Per LOD: 1 when the LOD is loaded with the model (special LODs, and the last visual
// LOD unless it is the only one and has 100 faces or more), 0 when it is streamed.
AutoArray<uint8_t> RuntimePermanentFlags(const LODShape& model);

// The LOD indices in block order: special LODs first, then by descending resolution.
AutoArray<int> RuntimeBlockOrder(const LODShape& model);

// The shadow LOD limit after the shadow LOD check: the LOD count when the limit names a
// special LOD or when the chosen LOD is too detailed ("Too detailed shadow lod in %s
// (%d:%f : %d) - shadows disabled"). Returns the limit unchanged otherwise.
int CheckShadowLod(const LODShape& model);

// Reports visual LODs that do not have fewer faces than the finer ones before them.
void CheckLodOrder(const LODShape& model);
