#include "tool/folder_walk.h"

#include <cctype>

#include "el/appframe/app_frame.h"
#include "engine/material_cache.h"
#include "engine/process_flags.h"
#include "engine/shape_bank.h"
#include "platform/ascii.h"
#include "platform/file_search.h"
#include "tool/conversion_entry.h"
#include "tool/file_paths.h"
#include "tool/match_pattern.h"
#include "tool/model_step.h"
#include "tool/used_textures.h"
#include "tool/world_step.h"

namespace kln {
namespace {

RString LowerCase(const std::string& name) {
  RString lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

void Dispatch(RunSettings& settings, const ConversionEntry& entry, const RString& sourceFolder) {
  std::string_view extension = GetExtension(entry.source);
  if (AsciiEqualIgnoreCase(extension, ".p3d")) {
    ConvertModel(settings, entry);
  } else if (AsciiEqualIgnoreCase(extension, ".wrp")) {
    ConvertWorld(settings, entry);
  } else if (AsciiEqualIgnoreCase(extension, ".lst")) {
    if (settings.copyTextures && AsciiEqualIgnoreCase(entry.source, sourceFolder + "textures.lst")) {
      ErrorMessage("Found %s, inserting textures not linked by .p3d-s...", entry.source.c_str());
      ReadTextureList(settings.usedTextures, entry.source, settings.texturesFolder);
      CollectUsedTextures(settings.usedTextures);
    }
  }
}

// Every file is converted against an empty shape bank and material cache.
void EmptyCaches() {
  Shapes().ClearAll();
  Materials().DeleteAll();
}

}  // namespace

void WalkFolder(RunSettings& settings, const RString& source, const RString& destination) {
  const RString s = WithTrailingBackslash(source);
  const RString d = WithTrailingBackslash(destination);
  const RString pattern = s + "*" + settings.wildcard;

  FileSearch search;
  if (!search.Start(pattern)) {
    ErrorMessage("DirIterator: wrong filespec: %s", pattern.c_str());
    return;
  }

  AutoArray<ConversionEntry> queue;
  FileSearchEntry found;
  while (search.Next(found)) {
    if (found.attrib & FileSearchEntry::kFolder) {
      if (found.name == "." || found.name == ".." || settings.noRecursion) continue;
      RString subfolder = s + found.name;
      if (IsExcluded(settings, LowerCase(found.name), subfolder)) continue;
      WalkFolder(settings, subfolder, d + found.name);
      continue;
    }
    RString src = s + found.name;
    if (ShrinkModels() && !AsciiEqualIgnoreCase(GetExtension(src), ".p3d")) continue;
    if (IsExcluded(settings, LowerCase(found.name), src)) continue;
    RString dst = d + found.name;
    if (settings.always || !IsUpToDate(found.writeTime, dst)) queue.push_back({std::move(src), std::move(dst)});
  }

  for (const ConversionEntry& entry : queue) {
    Dispatch(settings, entry, s);
    EmptyCaches();
  }
}

}  // namespace kln
