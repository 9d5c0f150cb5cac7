#pragma once
// An output stream bound to a file.
//
// Bytes are assembled in memory and written to the file in large pieces: a flush writes
// the buffered bytes at the buffer's stream position and empties the buffer. The first
// failure (the file cannot be created, a write fails) sets the failed flag and keeps the
// operating-system error code; nothing is written after it.
//
// Opened with OpenAtomic(), the stream writes a temporary file in the destination's folder
// and Close() renames it over the destination only when nothing failed, so that the
// destination is never left truncated: it holds either its old contents or all new bytes.
// A link is followed (its file is replaced, the link kept). A device or pipe receives the
// bytes by copy on Close(), from a temporary file in the temporary folder.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "el/qstream/qo_stream.h"

class QOFStream : public QOStream {
 public:
  QOFStream() = default;
  // Opens `path` for writing (see Open).
  explicit QOFStream(const std::string& path) { Open(path); }
  // Closes the stream. An atomic stream that was not closed discards its temporary file.
  ~QOFStream() override;

  // Creates or truncates the file at the engine or host path `path`; returns true on
  // success, false (failed flag and error code set) otherwise.
  bool Open(const std::string& path);
  // Starts an all-or-nothing write of `path` through a temporary file beside it; returns
  // true on success, false (failed flag and error code set) otherwise.
  bool OpenAtomic(const std::string& path);
  // Flushes and closes the file; an atomic stream is then renamed into place unless it
  // failed (a failed one removes its temporary file). Returns true when every byte
  // reached the destination.
  bool Close();
  // Abandons an atomic write: removes the temporary file, the destination is untouched.
  // A plain stream is closed as it stands.
  void Discard();

  // Writes the buffered bytes to the file; does nothing once failed.
  void Flush() override;

  // A flush happens when the buffer would grow beyond this many bytes.
  static constexpr size_t kFlushSize = 1024 * 1024;

 protected:
  bool MakeRoom(size_t size) override;
  // Bytes outside the buffer are in the file already: they are written over there. A
  // file this stream may read keeps them until the next flush, so that offsets patched
  // close to one another reach the file in one read and one write, not one write each.
  bool WriteOutsideBuffer(QFileSize pos, const void* data, size_t size) override;

 private:
  void CloseFile();
  // Writes `size` bytes at `pos` of the file; a failure sets the failed flag.
  void WriteToFile(QFileSize pos, const char* data, size_t size);
  // Writes the kept patches into the file, before the buffer (whose bytes are newer).
  void WritePatches();
  // Copies the finished temporary file into a destination that is no plain file.
  void CopyIntoDestination();
  // Reads `size` bytes at `pos` of the file; false (failed flag set) when it cannot.
  bool ReadFromFile(QFileSize pos, char* data, size_t size);

  // At most this many patches (and bytes of them) are kept; patches at most kPatchGap
  // bytes apart go to the file in one span of at most kMaxPatchSpan bytes.
  static constexpr size_t kMaxPatches = 8192;
  static constexpr size_t kMaxPatchBytes = 64 * 1024;
  static constexpr QFileSize kPatchGap = 64 * 1024;
  static constexpr QFileSize kMaxPatchSpan = 1024 * 1024;

  // Bytes written outside the buffer and not in the file yet, in the order written.
  struct Patch {
    QFileSize pos;
    size_t size;
    size_t from;  // first byte in patchBytes_
  };
  std::vector<Patch> patches_;
  std::vector<char> patchBytes_;
  bool readable_ = false;  // opened for reading too (the temporary file of OpenAtomic)

  int fd_ = -1;
  std::string path_;       // host path of the destination
  std::string tempPath_;   // host path of the temporary file (atomic writes only)
  bool copyOnClose_ = false;  // the destination is a device or pipe: copied into, not replaced
};

// The temporary files of OpenAtomic are named after their destination followed by
// ".tmp<process id>.<number>.<number>". The process id in `name` when it has that form;
// nothing otherwise.
std::optional<long> AtomicTemporaryOwner(std::string_view name);

// Removes the temporary files in the host folder `hostFolder` that a process which no
// longer runs left behind (a killed run). Returns how many were removed.
int RemoveLeftoverTemporaryFiles(const std::string& hostFolder);
