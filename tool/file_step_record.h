#pragma once
// The record of one file's conversion step, opened before the step and closed after it.
//
// While it is open, the messages printed go through a capture (each with its severity and
// the file and line it names) and the textures asked of the texture bank are noted. When
// it closes, the file counts as failed when the step reported an error, or when a step
// that writes a file (model, world, animation) left the destination as it was.
#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "el/appframe/message_capture.h"
#include "tool/conversion_entry.h"
#include "tool/run_journal.h"
#include "tool/run_settings.h"

namespace kln {

class FileStepRecord {
 public:
  // Opens the record of `entry`, a file of the walked folder `folder`. Outside a run, or
  // for a file of no known kind, the record does nothing.
  FileStepRecord(const RunSettings& settings, const ConversionEntry& entry, const RString& folder);
  // Closes the record and adds it to the journal, unless it was dropped.
  ~FileStepRecord();
  FileStepRecord(const FileStepRecord&) = delete;
  FileStepRecord& operator=(const FileStepRecord&) = delete;

  // No step took the file: it leaves no record.
  void Drop() { dropped_ = true; }

  // What identifies the bytes of the destination: a file replaced through a rename has
  // another inode, a file written in place another time or size.
  struct OutputState {
    bool exists = false;
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const OutputState&) const = default;
  };
  static OutputState StateOf(const RString& path);

  // A step that ran in another process (a worker of -j): what the run knew when it handed
  // the file over, and the textures the step used. The record then takes the messages the
  // step printed, as they are told again here.
  struct Handover {
    OutputState before;
    std::chrono::steady_clock::time_point start;
    std::vector<std::string> textures;
  };
  FileStepRecord(const RunSettings& settings, const ConversionEntry& entry, const RString& folder,
                 const Handover& handover);

 private:
  void Close();

  RunJournal* journal_ = nullptr;
  const RunSettings& settings_;
  ConversionEntry entry_;
  std::optional<FileKind> kind_;
  bool dropped_ = false;
  std::optional<MessageCapture> capture_;
  std::optional<ScopedSink> captureInstalled_;
  std::set<std::string> texturesLoaded_;
  std::set<std::string>* outerUseLog_ = nullptr;  // a log of the caller, given the names too
  UsedTextureSet usedBefore_;  // the used-texture set before a texture list was read
  OutputState before_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace kln
