#include "tool/run_journal.h"

#include "platform/ascii.h"
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

std::optional<FileKind> FileKindOf(const RunSettings& settings, std::string_view name) {
  std::string_view extension = GetExtension(name);
  if (AsciiEqualIgnoreCase(extension, ".p3d")) return FileKind::kModel;
  if (AsciiEqualIgnoreCase(extension, ".wrp")) return FileKind::kWorld;
  if (AsciiEqualIgnoreCase(extension, ".rtm")) return FileKind::kAnimation;
  if (settings.copyTextures && AsciiEqualIgnoreCase(name, "textures.lst")) return FileKind::kTextureList;
  return std::nullopt;
}

void NoteSkippedFile(const RunSettings& settings, const RString& folder, const std::string& name,
                     const RString& destinationFolder, const std::string& destinationName, FileAction action) {
  RunJournal* journal = CurrentJournal();
  if (!journal) return;
  std::optional<FileKind> kind = FileKindOf(settings, name);
  if (!kind) return;
  journal->Add(NewFileRecord({folder + name, destinationFolder + destinationName}, *kind, action));
}

void NoteQueuedFile() {
  if (RunJournal* journal = CurrentJournal()) journal->FileQueued();
}

}  // namespace kln
