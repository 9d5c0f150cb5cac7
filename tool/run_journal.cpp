#include "tool/run_journal.h"

#include <sys/stat.h>

#include "platform/ascii.h"
#include "platform/host_file.h"
#include "tool/file_paths.h"
#include "tool/progress_line.h"

namespace kln {
namespace {

RunJournal* gJournal = nullptr;

}  // namespace

const char* FileKindName(FileKind kind) {
  switch (kind) {
    case FileKind::kModel: return "model";
    case FileKind::kWorld: return "world";
    case FileKind::kAnimation: return "animation";
    case FileKind::kTextureList: return "texture list";
  }
  return "model";
}

const char* FileActionName(FileAction action) {
  switch (action) {
    case FileAction::kConverted: return "converted";
    case FileAction::kUpToDate: return "up-to-date";
    case FileAction::kExcluded: return "excluded";
    case FileAction::kFailed: return "failed";
  }
  return "failed";
}

FileRecord NewFileRecord(const ConversionEntry& entry, FileKind kind, FileAction action) {
  FileRecord record;
  record.source = entry.source;
  record.destination = entry.destination;
  record.kind = kind;
  record.action = action;
  return record;
}

RunJournal::RunJournal(std::vector<std::string> arguments)
    : arguments_(std::move(arguments)),
      startTime_(std::chrono::system_clock::now()),
      start_(std::chrono::steady_clock::now()) {}

double RunJournal::Seconds() const {
  if (finishedSeconds_) return *finishedSeconds_;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void RunJournal::FileStarted(const RString& source) { ShowProgress(source); }

void RunJournal::Add(FileRecord record) {
  files_.push_back(std::move(record));
  ShowProgress({});
}

void RunJournal::ShowProgress(const RString& current) {
  if (!progress_) return;
  // Only files a step took count as done: skipped files cost no time worth showing.
  int done = 0;
  for (const FileRecord& file : files_) {
    if (file.action == FileAction::kConverted || file.action == FileAction::kFailed) ++done;
  }
  progress_->Show(done, queued_, Seconds(), current);
}

RunCounts RunJournal::Counts() const {
  RunCounts counts;
  for (const FileRecord& file : files_) {
    switch (file.action) {
      case FileAction::kConverted: ++counts.converted; break;
      case FileAction::kUpToDate: ++counts.upToDate; break;
      case FileAction::kExcluded: ++counts.excluded; break;
      case FileAction::kFailed: ++counts.failed; break;
    }
    for (const FileMessage& message : file.messages) {
      if (message.severity == MessageSeverity::kWarning) ++counts.warnings;
      if (message.severity == MessageSeverity::kError) ++counts.errors;
    }
  }
  return counts;
}

void RunJournal::Finish(int exitCode, bool interrupted) {
  finishedSeconds_ = Seconds();
  exitCode_ = exitCode;
  interrupted_ = interrupted;
}

RunJournal* CurrentJournal() { return gJournal; }

ScopedJournal::ScopedJournal(RunJournal& journal) { gJournal = &journal; }
ScopedJournal::~ScopedJournal() { gJournal = nullptr; }

std::optional<FileKind> FileKindOf(const RunSettings& settings, const RString& source, const RString& folder) {
  std::string_view extension = GetExtension(source);
  if (AsciiEqualIgnoreCase(extension, ".p3d")) return FileKind::kModel;
  if (AsciiEqualIgnoreCase(extension, ".wrp")) return FileKind::kWorld;
  if (AsciiEqualIgnoreCase(extension, ".rtm")) return FileKind::kAnimation;
  if (settings.copyTextures && AsciiEqualIgnoreCase(source, folder + "textures.lst")) return FileKind::kTextureList;
  return std::nullopt;
}

void NoteSkippedFile(const RunSettings& settings, const ConversionEntry& entry, const RString& folder,
                     FileAction action) {
  RunJournal* journal = CurrentJournal();
  if (!journal) return;
  std::optional<FileKind> kind = FileKindOf(settings, entry.source, folder);
  if (!kind) return;
  FileRecord record = NewFileRecord(entry, *kind, action);
  struct stat info;
  if (action == FileAction::kUpToDate && ::stat(HostPathOf(entry.destination).c_str(), &info) == 0 &&
      S_ISREG(info.st_mode)) {
    record.outputSize = static_cast<uint64_t>(info.st_size);
  }
  journal->Add(std::move(record));
}

void NoteQueuedFile() {
  if (RunJournal* journal = CurrentJournal()) journal->FileQueued();
}

}  // namespace kln
