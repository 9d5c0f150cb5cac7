#include "lib/landscape/object_placement.h"

#include <cstring>
#include <optional>

#include "el/preproc/data_name.h"
#include "el/qstream/qi_file_stream.h"
#include "engine/engine_file.h"
#include "engine/shape_bank.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_model.h"
#include "platform/ascii.h"

namespace {

bool HoldsRuntimeModel(const RString& file) {
  QIFStreamB in;
  if (!OpenEngineFile(in, file)) return false;
  char magic[4] = {};
  return in.read(magic, 4) == 4 && std::memcmp(magic, "ODOL", 4) == 0;
}

}  // namespace

std::shared_ptr<LODShape> LoadBankModel(const RString& file, int bonesInterval) {
  if (std::shared_ptr<LODShape> held = Shapes().Find(file)) return held;
  auto model = std::make_shared<LODShape>();
  const bool loaded = HoldsRuntimeModel(file) ? LoadRuntimeModel(*model, file) : model->Load(file, bonesInterval);
  if (!loaded) return nullptr;
  Shapes().Add(file, model);
  return model;
}

ModelObjectPlacer::ModelObjectPlacer(int bonesInterval, const ParamClass* configClasses)
    : bonesInterval_(bonesInterval), configClasses_(configClasses) {}

const ModelObjectPlacer::Model& ModelObjectPlacer::ModelOf(const RString& modelFile, bool named) {
  const std::string key = AsciiLowerCopy(modelFile);
  auto found = models_.find(key);
  if (found != models_.end()) return found->second;
  Model entry;
  const std::optional<RString> file =
      named ? LoadableDataName(modelFile, CurrentDataFile()) : std::optional<RString>(modelFile);
  std::shared_ptr<LODShape> shape = file ? Shapes().Find(*file) : nullptr;
  if (file && !shape && (shape = LoadBankModel(*file, bonesInterval_))) ++modelsLoaded_;
  if (shape) {
    entry.usable = true;
    entry.classification = ClassifyModel(*shape, configClasses_);
  }
  return models_.emplace(key, std::move(entry)).first->second;
}

bool ModelObjectPlacer::PlaceObject(Landscape& land, int32_t id, const RString& modelName, const Matrix4& transform,
                                    const RString& modelFile) {
  // The file is the model's own name from the world (an engine path) or, for a converted
  // model, that name below the textures folder of the command line.
  const Model& model = ModelOf(modelFile, modelFile == modelName);
  if (!model.usable) return false;
  LandscapeObject object;
  object.id = id;
  object.modelName = modelName;
  object.transform = transform;
  ApplyClassification(model.classification, object);
  land.objects.push_back(std::move(object));
  return true;
}
