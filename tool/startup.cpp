#include "tool/startup.h"

#include <strings.h>

#include <algorithm>
#include <filesystem>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "engine/engine_dummy.h"
#include "engine/engine_state.h"
#include "engine/file_server.h"
#include "engine/global_config.h"
#include "engine/memory_budget.h"
#include "engine/world.h"
#include "platform/ascii.h"
#include "platform/engine_path.h"
#include "platform/engine_resolver.h"
#include "platform/file_search.h"
#include "platform/host_file.h"
#include "platform/message_box.h"
#include "platform/visited_folders.h"
#include "tool/make_functions.h"

namespace kln {
namespace {

// Merges a freshly read configuration into the global one.
void MergeIntoGlobal(const ParamFile& file) {
  GlobalConfig().Update(file, true, false);
  GlobalConfig().Refresh();
}

bool LoadTextConfig(const RunSettings& settings, const RString& path) {
  ParamFile file;
  int error = file.Parse(path);
  if (error != 0) {
    ErrorMessage("Error %d while parsing config \"%s\"", error, path.c_str());
    if (!settings.silent) {
      RString text = "Error in config " + path;
      ShowMessageBox(text.c_str(), "Kilnify");
    }
    return false;
  }
  MergeIntoGlobal(file);
  return true;
}

void LoadBinaryConfig(const RString& path) {
  ParamFile file;
  file.LoadBin(path);  // a broken file is merged as far as it was read
  MergeIntoGlobal(file);
}

// One file met below a configuration folder; false stops the visit.
bool HandleConfigFile(const RunSettings& settings, const RString& folder, const std::string& name) {
  if (AsciiEqualIgnoreCase(name, "config.cpp")) return LoadTextConfig(settings, folder + name);
  if (AsciiEqualIgnoreCase(name, "config.bin")) {
    // The text form wins over the binary form in the same folder.
    if (!EngineFileExists(folder + "config.cpp")) LoadBinaryConfig(folder + name);
  }
  return true;
}

// Visits every folder once: a link back to a folder on the way is skipped.
bool VisitConfigFolder(const RunSettings& settings, VisitedFolders& visited, const RString& root) {
  FileSearch search;
  if (!search.Start(root + "*")) return true;
  if (!visited.Enter(search.Folder())) {
    ErrorMessage("Folder %s leads to a folder visited already (a link); it is skipped", root.c_str());
    return true;
  }
  FileSearchEntry entry;
  while (search.Next(entry)) {
    // A backslash in a host name would be read as a folder separator.
    if (entry.name.find('\\') != std::string::npos) {
      ErrorMessage("Name %s in folder %s holds a '\\'; it is left out", entry.name.c_str(), root.c_str());
      continue;
    }
    if (entry.attrib & FileSearchEntry::kFolder) {
      if (!VisitConfigFolder(settings, visited, root + entry.name + "\\")) return false;
    } else if (!HandleConfigFile(settings, root, entry.name)) {
      return false;
    }
  }
  return true;
}

std::string AbsoluteFolderOf(const std::string& hostFolder) {
  std::error_code error;
  std::string text = std::filesystem::absolute(hostFolder, error).lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

RidgeviewPressmillFunctions& ToolMakeFunctions() {
  static RidgeviewPressmillFunctions functions;
  return functions;
}

}  // namespace

void PrepareEngineForTool() {
  EngineState& engine = Engine();
  engine.toolMode = true;
  SetMakeFunctions(&ToolMakeFunctions());
  engine.enableRendering = false;
  engine.noSplashScreen = true;
}

void StartMemoryAndFiles() {
  SetMemoryLimit(ToolMemoryBudget(PhysicalMemorySize()));
  Files().Start();
}

bool LoadFolderConfigs(const RunSettings& settings, const RString& folder) {
  // The backslash is appended even when the folder ends in one: an empty folder gives
  // "\", the root folder of the work drive.
  VisitedFolders visited;
  return VisitConfigFolder(settings, visited, folder + "\\");
}

bool LoadStartupConfigs(const RunSettings& settings) {
  if (!LoadFolderConfigs(settings, settings.addonFolder)) return false;
  if (!settings.addonFolder.empty()) return true;
  std::vector<const Mount*> mounts;
  for (const Mount& mount : Mounts().All()) mounts.push_back(&mount);
  std::sort(mounts.begin(), mounts.end(), [](const Mount* a, const Mount* b) {
    const int order = ::strcasecmp(a->workPath.c_str(), b->workPath.c_str());
    return order != 0 ? order < 0 : a->folder < b->folder;
  });
  std::vector<std::string> loaded = {AbsoluteFolderOf(WorkDriveRoot())};
  for (const Mount* mount : mounts) {
    bool inside = false;
    for (const std::string& folder : loaded) inside = inside || IsHostPathBelow(mount->folder, folder);
    if (inside) continue;
    loaded.push_back(mount->folder);
    if (!LoadFolderConfigs(settings, RString(ToEnginePath(mount->folder)))) return false;
  }
  return true;
}

void LoadMainConfig(const RString& binPath) {
  EngineState& engine = Engine();
  if (!engine.mainConfigPending) return;
  engine.mainConfigPending = false;
  ParamFile file;
  file.Parse(binPath + "bin\\config.cpp");  // errors do not stop the run
  MergeIntoGlobal(file);
  engine.language = "English";
  RunUpdateCallbacks();
}

void StartEngine() {
  EngineState& engine = Engine();
  engine.engine = std::make_unique<EngineDummy>();
  engine.engine->Init();
  engine.world = std::make_unique<World>(engine.engine.get(), nullptr);
  engine.world->Init(true);
}

void ShutdownEngine() {
  EngineState& engine = Engine();
  engine.world.reset();
  engine.engine.reset();
  ClearUpdateCallbacks();
  GlobalConfig().Clear();
  Files().Stop();
}

}  // namespace kln
