#pragma once
// Output byte streams: writes go to a growable memory buffer.
//
// The buffer holds the stream bytes from `bufferStart_` on; a write that does not fit
// doubles the capacity until it does (a file stream may flush first instead). `QOStrStream`
// keeps the whole stream in memory.
#include <cstdint>
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
  // Writes the characters of `text` up to its first 0 byte (all of them when there is
  // none) and then one 0 byte: a string as binary formats store it.
  void WriteAsciiz(std::string_view text) {
    // Room for the whole text and its 0 byte, so that the copy needs no further checks.
    if (text.size() < capacity_ - offset_ && !failed_) {
      char* to = buffer_.get() + offset_;
      size_t size = CopyUntilZero(to, text.data(), text.size());
      to[size] = 0;
      offset_ += size + 1;
      if (offset_ > used_) used_ = offset_;
      return;
    }
    WriteAsciizSlow(text);
  }

  // Current absolute write position.
  QFileSize TellP() const { return bufferStart_ + static_cast<QFileSize>(offset_); }
  // Moves to the absolute position `pos`, clamped to [0, stream size]. Inside the buffered
  // range only the write offset moves; elsewhere the buffer is flushed and repositioned.
  void SeekP(QFileSize pos);
  // Overwrites `size` bytes at the absolute position `pos` and keeps the write position.
  // The bytes must lie inside what was written already (false and nothing written
  // otherwise). Bytes still in the buffer are changed there; a file stream writes older
  // ones straight to the file, without flushing the buffer.
  bool WriteAt(QFileSize pos, const void* data, size_t size) {
    // Offset records are mostly patched while their bytes are still in the buffer.
    if (pos >= bufferStart_ && size <= used_ && pos - bufferStart_ <= static_cast<QFileSize>(used_ - size) &&
        !failed_) {
      if (size) std::memcpy(buffer_.get() + (pos - bufferStart_), data, size);
      return true;
    }
    return WriteAtSlow(pos, data, size);
  }
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
  // WriteAt for bytes that are not in the buffer: false when the stream cannot write
  // them in place, WriteAt then seeks there and back instead.
  virtual bool WriteOutsideBuffer(QFileSize pos, const void* data, size_t size) { return false; }
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
  void WriteAsciizSlow(std::string_view text);
  bool WriteAtSlow(QFileSize pos, const void* data, size_t size);
  // Copies `from` up to its first 0 byte or its end into `to`; returns the bytes copied.
  // Names and values are short, and this runs for millions of them: eight bytes at a
  // time, in place of a call that looks for the 0 and another that copies.
  static size_t CopyUntilZero(char* to, const char* from, size_t size) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      uint64_t word;
      std::memcpy(&word, from + i, 8);
      if ((word - 0x0101010101010101u) & ~word & 0x8080808080808080u) break;  // holds a 0 byte
      std::memcpy(to + i, &word, 8);
    }
    for (; i < size && from[i] != 0; ++i) to[i] = from[i];
    return i;
  }

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
