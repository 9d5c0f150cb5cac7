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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
      offset_ += CopyAsciiz(buffer_.get() + offset_, text);
      if (offset_ > used_) used_ = offset_;
      return;
    }
    WriteAsciizSlow(text);
  }
  // The bytes WriteAsciiz writes, copied to `to` (room for text.size() + 1 bytes); returns
  // their count.
  static size_t CopyAsciiz(char* to, std::string_view text) {
    size_t size = CopyUntilZero(to, text.data(), text.size());
    to[size] = 0;
    return size + 1;
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
  // After a ReserveWrite that gave room: all of the room there is, at least `maxSize`
  // bytes. An encoder of many small fields fills it and commits once.
  size_t GetReservedRoom() const { return capacity_ - offset_; }
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
  // Names and values are short, and this runs for millions of them: whole words that are
  // checked for a 0 byte, the last one overlapping the one before it (texts shorter than
  // a word: two overlapping halves or quarters), in place of a call that looks for the 0
  // and another that copies. Only a text that holds a 0 goes byte by byte.
  static size_t CopyUntilZero(char* to, const char* from, size_t size) {
#if defined(__SSE2__)
    if (size >= 16) {  // the same with 16 bytes at a time
      size_t i = 0;
      for (; i + 16 < size; i += 16)
        if (!CopyBlockWithoutZero(to + i, from + i)) return CopyBytesUntilZero(to, from, i, size);
      if (!CopyBlockWithoutZero(to + size - 16, from + size - 16)) return CopyBytesUntilZero(to, from, i, size);
      return size;
    }
#endif
    if (size >= 8) {
      size_t i = 0;
      for (; i + 8 < size; i += 8)
        if (!CopyWordWithoutZero<uint64_t>(to + i, from + i)) return CopyBytesUntilZero(to, from, i, size);
      if (!CopyWordWithoutZero<uint64_t>(to + size - 8, from + size - 8)) return CopyBytesUntilZero(to, from, i, size);
      return size;
    }
    if (size >= 4) {
      if (!CopyWordWithoutZero<uint32_t>(to, from) || !CopyWordWithoutZero<uint32_t>(to + size - 4, from + size - 4))
        return CopyBytesUntilZero(to, from, 0, size);
      return size;
    }
    if (size >= 2) {
      if (!CopyWordWithoutZero<uint16_t>(to, from) || !CopyWordWithoutZero<uint16_t>(to + size - 2, from + size - 2))
        return CopyBytesUntilZero(to, from, 0, size);
      return size;
    }
    return CopyBytesUntilZero(to, from, 0, size);
  }
  // Copies the word at `from` unless one of its bytes is 0 (then false, nothing copied).
  template <class Word>
  static bool CopyWordWithoutZero(char* to, const char* from) {
    constexpr Word kOnes = static_cast<Word>(~Word{0}) / 0xFF;  // 0x0101...
    Word word;
    std::memcpy(&word, from, sizeof(Word));
    if (static_cast<Word>((word - kOnes) & ~word & (kOnes << 7))) return false;
    std::memcpy(to, &word, sizeof(Word));
    return true;
  }
#if defined(__SSE2__)
  static bool CopyBlockWithoutZero(char* to, const char* from) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_setzero_si128())) != 0) return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), block);
    return true;
  }
#endif
  static size_t CopyBytesUntilZero(char* to, const char* from, size_t i, size_t size) {
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
