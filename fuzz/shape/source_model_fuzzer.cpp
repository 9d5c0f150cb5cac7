// Arbitrary bytes through the source model reader, from memory.
#include <cstdint>
#include <cstdlib>

#include "el/qstream/qi_stream.h"
#include "fuzz/shape/shape_fuzz.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/source_model_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PrepareShapeFuzzing();
  QIStrStream in(data, static_cast<QFileSize>(size));
  LODShape model;
  SourceModelIntake intake;
  bool ok = ReadSourceModel(in, "fuzz.p3d", model, intake);
  if (!ok && model.NLods() > LODShape::kMaxLods) std::abort();
  for (int i = 0; i < model.NLods(); ++i) {
    const Shape& lod = *model.Lod(i);
    if (lod.NVertices() > VertexTable::kMaxVertices) std::abort();
    if (lod.VertexToPoint().size() != static_cast<size_t>(lod.NVertices())) std::abort();
    if (lod.FaceProps().size() != static_cast<size_t>(lod.NFaces())) std::abort();
    // Every polygon index names a vertex.
    const FaceData& faces = lod.Faces();
    for (int offset = faces.Begin(); offset < faces.End(); offset = faces.Next(offset)) {
      FaceRef face = faces.Face(offset);
      for (int c = 0; c < face.N(); ++c)
        if (face.Vertex(c) >= lod.NVertices()) std::abort();
    }
  }
  FinishShapeInput();
  return 0;
}
