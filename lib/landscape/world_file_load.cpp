#include "lib/landscape/world_file_load.h"

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_file_stream.h"
#include "engine/engine_file.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/runtime_world.h"

namespace {
constexpr int kNotRuntimeWorld = 1;  // the runtime loader's "bad magic"
}  // namespace

RString WorldNameOf(const RString& path) {
  const size_t slash = path.find_last_of('\\');
  RString name = slash == RString::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find('.');
  return dot == RString::npos ? name : name.substr(0, dot);
}

bool LoadWorldFile(Landscape& land, const RString& path, const SourceWorldSettings& settings) {
  QIFStreamB in;
  if (!OpenEngineFile(in, path)) {
    ErrorMessage("Cannot load world '%s'", path.c_str());
    return false;
  }
  // The loaders size and fill the world; its name and class stay what the caller set.
  const RString worldName = land.worldName;
  const ParamClass* const worldClass = land.worldClass;
  auto restore = [&](bool loaded) {
    land.worldName = worldName;
    land.worldClass = worldClass;
    return loaded;
  };
  const int runtime = LoadRuntimeWorld(land, in, WorldNameOf(path));
  if (runtime == 0) return restore(true);
  if (runtime != kNotRuntimeWorld) {
    ErrorMessage("Cannot load world '%s'", path.c_str());
    return restore(false);
  }
  restore(false);  // (the derivations of the source reader read the class)
  in.SeekG(0);
  // The source reader reports its own failure.
  return restore(LoadSourceWorld(land, in, path, settings) == 0);
}
