#pragma once
// Input streams over files.
//
// `QIFStream` reads a file through the operating system: a file of up to 64 MiB in one
// buffer, so that a compressed block never has to be gathered from pieces, a larger one
// in pieces of 1 MiB; `QIFStreamB`
// reads a file named by an engine path through the engine's file layer, which for now is
// the disk as well. Both take engine paths ('\' separators are mapped to the host form).
#include <string>

#include "el/qstream/qi_stream.h"

class QIFStream : public QIStream {
 public:
  QIFStream() = default;
  ~QIFStream() override;

  // Opens `path` for reading; returns true on success. On failure the stream is empty
  // (every read ends at once) and GetErrorCode() gives the operating-system error code.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // The operating-system error code of the failed open or read (0 when none failed).
  int GetErrorCode() const { return errorCode_; }

  // Files up to this size are read as one buffer.
  static constexpr QFileSize kWholeFileSize = 64 * 1024 * 1024;
  // Bytes per buffer for larger files.
  static constexpr QFileSize kBufferSize = 1024 * 1024;
  // Reads the file in buffers of `size` bytes from now on (size > 0).
  void SetBufferSize(QFileSize size) { bufferSize_ = size > 0 ? size : kBufferSize; }

 protected:
  PosQIStreamBuffer ReadBuffer(QFileSize pos) override;
  QFileSize DataSize() const override { return size_; }

 private:
  int fd_ = -1;
  QFileSize size_ = 0;
  QFileSize bufferSize_ = kBufferSize;
  int errorCode_ = 0;
};

// A file opened through the engine's file layer by its engine path. The file banks are
// not part of this program yet, so Open() reads the file from the disk.
class QIFStreamB : public QIFStream {};
