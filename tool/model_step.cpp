#include "tool/model_step.h"

#include <memory>

#include "el/appframe/app_frame.h"
#include "el/preproc/data_name.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_model.h"
#include "tool/file_paths.h"
#include "tool/used_textures.h"

namespace kln {

void ConvertModel(RunSettings& settings, const ConversionEntry& entry) {
  LogMessage("Convert model %s -> %s", entry.source.c_str(), entry.destination.c_str());
  LogMessage("<model = \"%s\">", entry.source.c_str());
  const DataFileScope namesFrom(entry.source);
  auto shape = std::make_shared<LODShape>();
  if (shape->Load(entry.source, settings.bonesInterval)) {
    // Folders are made only now, so that a model that fails leaves no empty folder.
    CreateDestinationFolders(entry.destination);
    SaveRuntimeModel(*shape, entry.destination);
    if (settings.copyTextures) CollectUsedTextures(settings.usedTextures, entry.source);
  } else {
    ErrorMessage("Loading of model %s failed", entry.source.c_str());
  }
  LogMessage("</model>");
}

}  // namespace kln
