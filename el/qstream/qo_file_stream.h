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
#include <string>

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
  static constexpr size_t kFlushSize = 4 * 1024 * 1024;

 protected:
  bool MakeRoom(size_t size) override;
  // Bytes outside the buffer are in the file already: they are written over there.
  bool WriteOutsideBuffer(QFileSize pos, const void* data, size_t size) override;

 private:
  void CloseFile();
  // Writes `size` bytes at `pos` of the file; a failure sets the failed flag.
  void WriteToFile(QFileSize pos, const char* data, size_t size);

  int fd_ = -1;
  std::string path_;       // host path of the destination
  std::string tempPath_;   // host path of the temporary file (atomic writes only)
};
