#include "tool/file_step_record.h"

#include <sys/stat.h>

#include <algorithm>

#include "el/appframe/message_origin.h"
#include "engine/texture_bank.h"
#include "platform/host_file.h"

namespace kln {
namespace {

bool WritesOutput(FileKind kind) { return kind != FileKind::kTextureList; }

FileMessage ToFileMessage(const CapturedMessage& captured) {
  FileMessage message;
  message.severity = captured.severity;
  message.text = captured.text;
  if (std::optional<MessageOrigin> origin = FindMessageOrigin(captured.text)) {
    message.file = origin->file;
    message.line = origin->line;
  }
  return message;
}

}  // namespace

FileStepRecord::FileStepRecord(const RunSettings& settings, const ConversionEntry& entry, const RString& folder)
    : journal_(CurrentJournal()), settings_(settings), entry_(entry) {
  if (!journal_) return;
  journal_->FileLeftQueue();
  // The walk forms the source as the folder and the file's name.
  kind_ = FileKindOf(settings, std::string_view(entry.source).substr(std::min(folder.size(), entry.source.size())));
  if (!kind_) return;
  journal_->FileStarted(entry.source);
  if (*kind_ == FileKind::kTextureList) usedBefore_ = settings.usedTextures;
  before_ = StateOf(entry.destination);
  capture_.emplace(CurrentAppFrameFunctions());
  captureInstalled_.emplace(*capture_);
  outerUseLog_ = Textures().SetUseLog(&texturesLoaded_);
  start_ = std::chrono::steady_clock::now();
}

FileStepRecord::FileStepRecord(const RunSettings& settings, const ConversionEntry& entry, const RString& folder,
                               const Handover& handover)
    : FileStepRecord(settings, entry, folder) {
  if (!journal_ || !kind_) return;
  Textures().SetUseLog(outerUseLog_);
  before_ = handover.before;
  start_ = handover.start;
  texturesLoaded_.insert(handover.textures.begin(), handover.textures.end());
}

FileStepRecord::~FileStepRecord() {
  if (!journal_ || !kind_) return;
  Textures().SetUseLog(outerUseLog_);
  if (outerUseLog_) outerUseLog_->insert(texturesLoaded_.begin(), texturesLoaded_.end());
  captureInstalled_.reset();
  if (!dropped_) Close();
}

FileStepRecord::OutputState FileStepRecord::StateOf(const RString& path) {
  // The walk met the destination's folders and file in their own letter case already, and
  // the steps write to the path as spelled: no folder needs searching for another case.
  struct stat info;
  if (::stat(HostPathForWrite(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  return {true, static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
          static_cast<uint64_t>(info.st_size),
          static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

void FileStepRecord::Close() {
  FileRecord record = NewFileRecord(entry_, *kind_, FileAction::kConverted);
  record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();

  std::set<std::string> textures = std::move(texturesLoaded_);
  for (const RString& name : settings_.usedTextures) {
    if (*kind_ == FileKind::kTextureList && !usedBefore_.count(name)) textures.insert(name);
  }
  for (const std::string& name : textures) {
    if (!name.empty() && name[0] != '#') record.textures.push_back(name);  // '#' names are procedural
  }

  bool error = false;
  for (const CapturedMessage& captured : capture_->Messages()) {
    record.messages.push_back(ToFileMessage(captured));
    error = error || captured.severity == MessageSeverity::kError;
  }

  OutputState after = StateOf(entry_.destination);
  bool wrote = after.exists && !(after == before_);
  if (WritesOutput(*kind_) && wrote) record.outputSize = after.size;
  if (error || (WritesOutput(*kind_) && !wrote)) record.action = FileAction::kFailed;
  journal_->Add(std::move(record));
}

}  // namespace kln
