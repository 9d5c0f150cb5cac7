#include "tool/used_textures.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "el/appframe/app_frame.h"
#include "el/preproc/data_name.h"
#include "engine/file_server.h"
#include "engine/material_cache.h"
#include "engine/texture_bank.h"
#include "engine/texture_registry.h"
#include "lib/shape/material_bank.h"
#include "lib/shape/tex_material.h"
#include "platform/ascii.h"
#include "platform/engine_path.h"
#include "platform/host_file.h"
#include "tool/child_process_list.h"
#include "tool/file_paths.h"
#include "tool/make_functions.h"
#include "tool/match_pattern.h"

namespace kln {
namespace {

constexpr size_t kMaxLine = 1024;
constexpr size_t kMaxTarget = 511;

bool IsProcedural(const RString& name) { return !name.empty() && name[0] == '#'; }

// False, with a message the first time a name is met, for a name that leads out of its
// folder.
bool AcceptTextureName(const RString& name, const RString& namedBy) {
  if (IsCopyableTextureName(name)) return true;
  static std::set<RString> reported;
  if (reported.insert(name).second)
    ErrorMessage("Texture %s named by %s leads out of its folder; it is not copied", name.c_str(), namedBy.c_str());
  return false;
}

// The first file that named each used texture, for the report of a texture found nowhere
// when the copies are made (a texture may still be made from its image until then).
std::map<RString, RString>& FirstNamers() {
  static std::map<RString, RString> namers;
  return namers;
}

const RString& FirstNamer(const RString& name) {
  static const RString unknown = "the used textures";
  auto it = FirstNamers().find(name);
  return it == FirstNamers().end() ? unknown : it->second;
}

}  // namespace

void NoteTextureNamer(const RString& name, const RString& namedBy) { FirstNamers().emplace(name, namedBy); }

namespace {

void InsertFileTexture(UsedTextureSet& set, const RString& name, const RString& namedBy) {
  if (name.empty() || IsProcedural(name) || !AcceptTextureName(name, namedBy)) return;
  FirstNamers().emplace(name, namedBy);
  InsertUsedTexture(set, name);
}

// The host file behind the texture `name` from data, reported once when it is found
// nowhere; no texture is read from elsewhere than the mounts and the work drive.
std::optional<std::string> TextureFile(const RString& name, const RString& namedBy) {
  return HostFileOfDataName(EnginePath(name), namedBy);
}

uint32_t HostFileTime(const std::string& hostPath) { return Files().TimeStamp(ToEnginePath(hostPath)); }

// A ".tga" or ".png" stands for the ".paa" made from it; the conversion starts when the
// image is newer than the texture and no conversion of it is running yet.
RString ResolveTextureName(const RString& name, const RString& namedBy) {
  std::string_view extension = GetExtension(name);
  if (!AsciiEqualIgnoreCase(extension, ".tga") && !AsciiEqualIgnoreCase(extension, ".png")) {
    return NormalizeTextureName(name);
  }
  RString texture = name.substr(0, name.size() - extension.size()) + ".paa";
  if (IsToolMakeFunctions() && !ChildProcesses().Find(texture)) {
    const std::optional<std::string> image = TextureFile(name, namedBy);
    const std::optional<std::string> made = HostTargetOfDataName(EnginePath(texture), namedBy);
    if (image && made && HostFileTime(*image) > HostFileTime(*made) && Files().Release(texture)) {
      pid_t child = 0;
      if (MakeFunctions().Start(ToEnginePath(*image).c_str(), ToEnginePath(*made).c_str(), "kilnify", &child) >= 0) {
        ChildProcesses().Add(texture, child);
      }
    }
  }
  return NormalizeTextureName(texture);
}

}  // namespace

void InsertUsedTexture(UsedTextureSet& set, const RString& name) { set.insert(name); }

bool IsCopyableTextureName(std::string_view name) {
  const bool rooted = !name.empty() && (name[0] == '\\' || name[0] == '/');
  return rooted ? !ClimbsAboveRoot(name) : !HasParentStep(name);
}

void CollectUsedTextures(UsedTextureSet& set, const RString& namedBy) {
  std::vector<std::string> registered = TextureNames().Entries();
  for (size_t i = 1; i < registered.size(); ++i) InsertFileTexture(set, registered[i], namedBy);
  for (const auto& material : Materials().All()) {
    if (!material) continue;
    for (const RString& name : material->TextureNames()) InsertFileTexture(set, name, namedBy);
  }
  for (const std::string& name : Textures().Names()) InsertFileTexture(set, name, namedBy);
}

int ReadTextureList(UsedTextureSet& set, const RString& listPath, const RString& texturesFolder) {
  FILE* list = std::fopen(HostPathOf(listPath).c_str(), "r");
  if (!list) {
    ErrorMessage("Error: \"%s\" file cannot be opened", listPath.c_str());
    return 0;
  }
  char buffer[kMaxLine];
  while (std::fgets(buffer, sizeof buffer, list)) {
    size_t length = std::strcspn(buffer, "\r\n");
    if (length == 0) continue;
    RString line(buffer, length);
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!AcceptTextureName(line, listPath)) continue;

    if (AsciiEqualIgnoreCase(GetExtension(line), ".rvmat")) MaterialByName(line);
    RString name = ResolveTextureName(line, listPath);
    if (texturesFolder.empty()) continue;
    RString target = (texturesFolder + name).substr(0, kMaxTarget);
    uint32_t targetTime = Files().TimeStamp(target);
    const EngineResolution source = ResolveEnginePath(EnginePath(name));
    if (targetTime != 0 && targetTime >= (source.found ? HostFileTime(source.hostPath) : 0u)) continue;
    FirstNamers().emplace(name, listPath);
    InsertUsedTexture(set, name);
  }
  std::fclose(list);
  return 1;
}

int StartTextureCopy(const RString& source, const RString& target) {
  Files().Release(target);
  if (ChildProcessList::Entry* running = ChildProcesses().Find(source)) ChildProcesses().Wait(running);
  CreateDestinationFolders(target);
  pid_t child = 0;
  if (MakeFunctions().Start(source.c_str(), target.c_str(), "kilnify", &child) < 0) return -1;
  ChildProcesses().Add(target, child);
  return 0;
}

void CopyTextures(const RunSettings& settings) {
  for (const RString& name : settings.usedTextures) {
    if (IsProcedural(name) || !AcceptTextureName(name, "the used textures")) continue;
    // A texture still being made from its image gets its time stamp when it is done.
    if (ChildProcessList::Entry* running = ChildProcesses().Find(name)) ChildProcesses().Wait(running);
    // Found nowhere: reported with the file that named it first, and not copied.
    const std::optional<std::string> source = TextureFile(name, FirstNamer(name));
    if (!source) continue;
    RString target = settings.texturesFolder + name;
    if (IsUpToDate(HostFileTime(*source), target) || IsExcluded(settings, name, name)) continue;
    if (!IsInsideFolder(target, settings.texturesFolder)) {
      ErrorMessage("Texture %s lies outside the work drive or its copy outside %s; it is not copied", name.c_str(),
                   settings.texturesFolder.c_str());
      continue;
    }
    // The file handed over is the one found through the mounts and the work drive.
    StartTextureCopy(RString(ToEnginePath(*source)), target);
  }
}

}  // namespace kln
