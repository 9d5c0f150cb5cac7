#pragma once
// Output byte streams: writes go to a growable memory buffer.
//
// The buffer holds the stream bytes from `bufferStart_` on; a write that does not fit
// doubles the capacity until it does (a file stream may flush first instead). `QOStrStream`
// keeps the whole stream in memory.
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "el/qstream/basic_types.h"

class QOStream {
 public:
  QOStream() = default;
  virtual ~QOStream() = default;
  QOStream(const QOStream&) = delete;
  QOStream& operator=(const QOStream&) = delete;

  // Writes `size` bytes. Does nothing once the stream has failed.
  void write(const void* data, size_t size) {
    if (size <= capacity_ - offset_ && !failed_) {
      if (size) std::memcpy(buffer_.get() + offset_, data, size);
      offset_ += size;
      if (offset_ > used_) used_ = offset_;
      return;
    }
    WriteSlow(data, size);
  }
  void put(char c) { write(&c, 1); }

  // Current absolute write position.
  QFileSize TellP() const { return bufferStart_ + static_cast<QFileSize>(offset_); }
  // Moves to the absolute position `pos`, clamped to [0, stream size]. Inside the buffered
  // range only the write offset moves; elsewhere the buffer is flushed and repositioned.
  void SeekP(QFileSize pos);
  // Writes the buffered bytes to the destination (memory streams keep them).
  virtual void Flush() {}
  // The furthest stream position ever written.
  QFileSize GetDataSize() const;

  // The failed flag and the operating-system error code of the first failure.
  bool fail() const { return failed_; }
  int GetErrorCode() const { return errorCode_; }

  // For block encoders: room for up to `maxSize` bytes at the current position, to be
  // filled and then committed with CommitWrite(). Returns nullptr when the position is not
  // at the end of the buffered bytes or the stream has failed; the caller then writes
  // through a buffer of its own.
  char* ReserveWrite(size_t maxSize);
  // Keeps the first `size` bytes (size <= the reserved size) of the reserved room.
  void CommitWrite(size_t size);

 protected:
  // Makes room for a write of `size` bytes at the write offset; the memory stream grows
  // its buffer. Returns false when the bytes must be dropped.
  virtual bool MakeRoom(size_t size);
  // Grows the capacity by doubling until `size` more bytes fit at the write offset.
  bool Grow(size_t size);
  // Records the first failure; later writes do nothing.
  void SetFailed(int errorCode);
  // Empties the buffer after its bytes went to the destination; the buffer then starts at
  // the current write position.
  void DropBufferedBytes();

  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t offset_ = 0;  // write offset inside the buffer
  size_t used_ = 0;    // bytes written into the buffer (furthest offset ever written)
  QFileSize bufferStart_ = 0;
  QFileSize totalSize_ = 0;  // furthest stream position written before the buffer start

 private:
  void WriteSlow(const void* data, size_t size);

  bool failed_ = false;
  int errorCode_ = 0;
};

// An output stream kept wholly in memory.
class QOStrStream : public QOStream {
 public:
  const char* GetBuffer() const { return buffer_.get(); }
  size_t GetBufferSize() const { return used_; }
  std::string_view View() const { return {buffer_.get(), used_}; }
  std::string Str() const { return std::string(View()); }
  // Empties the stream and keeps its capacity for the next use.
  void Reset();
};
