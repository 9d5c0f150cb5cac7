#include "tool/folder_walk.h"

#include <cctype>
#include <vector>

#include "el/appframe/app_frame.h"
#include "engine/material_cache.h"
#include "engine/process_flags.h"
#include "engine/shape_bank.h"
#include "platform/ascii.h"
#include "platform/file_search.h"
#include "lib/shape/skeleton_bank.h"
#include "tool/animation_step.h"
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
  } else if (settings.convertAnimations && AsciiEqualIgnoreCase(extension, ".rtm")) {
    ConvertAnimation(settings, entry);
  } else if (AsciiEqualIgnoreCase(extension, ".lst")) {
    if (settings.copyTextures && AsciiEqualIgnoreCase(entry.source, sourceFolder + "textures.lst")) {
      ErrorMessage("Found %s, inserting textures not linked by .p3d-s...", entry.source.c_str());
      ReadTextureList(settings.usedTextures, entry.source, settings.texturesFolder);
      CollectUsedTextures(settings.usedTextures);
    }
  }
}

// IsExcluded for the entry `name` of the folder `folder` (ending in '\'), its path and
// lower-case name formed only when there are patterns to test them against.
bool Excluded(const RunSettings& settings, const std::string& name, const RString& folder) {
  return !settings.exclusionList.empty() && IsExcluded(settings, LowerCase(name), folder + name);
}

// The time stamp the engine's file server gives a file of the destination folder: the
// last-write time as an unsigned 32-bit value, 0 when the file cannot be reached. The
// converter mounts no file banks, so the stamp is the disk's, looked up relative to the
// folder rather than through the whole path of every file.
int64_t DestinationStamp(const std::optional<int64_t>& time) {
  return time ? static_cast<int64_t>(static_cast<uint32_t>(*time)) : 0;
}

// Every file is converted against an empty shape bank, material cache and skeleton cache.
void EmptyCaches() {
  Shapes().ClearAll();
  Materials().DeleteAll();
  Skeletons().Clear();
}

}  // namespace

void WalkFolder(RunSettings& settings, const RString& source, const RString& destination,
                AutoArray<QueuedFile>* collected) {
  const RString s = WithTrailingBackslash(source);
  const RString d = WithTrailingBackslash(destination);
  const RString pattern = s + "*" + settings.wildcard;

  FileSearch search;
  if (!search.Start(pattern)) {
    ErrorMessage("DirIterator: wrong filespec: %s", pattern.c_str());
    return;
  }

  AutoArray<ConversionEntry> queue;
  std::vector<bool> destinationExists;
  const FolderWriteTimes destinationTimes(d);
  FileSearchEntry found;
  while (search.Next(found)) {
    if (found.attrib & FileSearchEntry::kFolder) {
      if (found.name == "." || found.name == ".." || settings.noRecursion) continue;
      if (Excluded(settings, found.name, s)) continue;
      // An existing destination folder or file is met whatever its letter case, as on
      // Windows, so that no second copy in another case appears beside it.
      WalkFolder(settings, s + found.name, d + destinationTimes.Find(found.name).name, collected);
      continue;
    }
    if (ShrinkModels() && !AsciiEqualIgnoreCase(GetExtension(s + found.name), ".p3d")) continue;
    if (Excluded(settings, found.name, s)) continue;
    // Up to date: the source was written no later than the destination's stamp (IsUpToDate).
    const FolderWriteTimes::Entry target = destinationTimes.Find(found.name);
    if (settings.always || found.writeTime > DestinationStamp(target.time)) {
      queue.push_back({s + found.name, d + target.name});
      destinationExists.push_back(target.time.has_value());
    }
  }

  for (size_t i = 0; i < queue.size(); ++i) {
    const ConversionEntry& entry = queue[i];
    if (collected) {
      collected->push_back({entry, s, destinationExists[i]});
      continue;
    }
    Dispatch(settings, entry, s);
    EmptyCaches();
  }
}

void DispatchQueued(RunSettings& settings, const QueuedFile& file) {
  Dispatch(settings, file.entry, file.sourceFolder);
  EmptyCaches();
}

}  // namespace kln
