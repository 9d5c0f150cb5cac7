#include "lib/shape/model_config_values.h"

#include "el/paramfile/param_file.h"
#include "lib/shape/bone_skeleton_config.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/model_config.h"

namespace {

ParamEntryVal Member(const ParamClass& cls, std::string_view name) {
  ParamFindResult found = cls.Find(name, false, true);
  if (!found || found.entry->IsClass()) return {};
  return found;
}

void ReadFloat(const ParamClass& cls, std::string_view name, float& value) {
  ParamEntryVal entry = Member(cls, name);
  if (entry && !entry.IsArray()) value = entry.GetFloat();
}

AutoArray<RString> ReadNames(const ParamClass& cls, std::string_view name) {
  AutoArray<RString> names;
  ParamEntryVal entry = Member(cls, name);
  if (!entry || !entry.IsArray()) return names;
  for (int i = 0; i < entry.GetSize(); ++i) {
    RString text = entry.GetValue(i);
    if (!text.empty()) names.push_back(std::move(text));
  }
  return names;
}

}  // namespace

void ReadModelConfigValues(LODShape& model) {
  ModelConfigValues& config = model.Config();
  std::shared_ptr<ParamFile> file = LoadModelConfig(model.Name());
  config.file = file;
  config.modelClass = FindModelClass(*file, model.Name());
  if (!config.modelClass) return;
  const ParamClass& cls = *config.modelClass;
  ReadFloat(cls, "htMin", config.htMin);
  ReadFloat(cls, "htMax", config.htMax);
  ReadFloat(cls, "afMax", config.afMax);
  ReadFloat(cls, "mfMax", config.mfMax);
  ReadFloat(cls, "mFact", config.mFact);
  ReadFloat(cls, "tBody", config.tBody);
  ParamEntryVal skeletonName = Member(cls, "skeletonName");
  RString skeleton = skeletonName && !skeletonName.IsArray() ? skeletonName.GetValue() : RString();
  if (!skeleton.empty()) {
    config.skeleton = ModelSkeleton(file.get(), skeleton);
    model.SetAnimationType(ModelAnimationType::Skeletal);
  }
  config.removedSelections = ReadNames(cls, "removeSelections");
  config.vertexSelections = ReadNames(cls, "vertexSelections");
}
