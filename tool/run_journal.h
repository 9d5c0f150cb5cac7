#pragma once
// What a conversion run did, file by file: the facts behind the run report, the summary
// line and the progress line. The walk notes files into the journal of the running
// conversion; outside a run (tests that walk on their own) there is none and nothing is
// noted.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "el/appframe/message_capture.h"
#include "el/qstream/basic_types.h"
#include "tool/conversion_entry.h"
#include "tool/run_settings.h"

namespace kln {

class ProgressLine;

enum class FileKind { kModel, kWorld, kAnimation, kTextureList };
enum class FileAction { kConverted, kUpToDate, kExcluded, kFailed };

// The names the run report uses: "model", "world", "animation", "texture list";
// "converted", "up-to-date", "excluded", "failed".
const char* FileKindName(FileKind kind);
const char* FileActionName(FileAction action);

struct FileMessage {
  MessageSeverity severity = MessageSeverity::kInfo;
  std::string text;
  std::string file;  // the file the message names; empty when it names none
  int line = 0;      // its line, when `file` is set
};

struct FileRecord {
  RString source;
  RString destination;
  FileKind kind = FileKind::kModel;
  FileAction action = FileAction::kConverted;
  double seconds = 0;                  // time the conversion step took
  std::optional<uint64_t> outputSize;  // size of what the step wrote, when it wrote
  std::vector<std::string> textures;   // textures the step used, sorted
  std::vector<FileMessage> messages;   // what the step printed, in order
};

// A record of `entry` without time, output, textures or messages yet.
FileRecord NewFileRecord(const ConversionEntry& entry, FileKind kind, FileAction action);

struct RunCounts {
  int converted = 0;
  int upToDate = 0;
  int excluded = 0;
  int failed = 0;
  int warnings = 0;  // messages of the files of severity warning
  int errors = 0;    // messages of the files of severity error
};

class RunJournal {
 public:
  // `arguments`: the run's argument vector, the program name first.
  explicit RunJournal(std::vector<std::string> arguments);

  const std::vector<std::string>& Arguments() const { return arguments_; }
  std::chrono::system_clock::time_point StartTime() const { return startTime_; }
  // Seconds since the journal was started; frozen once the run is finished.
  double Seconds() const;

  // A file waits in a folder's queue; a queued file was taken by a step or passed over.
  void FileQueued() { ++queued_; }
  void FileLeftQueue() { --queued_; }
  int Queued() const { return queued_; }
  // A step is starting on `source` (shown by the progress line, when there is one).
  void FileStarted(const RString& source);
  void Add(FileRecord record);

  const std::vector<FileRecord>& Files() const { return files_; }
  RunCounts Counts() const;

  void SetProgress(ProgressLine* progress) { progress_ = progress; }

  // The end of the run: the time stops, the outcome is kept for the report.
  void Finish(int exitCode, bool interrupted);
  int ExitCode() const { return exitCode_; }
  bool Interrupted() const { return interrupted_; }

 private:
  void ShowProgress(const RString& current);

  std::vector<std::string> arguments_;
  std::chrono::system_clock::time_point startTime_;
  std::chrono::steady_clock::time_point start_;
  std::optional<double> finishedSeconds_;
  std::vector<FileRecord> files_;
  int queued_ = 0;
  ProgressLine* progress_ = nullptr;
  int exitCode_ = 0;
  bool interrupted_ = false;
};

// The journal of the running conversion, or null.
RunJournal* CurrentJournal();

// Makes `journal` the current one while it lives.
class ScopedJournal {
 public:
  explicit ScopedJournal(RunJournal& journal);
  ~ScopedJournal();
  ScopedJournal(const ScopedJournal&) = delete;
  ScopedJournal& operator=(const ScopedJournal&) = delete;
};

// The kind of the file `name` of a walked folder: ".p3d" a model, ".wrp" a world, ".rtm"
// an animation, "textures.lst" a texture list when textures are copied; nothing for any
// other file.
std::optional<FileKind> FileKindOf(const RunSettings& settings, std::string_view name);

// The walk passed over the file `name` of `folder` (ending in '\'), whose destination is
// `destinationName` in `destinationFolder`, as excluded or up to date: a record for it
// when it is of a known kind (no time, output or messages). The paths are formed only
// then, so that a large tree of files up to date costs no more than before.
void NoteSkippedFile(const RunSettings& settings, const RString& folder, const std::string& name,
                     const RString& destinationFolder, const std::string& destinationName, FileAction action);
// The walk queued a file.
void NoteQueuedFile();

}  // namespace kln
