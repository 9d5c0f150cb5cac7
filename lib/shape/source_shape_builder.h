#pragma once
// Turns the stored parts of one LOD record into a Shape: repaired UVs, the vertex
// table, the polygon buffer, textures and materials, named selections and properties.
#include "lib/shape/source_lod_record.h"
#include "lib/shape/source_lod_tags.h"

class Shape;

// Builds `shape` from `record` and `tags` for a LOD of `resolution`, with the
// processing of `kind` (SpecialLodKind; the second read of a special LOD). False after
// reporting when the LOD cannot be used.
bool BuildSourceShape(const SourceLodRecord& record, SourceLodTags& tags, float resolution, int kind, Shape& shape,
                      LodReadContext& context);
