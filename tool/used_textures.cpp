#include "tool/used_textures.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "el/appframe/app_frame.h"
#include "engine/file_server.h"
#include "engine/material_cache.h"
#include "engine/texture_bank.h"
#include "engine/texture_registry.h"
#include "lib/shape/material_bank.h"
#include "lib/shape/tex_material.h"
#include "platform/ascii.h"
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

void InsertFileTexture(UsedTextureSet& set, const RString& name) {
  if (!name.empty() && !IsProcedural(name)) InsertUsedTexture(set, name);
}

// A ".tga" or ".png" stands for the ".paa" made from it; the conversion starts when the
// image is newer than the texture and no conversion of it is running yet.
RString ResolveTextureName(const RString& name) {
  std::string_view extension = GetExtension(name);
  if (!AsciiEqualIgnoreCase(extension, ".tga") && !AsciiEqualIgnoreCase(extension, ".png")) {
    return NormalizeTextureName(name);
  }
  RString texture = name.substr(0, name.size() - extension.size()) + ".paa";
  if (IsToolMakeFunctions() && !ChildProcesses().Find(texture) &&
      Files().TimeStamp(name) > Files().TimeStamp(texture) && Files().Release(texture)) {
    pid_t child = 0;
    if (MakeFunctions().Start(name.c_str(), texture.c_str(), "kilnify", &child) >= 0) {
      ChildProcesses().Add(texture, child);
    }
  }
  return NormalizeTextureName(texture);
}

}  // namespace

void InsertUsedTexture(UsedTextureSet& set, const RString& name) { set.insert(name); }

void CollectUsedTextures(UsedTextureSet& set) {
  std::vector<std::string> registered = TextureNames().Entries();
  for (size_t i = 1; i < registered.size(); ++i) InsertFileTexture(set, registered[i]);
  for (const auto& material : Materials().All()) {
    if (!material) continue;
    for (const RString& name : material->TextureNames()) InsertFileTexture(set, name);
  }
  for (const std::string& name : Textures().Names()) InsertFileTexture(set, name);
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

    if (AsciiEqualIgnoreCase(GetExtension(line), ".rvmat")) MaterialByName(line);
    RString name = ResolveTextureName(line);
    if (texturesFolder.empty()) continue;
    RString target = (texturesFolder + name).substr(0, kMaxTarget);
    uint32_t targetTime = Files().TimeStamp(target);
    if (targetTime != 0 && targetTime >= Files().TimeStamp(name)) continue;
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
    if (IsProcedural(name)) continue;
    // A texture still being made from its image gets its time stamp when it is done.
    if (ChildProcessList::Entry* running = ChildProcesses().Find(name)) ChildProcesses().Wait(running);
    int64_t sourceTime = Files().TimeStamp(name);
    RString target = settings.texturesFolder + name;
    if (!IsUpToDate(sourceTime, target) && !IsExcluded(settings, name, name)) StartTextureCopy(name, target);
  }
}

}  // namespace kln
