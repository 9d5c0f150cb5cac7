#pragma once
// Converting the queued files of a walk in worker processes (-j N).
//
// The workers are forked after start-up, so each shares the loaded configuration and
// engine; each is handed one file at a time (the next in walk order that no worker has)
// and empties the caches after it, as the walk does. Their messages come back through pipes and are printed file by file in the
// walk's order, so that the log is the one a single process prints. Texture lists are read
// by the run itself at their turn (they start texture conversions that the run waits for).
// A worker that dies before finishing fails its file with a message; a new worker takes
// the files after it, and the run goes on.
#include <functional>
#include <string>
#include <vector>

#include "tool/folder_walk.h"
#include "tool/run_settings.h"

namespace kln {

struct ConversionOutcome {
  std::vector<std::string> dependencies;  // host paths read, when reads were recorded
  std::vector<std::string> textures;      // textures that the conversion added to the used set
  bool finished = true;                   // false when the worker died
};

// Converts `file` in this process; with `recordReads`, the outcome names what it read.
ConversionOutcome ConvertQueued(RunSettings& settings, const QueuedFile& file, bool recordReads);

// Called for each converted file, in the order of the indices given.
using OutcomeHandler = std::function<void(size_t index, const ConversionOutcome&)>;

// Converts the files of `queue` at `indices` in at most `jobs` workers at once; the used
// textures of every worker join `settings.usedTextures`.
void ConvertInWorkers(RunSettings& settings, const AutoArray<QueuedFile>& queue, const std::vector<size_t>& indices,
                      int jobs, bool recordReads, const OutcomeHandler& done);

}  // namespace kln
