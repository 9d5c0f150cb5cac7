#pragma once
// The model-level values of a runtime model file: bounding and physical values, the
// values of the geometry LOD's properties and of the model configuration, the skeleton,
// masses, special LOD indices and the removed selections.
class SerializeBinStream;
class LODShape;

// Saves or loads the block. A load expects `model` to hold its LODs already (their
// resolutions), so that the special LOD indices can be checked against them; older
// versions leave the fields they lack at their defaults. Returns f.Ok().
bool TransferRuntimeModelBlock(SerializeBinStream& f, LODShape& model);
