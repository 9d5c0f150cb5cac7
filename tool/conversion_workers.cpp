#include "tool/conversion_workers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <utility>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>

#include "el/appframe/app_frame.h"
#include "el/qstream/read_recorder.h"
#include "engine/texture_bank.h"
#include "platform/ascii.h"
#include "platform/host_file.h"
#include "tool/file_paths.h"
#include "tool/file_step_record.h"
#include "tool/used_textures.h"
#include "tool/worker_messages.h"

namespace kln {
namespace {

// Texture lists start texture conversions that the run itself must wait for.
bool RunsInParent(const QueuedFile& file) { return AsciiEqualIgnoreCase(GetExtension(file.entry.source), ".lst"); }

// A test stops the worker converting a source whose path contains this text, as a crash would.
bool KilledForTest(const QueuedFile& file) {
  const char* name = std::getenv("KILNIFY_TEST_KILL_WORKER");
  return name && *name && file.entry.source.find(name) != std::string::npos;
}

// A worker: converts the files whose queue positions arrive on `commands`, one after the
// other, and sends each file's records ending in kFinished; ends when the commands end.
[[noreturn]] void RunWorker(RunSettings& settings, const AutoArray<QueuedFile>& queue, bool recordReads, int commands,
                            int results) {
  static WorkerMessageSink sink(results);  // made once per worker process
  SetAppFrameFunctions(&sink);
  uint64_t index = 0;
  for (;;) {
    ssize_t got = ::read(commands, &index, sizeof index);
    if (got < 0 && errno == EINTR) continue;
    if (got != static_cast<ssize_t>(sizeof index) || index >= queue.size()) break;
    const QueuedFile& file = queue[index];
    if (KilledForTest(file)) {
      LogMessage("Convert %s (killed for the test)", file.entry.source.c_str());
      ::raise(SIGKILL);
    }
    // Each file reports every texture it uses (the run keeps the union, and the first file
    // in walk order that named each), whatever files this worker converted before.
    settings.usedTextures.clear();
    std::set<std::string> loaded;  // the textures loaded, for the run's record of the file
    std::set<std::string>* outer = Textures().SetUseLog(&loaded);
    ConversionOutcome outcome = ConvertQueued(settings, file, recordReads);
    Textures().SetUseLog(outer);
    std::string records;
    for (const std::string& texture : loaded) AppendRecord(records, WorkerRecord::kLoaded, texture);
    for (const std::string& texture : outcome.textures) AppendRecord(records, WorkerRecord::kTexture, texture);
    for (const std::string& path : outcome.dependencies) AppendRecord(records, WorkerRecord::kDependency, path);
    AppendRecord(records, WorkerRecord::kFinished, "");
    if (!WriteAll(results, records)) break;
  }
  std::fflush(nullptr);
  ::_exit(0);
}

struct Worker {
  pid_t pid = -1;
  int commands = -1;  // write end
  int results = -1;   // read end
  bool busy = false;
  size_t file = 0;    // the position in `indices` it converts while busy
  std::string bytes;  // records of that file so far
};

// A worker keeps none of the other workers' pipe ends: a command pipe must end when the
// run closes it, whatever workers were started after.
bool StartWorker(RunSettings& settings, const AutoArray<QueuedFile>& queue, bool recordReads,
                 const std::vector<Worker>& others, Worker& worker) {
  int commands[2];
  int results[2];
  if (::pipe2(commands, O_CLOEXEC) != 0) return false;
  if (::pipe2(results, O_CLOEXEC) != 0) {
    ::close(commands[0]);
    ::close(commands[1]);
    return false;
  }
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(commands[1]);
    ::close(results[0]);
    for (const Worker& other : others) {
      if (other.commands >= 0) ::close(other.commands);
      if (other.results >= 0) ::close(other.results);
    }
    RunWorker(settings, queue, recordReads, commands[0], results[1]);
  }
  ::close(commands[0]);
  ::close(results[1]);
  if (pid < 0) {
    ::close(commands[1]);
    ::close(results[0]);
    return false;
  }
  worker = Worker{};
  worker.pid = pid;
  worker.commands = commands[1];
  worker.results = results[0];
  return true;
}

void StopWorker(Worker& worker, int* status) {
  if (worker.commands >= 0) ::close(worker.commands);
  if (worker.results >= 0) ::close(worker.results);
  int ignored = 0;
  while (::waitpid(worker.pid, status ? status : &ignored, 0) < 0 && errno == EINTR) {
  }
  worker = Worker{};
}

// The outcome of a file whose worker died, after its messages so far.
ConversionOutcome FailedFile(const QueuedFile& file, const std::string& bytes, int status, bool started) {
  ReplayLines(DecodeWorkerRecords(bytes));
  ConversionOutcome outcome;
  outcome.finished = false;
  if (!started) {
    ErrorMessage("Conversion of %s failed: no worker could be started", file.entry.source.c_str());
  } else if (WIFSIGNALED(status)) {
    ErrorMessage("Conversion of %s failed: its worker was ended by signal %d", file.entry.source.c_str(),
                 WTERMSIG(status));
  } else {
    ErrorMessage("Conversion of %s failed: its worker stopped before the end", file.entry.source.c_str());
  }
  return outcome;
}

struct Finished {
  std::string bytes;
  bool failed = false;
  bool started = true;
  int status = 0;
};

// What the run knew of a file when a worker took it, for the file's record.
FileStepRecord::Handover HandoverOf(const QueuedFile& file) {
  return {FileStepRecord::StateOf(file.entry.destination), std::chrono::steady_clock::now(), {}};
}

}  // namespace

ConversionOutcome ConvertQueued(RunSettings& settings, const QueuedFile& file, bool recordReads) {
  const UsedTextureSet before = settings.usedTextures;
  if (recordReads) StartRecordingReads();
  DispatchQueued(settings, file);
  ConversionOutcome outcome;
  if (recordReads) {
    StopRecordingReads();
    outcome.dependencies = RecordedReads();
  }
  for (const RString& texture : settings.usedTextures)
    if (!before.count(texture)) outcome.textures.push_back(texture);
  return outcome;
}

namespace {

// The positions in `indices` of the files that workers convert, largest source first
// (files of equal size in walk order).
std::vector<size_t> LargestFirst(const AutoArray<QueuedFile>& queue, const std::vector<size_t>& indices) {
  std::vector<std::pair<uintmax_t, size_t>> sized;
  for (size_t position = 0; position < indices.size(); ++position) {
    const QueuedFile& file = queue[indices[position]];
    if (RunsInParent(file)) continue;
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(HostPathOf(file.entry.source), error);
    sized.emplace_back(error ? 0 : size, position);
  }
  std::stable_sort(sized.begin(), sized.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<size_t> order;
  order.reserve(sized.size());
  for (const auto& entry : sized) order.push_back(entry.second);
  return order;
}

}  // namespace

void ConvertInWorkers(RunSettings& settings, const AutoArray<QueuedFile>& queue, const std::vector<size_t>& indices,
                      int jobs, bool recordReads, const OutcomeHandler& done) {
  std::vector<Worker> workers(static_cast<size_t>(std::max(1, jobs)));
  std::map<size_t, Finished> finished;  // by position in `indices`, until printed
  std::map<size_t, FileStepRecord::Handover> handovers;  // by position in `indices`
  // Files go to the workers largest first, so that no large file is left to run alone at
  // the end; they are still printed in walk order.
  const std::vector<size_t> order = LargestFirst(queue, indices);
  size_t nextToAssign = 0;  // into `order`
  size_t nextToPrint = 0;
  auto assign = [&](Worker& worker) {
    if (nextToAssign >= order.size()) return;
    const size_t position = order[nextToAssign++];
    handovers[position] = HandoverOf(queue[indices[position]]);
    if (worker.pid < 0 && !StartWorker(settings, queue, recordReads, workers, worker)) {
      finished[position] = Finished{"", true, false, 0};
      return;
    }
    const uint64_t index = indices[position];
    if (!WriteAll(worker.commands, std::string_view(reinterpret_cast<const char*>(&index), sizeof index))) {
      int status = 0;
      StopWorker(worker, &status);
      finished[position] = Finished{"", true, true, status};
      return;
    }
    worker.busy = true;
    worker.file = position;
    worker.bytes.clear();
  };

  while (nextToPrint < indices.size()) {
    for (Worker& worker : workers)
      if (!worker.busy) assign(worker);
    // Print what is complete, in order; texture lists are read here at their turn.
    while (nextToPrint < indices.size()) {
      const size_t index = indices[nextToPrint];
      if (RunsInParent(queue[index])) {
        done(index, ConvertQueued(settings, queue[index], recordReads));
      } else {
        auto found = finished.find(nextToPrint);
        if (found == finished.end()) break;
        ConversionOutcome outcome;
        FileStepRecord::Handover handover = handovers[nextToPrint];
        if (found->second.failed) {
          FileStepRecord record(settings, queue[index].entry, queue[index].sourceFolder, handover);
          outcome = FailedFile(queue[index], found->second.bytes, found->second.status, found->second.started);
        } else {
          WorkerReport report = DecodeWorkerRecords(found->second.bytes);
          handover.textures = report.loaded;
          FileStepRecord record(settings, queue[index].entry, queue[index].sourceFolder, handover);
          ReplayLines(report);
          outcome.textures = std::move(report.textures);
          outcome.dependencies = std::move(report.dependencies);
          for (const std::string& texture : outcome.textures) {
            settings.usedTextures.insert(texture);
            NoteTextureNamer(texture, queue[index].entry.source);
          }
        }
        finished.erase(found);
        handovers.erase(nextToPrint);
        done(index, outcome);
      }
      ++nextToPrint;
    }
    if (nextToPrint >= indices.size()) break;

    std::vector<pollfd> polls;
    std::vector<Worker*> owners;
    for (Worker& worker : workers) {
      if (!worker.busy) continue;
      polls.push_back({worker.results, POLLIN, 0});
      owners.push_back(&worker);
    }
    if (polls.empty()) continue;
    if (::poll(polls.data(), polls.size(), -1) < 0) continue;
    char buffer[65536];
    for (size_t i = 0; i < polls.size(); ++i) {
      if (polls[i].revents == 0) continue;
      Worker& worker = *owners[i];
      ssize_t got = ::read(worker.results, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got > 0) {
        worker.bytes.append(buffer, static_cast<size_t>(got));
        if (DecodeWorkerRecords(worker.bytes).finished) {
          finished[worker.file] = Finished{std::move(worker.bytes)};
          worker.bytes.clear();
          worker.busy = false;
        }
        continue;
      }
      // The worker ended in the middle of its file; a new one takes the files after it.
      int status = 0;
      const size_t file = worker.file;
      std::string bytes = std::move(worker.bytes);
      StopWorker(worker, &status);
      finished[file] = Finished{std::move(bytes), true, true, status};
    }
  }
  for (Worker& worker : workers)
    if (worker.pid >= 0) StopWorker(worker, nullptr);
}

}  // namespace kln
