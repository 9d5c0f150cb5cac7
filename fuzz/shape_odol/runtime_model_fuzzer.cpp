// Arbitrary bytes through the runtime model load. What loads must be consistent and must
// save and load again.
#include <cstdint>
#include <cstdlib>

#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "fuzz/shape/shape_fuzz.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_model.h"

namespace {

void CheckShape(const Shape& lod) {
  const FaceData& faces = lod.Faces();
  int bytes = 0;
  for (int offset = faces.Begin(); offset < faces.End(); offset = faces.Next(offset)) {
    FaceRef face = faces.Face(offset);
    for (int c = 0; c < face.N(); ++c)
      if (face.Vertex(c) >= lod.NVertices()) std::abort();
    bytes = faces.Next(offset);
  }
  if (bytes != faces.DataSize()) std::abort();
  for (const ShapeSection& section : lod.Sections())
    if (section.beg < 0 || section.beg > section.end || section.end > faces.DataSize()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PrepareShapeFuzzing();
  QIStrStream in(data, static_cast<QFileSize>(size));
  LODShape model;
  if (LoadRuntimeModel(model, in, "fuzz.p3d") == 0) {
    if (model.NLods() > LODShape::kMaxLods) std::abort();
    for (int i = 0; i < model.NLods(); ++i) CheckShape(*model.Lod(i));
    QOStrStream out;
    if (SaveRuntimeModel(model, out) != 0) std::abort();
    std::string saved = out.Str();
    QIStrStream again(saved.data(), static_cast<QFileSize>(saved.size()));
    LODShape reloaded;
    if (LoadRuntimeModel(reloaded, again, "fuzz.p3d") != 0 || reloaded.NLods() != model.NLods()) std::abort();
  }
  FinishShapeInput();
  return 0;
}
