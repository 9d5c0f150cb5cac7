#include "tool/folder_walk.h"

#include <cctype>
#include <filesystem>
#include <optional>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/qstream/qo_file_stream.h"
#include "engine/material_cache.h"
#include "engine/process_flags.h"
#include "engine/shape_bank.h"
#include "lib/shape/skeleton_bank.h"
#include "platform/ascii.h"
#include "platform/engine_path.h"
#include "platform/file_search.h"
#include "platform/host_file.h"
#include "platform/visited_folders.h"
#include "tool/animation_step.h"
#include "tool/conversion_entry.h"
#include "tool/file_paths.h"
#include "tool/file_step_record.h"
#include "tool/match_pattern.h"
#include "tool/model_step.h"
#include "tool/run_journal.h"
#include "tool/stop_signals.h"
#include "tool/used_textures.h"
#include "tool/world_step.h"

namespace kln {
namespace {

RString LowerCase(const std::string& name) {
  RString lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// What one walk carries from folder to folder.
struct WalkState {
  RString destinationRoot;                    // the destination as given, ending in '\'
  VisitedFolders visited;                     // every source folder entered
  std::optional<FolderIdentity> destination;  // once the destination folder exists
  // When the source lies inside the destination: its path below the destination, in
  // engine form ending in '\'. Outputs there would replace source files.
  std::optional<RString> sourceBelowDestination;
};

// The path of `from` below `to` ('\\'-separated, ending in '\\') when it lies strictly
// inside it; nothing otherwise.
std::optional<RString> PathBelow(const std::filesystem::path& from, const std::filesystem::path& to) {
  const std::filesystem::path relative = from.lexically_relative(to);
  if (relative.empty() || relative == "." || *relative.begin() == "..") return std::nullopt;
  return WithTrailingBackslash(ToEnginePath(relative.string()));
}

// The path of `source` below `destination` when the source lies inside the destination,
// as the folders are spelled (a link in the source's path leads the walk's outputs
// through it) or as they are on the host (links followed); nothing otherwise.
std::optional<RString> SourceBelowDestination(const RString& source, const RString& destination) {
  const std::string from = HostPathOf(source), to = HostPathForWrite(destination);
  std::error_code error;
  const std::filesystem::path fromSpelled = std::filesystem::absolute(from, error).lexically_normal();
  const std::filesystem::path toSpelled = std::filesystem::absolute(to, error).lexically_normal();
  if (error) return std::nullopt;
  if (std::optional<RString> below = PathBelow(fromSpelled, toSpelled)) return below;
  const std::filesystem::path fromFound = std::filesystem::weakly_canonical(from, error);
  if (error) return std::nullopt;
  const std::filesystem::path toFound = std::filesystem::weakly_canonical(to, error);
  if (error) return std::nullopt;
  return PathBelow(fromFound, toFound);
}

// True (with a message) when the entry may not be written: its destination lies outside
// the destination folder or inside the source. Paths are joined from names the walk has
// checked, so this holds; it is checked anyway, as the last guard before a step writes.
bool RefusesDestination(const WalkState& walk, const ConversionEntry& entry) {
  if (!IsInsideFolder(entry.destination, walk.destinationRoot)) {
    ErrorMessage("Destination %s lies outside the destination folder %s; %s is not converted",
                 entry.destination.c_str(), walk.destinationRoot.c_str(), entry.source.c_str());
    return true;
  }
  if (walk.sourceBelowDestination &&
      entry.destination.compare(walk.destinationRoot.size(), walk.sourceBelowDestination->size(),
                                *walk.sourceBelowDestination) == 0) {
    ErrorMessage("Destination %s lies inside the source folder; %s is not converted", entry.destination.c_str(),
                 entry.source.c_str());
    return true;
  }
  return false;
}

// Hands the entry to the step of its kind; false when no step takes it.
bool Dispatch(RunSettings& settings, const ConversionEntry& entry, const RString& sourceFolder) {
  std::string_view extension = GetExtension(entry.source);
  if (AsciiEqualIgnoreCase(extension, ".p3d")) {
    ConvertModel(settings, entry);
    return true;
  }
  if (AsciiEqualIgnoreCase(extension, ".wrp")) {
    ConvertWorld(settings, entry);
    return true;
  }
  if (settings.convertAnimations && AsciiEqualIgnoreCase(extension, ".rtm")) {
    ConvertAnimation(settings, entry);
    return true;
  }
  if (AsciiEqualIgnoreCase(extension, ".lst") && settings.copyTextures &&
      AsciiEqualIgnoreCase(entry.source, sourceFolder + "textures.lst")) {
    NoticeMessage("Found %s, inserting textures not linked by .p3d-s...", entry.source.c_str());
    ReadTextureList(settings.usedTextures, entry.source, settings.texturesFolder);
    CollectUsedTextures(settings.usedTextures, entry.source);
    return true;
  }
  return false;
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

// A name of the host that the engine's paths cannot hold: a backslash in it would be read
// as a folder separator, so that the file "..\x.p3d" would be written beside the folder.
bool IsUnusableName(const std::string& name) { return name.find('\\') != std::string::npos; }

// False (with a message) for a folder the walk must not go through: one entered before,
// which a link leads back to, or the destination lying inside the source.
bool MayEnter(WalkState& walk, const FileSearch& search, const RString& folder) {
  if (!walk.destination) walk.destination = IdentityOfFolder(HostPathForWrite(walk.destinationRoot));
  if (search.Folder() && search.Folder() == walk.destination) {
    ErrorMessage("Folder %s is the destination folder; it is left out of the walk", folder.c_str());
    return false;
  }
  if (!walk.visited.Enter(search.Folder())) {
    ErrorMessage("Folder %s leads to a folder visited already (a link); it is skipped", folder.c_str());
    return false;
  }
  return true;
}

void Walk(RunSettings& settings, WalkState& walk, const RString& source, const RString& destination,
          AutoArray<QueuedFile>* collected) {
  if (StopRequested()) return;
  const RString s = WithTrailingBackslash(source);
  const RString d = WithTrailingBackslash(destination);
  const RString pattern = s + "*" + settings.wildcard;

  FileSearch search;
  if (!search.Start(pattern)) {
    ErrorMessage("DirIterator: wrong filespec: %s", pattern.c_str());
    return;
  }
  if (!MayEnter(walk, search, s)) return;
  // A run that was killed may have left temporary files where it wrote.
  RemoveLeftoverTemporaryFiles(HostPathForWrite(d));

  AutoArray<ConversionEntry> queue;
  std::vector<bool> destinationExists;
  const FolderWriteTimes destinationTimes(d);
  FileSearchEntry found;
  while (search.Next(found)) {
    if (IsUnusableName(found.name)) {
      ErrorMessage("Name %s in folder %s holds a '\\'; it is left out", found.name.c_str(), s.c_str());
      continue;
    }
    if (found.attrib & FileSearchEntry::kFolder) {
      if (found.name == "." || found.name == ".." || settings.noRecursion) continue;
      if (Excluded(settings, found.name, s)) continue;
      // An existing destination folder or file is met whatever its letter case, as on
      // Windows, so that no second copy in another case appears beside it.
      Walk(settings, walk, s + found.name, d + destinationTimes.Find(found.name).name, collected);
      continue;
    }
    if (ShrinkModels() && !AsciiEqualIgnoreCase(GetExtension(s + found.name), ".p3d")) continue;
    const FolderWriteTimes::Entry target = destinationTimes.Find(found.name);
    if (Excluded(settings, found.name, s)) {
      NoteSkippedFile(settings, s, found.name, d, target.name, FileAction::kExcluded);
      continue;
    }
    // Up to date: the source was written no later than the destination's stamp (IsUpToDate).
    if (!settings.always && found.writeTime <= DestinationStamp(target.time)) {
      NoteSkippedFile(settings, s, found.name, d, target.name, FileAction::kUpToDate);
      continue;
    }
    queue.push_back({s + found.name, d + target.name});
    destinationExists.push_back(target.time.has_value());
    NoteQueuedFile();
  }

  for (size_t i = 0; i < queue.size(); ++i) {
    const ConversionEntry& entry = queue[i];
    // A signal stops the run between two files; the files still queued are not recorded.
    if (StopRequested()) break;
    if (collected) {
      if (!RefusesDestination(walk, entry)) collected->push_back({entry, s, destinationExists[i]});
      continue;
    }
    {
      FileStepRecord record(settings, entry, s);
      if (!RefusesDestination(walk, entry) && !Dispatch(settings, entry, s)) record.Drop();
    }
    EmptyCaches();
  }
}

}  // namespace

void WalkFolder(RunSettings& settings, const RString& source, const RString& destination,
                AutoArray<QueuedFile>* collected) {
  WalkState walk;
  walk.destinationRoot = WithTrailingBackslash(destination);
  walk.sourceBelowDestination = SourceBelowDestination(source, destination);
  Walk(settings, walk, source, destination, collected);
}

void DispatchQueued(RunSettings& settings, const QueuedFile& file) {
  {
    FileStepRecord record(settings, file.entry, file.sourceFolder);
    if (!Dispatch(settings, file.entry, file.sourceFolder)) record.Drop();
  }
  EmptyCaches();
}

}  // namespace kln
