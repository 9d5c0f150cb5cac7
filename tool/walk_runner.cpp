#include "tool/walk_runner.h"

#include <sys/stat.h>

#include <map>

#include "el/qstream/read_recorder.h"
#include "platform/ascii.h"
#include "platform/host_file.h"
#include "tool/conversion_workers.h"
#include "tool/file_paths.h"
#include "tool/folder_walk.h"
#include "tool/hash_state.h"
#include "tool/ninja_file.h"

namespace kln {
namespace {

// Identity of an output: an atomic write gives it a new inode and time.
struct FileIdentity {
  bool exists = false;
  ino_t inode = 0;
  int64_t modified = 0;
  bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const RString& enginePath) {
  struct stat info {};
  if (::stat(HostPathOf(enginePath).c_str(), &info) != 0) return {};
  return {true, info.st_ino, static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

bool IsTextureList(const QueuedFile& file) { return AsciiEqualIgnoreCase(GetExtension(file.entry.source), ".lst"); }

void ConvertAll(RunSettings& settings, const AutoArray<QueuedFile>& queue, const std::vector<size_t>& indices,
                bool recordReads, const OutcomeHandler& done) {
  if (settings.jobs > 1) {
    ConvertInWorkers(settings, queue, indices, settings.jobs, recordReads, done);
    return;
  }
  for (size_t index : indices) done(index, ConvertQueued(settings, queue[index], recordReads));
}

void RunWithHashCheck(RunSettings& settings, const AutoArray<QueuedFile>& queue, const RString& destination) {
  // The configurations that start-up read are inputs of every output.
  const std::vector<std::string> startupReads = RecordedReads();
  StopRecordingReads();
  HashState state;
  state.Load(WithTrailingBackslash(destination) + HashState::kFileName, OutputKey(settings));
  std::vector<size_t> indices;
  std::map<size_t, FileIdentity> before;
  for (size_t i = 0; i < queue.size(); ++i) {
    const RString& output = queue[i].entry.destination;
    if (!IsTextureList(queue[i]) && state.UpToDate(output, queue[i].destinationExists)) {
      for (const std::string& texture : state.Textures(output)) settings.usedTextures.insert(texture);
      continue;
    }
    indices.push_back(i);
    before[i] = IdentityOf(output);
  }
  ConvertAll(settings, queue, indices, true, [&](size_t index, const ConversionOutcome& outcome) {
    if (IsTextureList(queue[index])) return;
    const RString& output = queue[index].entry.destination;
    const FileIdentity after = IdentityOf(output);
    if (outcome.finished && after.exists && !(after == before[index])) {
      std::vector<std::string> inputs = startupReads;
      inputs.insert(inputs.end(), outcome.dependencies.begin(), outcome.dependencies.end());
      state.Record(output, inputs, outcome.textures);
    } else {
      state.Forget(output);
    }
  });
  state.Save();
}

}  // namespace

void RunWalk(RunSettings& settings, const RString& source, const RString& destination) {
  if (settings.jobs <= 1 && !settings.hashCheck && settings.ninjaFile.empty()) {
    WalkFolder(settings, source, destination);
    return;
  }
  // Hash checking and the build file decide for themselves what is up to date.
  const bool always = settings.always;
  if (settings.hashCheck || !settings.ninjaFile.empty()) settings.always = true;
  AutoArray<QueuedFile> queue;
  WalkFolder(settings, source, destination, &queue);
  settings.always = always;

  if (!settings.ninjaFile.empty()) {
    WriteNinjaFile(settings, queue, source, destination);
    return;
  }
  if (settings.hashCheck) {
    RunWithHashCheck(settings, queue, destination);
    return;
  }
  std::vector<size_t> indices(queue.size());
  for (size_t i = 0; i < queue.size(); ++i) indices[i] = i;
  ConvertAll(settings, queue, indices, false, [](size_t, const ConversionOutcome&) {});
}

}  // namespace kln
