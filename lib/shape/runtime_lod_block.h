#pragma once
// One LOD of a runtime model file as a self-contained block: proxies, subskeleton,
// header values, textures and embedded materials, vertex maps, faces, sections, named
// selections and properties, key frames, LOD values, and the vertex arrays behind a size
// field so that a reader can skip them.
#include "el/qstream/basic_types.h"

class SerializeBinStream;
class Shape;
struct RuntimeLodValues;

struct RuntimeLodContext {
  RString modelName;        // for messages
  float resolution = 0.0f;  // for messages
};

// Saves or loads the block of `shape`. A save first condenses the vertex arrays whose
// values are all equal and leaves out the key frames unless the LOD's "keyframe" property
// is a nonzero number. A load replaces what `shape` holds and checks every count and
// index against the block (error 4 when one does not fit). `values` (optional) receives
// the header values written or read. Returns f.Ok().
bool TransferRuntimeLod(SerializeBinStream& f, Shape& shape, const RuntimeLodContext& context,
                        RuntimeLodValues* values = nullptr);

// The vertex arrays of a block: from the size field to the neighbour bone data. The size
// field holds the bytes from its own start to the end of the arrays.
bool TransferRuntimeVertexData(SerializeBinStream& f, Shape& shape, int32_t* vertexDataSize = nullptr);
