#include "tool/world_step.h"

#include <memory>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "engine/engine_state.h"
#include "engine/global_config.h"
#include "engine/shape_bank.h"
#include "engine/texture_registry.h"
#include "engine/world.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_post_load.h"
#include "lib/landscape/object_placement.h"
#include "lib/landscape/runtime_world.h"
#include "lib/landscape/world_file_load.h"
#include "tool/file_paths.h"
#include "tool/used_textures.h"

namespace kln {
namespace {

const ParamClass* NestedClass(const ParamClass* holder, const RString& name) {
  if (!holder) return nullptr;
  ParamFindResult found = holder->Find(name, false, true);
  return found && found.entry->IsClass() ? found.entry->GetClassInterface() : nullptr;
}

// Makes `land` the landscape of the process-wide world for the time of the step.
class ActiveLandscape {
 public:
  explicit ActiveLandscape(Landscape* land) {
    if (World* world = Engine().world.get()) world->SwitchLandscape(land);
  }
  ~ActiveLandscape() {
    if (World* world = Engine().world.get()) world->SwitchLandscape(nullptr);
  }
  ActiveLandscape(const ActiveLandscape&) = delete;
  ActiveLandscape& operator=(const ActiveLandscape&) = delete;
};

}  // namespace

const ParamClass* WorldClassOf(const RString& worldName) {
  const ParamClass* worlds = NestedClass(&GlobalConfig(), "CfgWorlds");
  if (const ParamClass* own = NestedClass(worlds, worldName)) return own;
  return NestedClass(worlds, "DefaultWorld");
}

void ConvertWorld(RunSettings& settings, const ConversionEntry& entry) {
  LogMessage("Convert world %s -> %s", entry.source.c_str(), entry.destination.c_str());
  LogMessage("<world = \"%s\">", entry.source.c_str());
  {
    auto land = std::make_unique<Landscape>();
    ActiveLandscape active(land.get());
    land->worldName = WorldNameOf(entry.source);
    land->worldClass = WorldClassOf(land->worldName);

    // Objects are made from their models, each model loaded once through the shape bank.
    ModelObjectPlacer placer(settings.bonesInterval, NestedClass(&GlobalConfig(), "CfgVehicles"));
    SourceWorldSettings source;
    source.worldClass = land->worldClass;
    source.texturesPrefix = settings.texturesFolder;
    source.placer = &placer;
    // The geography initialisation below derives the cell data from the same objects and
    // heights; deriving it in the reader as well would only repeat the work.
    source.derive = false;
    // A world that fails to load is still written as far as it was read (the loader
    // has reported it).
    LoadWorldFile(*land, entry.source, source);

    RecomputePeaksAndDropRoads(*land);
    InitGeography(*land);

    // Folders are made only now, just before the save.
    CreateDestinationFolders(entry.destination);
    SaveRuntimeWorld(*land, entry.destination, settings.olderWorldFormat);
    if (settings.copyTextures) {
      // The ground textures of the world are used as well as those of its models.
      for (const LandscapeTexture& texture : land->textures)
        if (!texture.name.empty()) TextureNames().Register(texture.name);
      CollectUsedTextures(settings.usedTextures);
    }
  }
  Shapes().ClearAll();
  LogMessage("</world>");
}

}  // namespace kln
