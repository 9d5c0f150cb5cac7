// Loading a LODShape from its source model file.
#include "el/appframe/app_frame.h"
#include "el/qstream/qi_file_stream.h"
#include "engine/engine_file.h"
#include "engine/progress.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/prepare_model.h"
#include "lib/shape/source_model_reader.h"

namespace {
// Longest model name accepted.
constexpr size_t kMaxModelName = 1024;
}  // namespace

bool LODShape::Load(const RString& name, int targetBonesInterval) {
  if (name.size() > kMaxModelName) {
    ErrorMessage("Name '%s' too long.", name.c_str());
    return false;
  }
  ProgressScope progress("Loading LODShape: %s", name);
  QIFStreamB in;
  if (!OpenEngineFile(in, name)) {
    ErrorMessage("Cannot open object %s", name.c_str());
    return false;
  }
  return Load(in, name, targetBonesInterval);
}

bool LODShape::Load(QIStream& in, const RString& name, int targetBonesInterval) {
  targetBonesInterval_ = targetBonesInterval;
  // Each LOD is prepared as it is read, the model-level steps follow the last one.
  ModelPreparation intake;
  return ReadSourceModel(in, name, *this, intake);
}
