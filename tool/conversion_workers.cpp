#include "tool/conversion_workers.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "el/appframe/app_frame.h"
#include "el/qstream/read_recorder.h"
#include "platform/ascii.h"
#include "tool/file_paths.h"
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

[[noreturn]] void RunWorker(RunSettings& settings, const QueuedFile& file, bool recordReads, int fd) {
  static WorkerMessageSink sink(fd);
  SetAppFrameFunctions(&sink);
  if (KilledForTest(file)) {
    LogMessage("Convert %s (killed for the test)", file.entry.source.c_str());
    ::raise(SIGKILL);
  }
  ConversionOutcome outcome = ConvertQueued(settings, file, recordReads);
  std::string records;
  for (const std::string& texture : outcome.textures) AppendRecord(records, WorkerRecord::kTexture, texture);
  for (const std::string& path : outcome.dependencies) AppendRecord(records, WorkerRecord::kDependency, path);
  AppendRecord(records, WorkerRecord::kFinished, "");
  WriteAll(fd, records);
  std::fflush(nullptr);
  ::_exit(0);
}

struct Slot {
  pid_t pid = -1;
  int fd = -1;
  std::string bytes;
  bool done = false;
  bool started = true;
  int status = 0;
};

// Starts a worker for `file`; false when no process could be made.
bool StartWorker(RunSettings& settings, const QueuedFile& file, bool recordReads, Slot& slot) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (pid == 0) {
    ::close(fds[0]);
    RunWorker(settings, file, recordReads, fds[1]);
  }
  ::close(fds[1]);
  slot.pid = pid;
  slot.fd = fds[0];
  return true;
}

// Reads from every running worker until at least one of them has ended.
void CollectFromWorkers(std::map<size_t, Slot>& running) {
  std::vector<pollfd> polls;
  std::vector<size_t> owners;
  for (auto& [index, slot] : running) {
    if (slot.done) continue;
    polls.push_back({slot.fd, POLLIN, 0});
    owners.push_back(index);
  }
  if (polls.empty()) return;
  if (::poll(polls.data(), polls.size(), -1) < 0) return;
  char buffer[65536];
  for (size_t i = 0; i < polls.size(); ++i) {
    if (polls[i].revents == 0) continue;
    Slot& slot = running[owners[i]];
    ssize_t got = ::read(slot.fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got > 0) {
      slot.bytes.append(buffer, static_cast<size_t>(got));
      continue;
    }
    ::close(slot.fd);
    while (::waitpid(slot.pid, &slot.status, 0) < 0 && errno == EINTR) {
    }
    slot.done = true;
  }
}

ConversionOutcome FinishSlot(const QueuedFile& file, const Slot& slot) {
  WorkerReport report = DecodeWorkerRecords(slot.bytes);
  ReplayLines(report);
  ConversionOutcome outcome;
  if (!slot.started) {
    ErrorMessage("Conversion of %s failed: no worker could be started", file.entry.source.c_str());
    outcome.finished = false;
    return outcome;
  }
  outcome.finished = report.finished && WIFEXITED(slot.status) && WEXITSTATUS(slot.status) == 0;
  if (!outcome.finished) {
    if (WIFSIGNALED(slot.status)) {
      ErrorMessage("Conversion of %s failed: its worker was ended by signal %d", file.entry.source.c_str(),
                   WTERMSIG(slot.status));
    } else {
      ErrorMessage("Conversion of %s failed: its worker stopped before the end", file.entry.source.c_str());
    }
    return outcome;
  }
  outcome.textures = std::move(report.textures);
  outcome.dependencies = std::move(report.dependencies);
  return outcome;
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

void ConvertInWorkers(RunSettings& settings, const AutoArray<QueuedFile>& queue, const std::vector<size_t>& indices,
                      int jobs, bool recordReads, const OutcomeHandler& done) {
  std::map<size_t, Slot> running;  // by position in `indices`
  size_t nextToStart = 0;
  size_t workers = 0;
  for (size_t next = 0; next < indices.size();) {
    while (workers < static_cast<size_t>(jobs) && nextToStart < indices.size()) {
      const QueuedFile& file = queue[indices[nextToStart]];
      if (!RunsInParent(file)) {
        Slot& slot = running[nextToStart];
        if (StartWorker(settings, file, recordReads, slot)) {
          ++workers;
        } else {
          slot.done = true;  // reported as a failed file at its turn
          slot.started = false;
        }
      }
      ++nextToStart;
    }
    const QueuedFile& file = queue[indices[next]];
    if (RunsInParent(file)) {
      done(indices[next], ConvertQueued(settings, file, recordReads));
      ++next;
      continue;
    }
    auto slot = running.find(next);
    if (slot == running.end() || !slot->second.done) {
      CollectFromWorkers(running);
      workers = 0;
      for (const auto& [index, s] : running) workers += s.done ? 0 : 1;
      continue;
    }
    ConversionOutcome outcome = FinishSlot(file, slot->second);
    for (const std::string& texture : outcome.textures) settings.usedTextures.insert(texture);
    running.erase(slot);
    done(indices[next], outcome);
    ++next;
  }
}

}  // namespace kln
