#pragma once
// Input byte streams: a read position over a data source consumed in buffers.
//
// A concrete stream only supplies buffers (`ReadBuffer`) and the total size; reading,
// seeking and the end/failed flags live here. Reading past the end never touches memory
// outside the buffers: missing bytes read as 0xFF, the end flag is set, and, when part of
// the request was satisfied, the failed flag too. Safe on any data.
#include <cstring>
#include <memory>

#include "el/qstream/basic_types.h"

// A block of bytes handed out by a data source; shared so that a stream can keep it
// while the source goes on.
class QIStreamBuffer {
 public:
  QIStreamBuffer(const char* data, QFileSize size) : data_(data), size_(size) {}
  virtual ~QIStreamBuffer() = default;
  QIStreamBuffer(const QIStreamBuffer&) = delete;
  QIStreamBuffer& operator=(const QIStreamBuffer&) = delete;

  const char* Data() const { return data_; }
  QFileSize Size() const { return size_; }

 protected:
  const char* data_;
  QFileSize size_;
};

using QIStreamBufferRef = std::shared_ptr<const QIStreamBuffer>;

// A buffer and the stream position of its first byte.
struct PosQIStreamBuffer {
  QIStreamBufferRef buffer;
  QFileSize start = 0;
};

class QIStream {
 public:
  QIStream() = default;
  virtual ~QIStream() = default;
  QIStream(const QIStream&) = delete;
  QIStream& operator=(const QIStream&) = delete;

  // Reads up to `size` bytes into `dst`; returns the number read. Bytes past the end are
  // filled with 0xFF and set the end flag (and the failed flag when some bytes were read).
  QFileSize read(void* dst, QFileSize size) {
    if (size > 0 && size <= bufferLen_ - readPos_) {
      std::memcpy(dst, bufferData_ + readPos_, static_cast<size_t>(size));
      readPos_ += size;
      return size;
    }
    return ReadSlow(static_cast<char*>(dst), size);
  }

  // Returns the next byte (0 to 255), or -1 at the end (and sets the end flag).
  int get() {
    if (readPos_ < bufferLen_) return static_cast<unsigned char>(bufferData_[readPos_++]);
    return GetSlow();
  }

  // Current absolute position.
  QFileSize TellG() const { return bufferStart_ + readPos_; }
  // Moves to the absolute position `pos`, clamped to [0, total size]. Inside the current
  // buffer only the offset moves; elsewhere the buffer is dropped and both flags cleared.
  void SeekG(QFileSize pos);
  // Total size of the stream in bytes.
  QFileSize GetDataSize() const { return DataSize(); }
  // Bytes between the current position and the end (0 when at or past the end).
  QFileSize GetRest() const;
  // A hint that `size` bytes from the current position will be read soon; changes no data.
  void PreRead(QFileSize size) { PreReadData(TellG(), size); }

  bool eof() const { return eof_; }
  bool fail() const { return fail_; }

  // Direct access for block decoders: returns the number of bytes readable without a
  // copy at the current position and points `data` at them (0 and nullptr at the end).
  QFileSize PeekContiguous(const char** data) {
    if (readPos_ < bufferLen_) {
      *data = bufferData_ + readPos_;
      return bufferLen_ - readPos_;
    }
    return PeekSlow(data);
  }
  // Moves past `size` bytes that PeekContiguous has shown (size <= its result).
  void Advance(QFileSize size) { readPos_ += size; }

 protected:
  // The buffer that holds stream position `pos`; a null buffer when `pos` is at or past the
  // end or the source cannot be read.
  virtual PosQIStreamBuffer ReadBuffer(QFileSize pos) = 0;
  virtual QFileSize DataSize() const = 0;
  virtual void PreReadData(QFileSize pos, QFileSize size) {}
  // Drops the current buffer, moves to position 0 and clears both flags (a new source).
  void Rewind();

 private:
  QFileSize ReadSlow(char* dst, QFileSize size);
  int GetSlow();
  QFileSize PeekSlow(const char** data);
  // Fetches the buffer at the current position; false at the end.
  bool FetchBuffer();

  QIStreamBufferRef buffer_;
  const char* bufferData_ = nullptr;
  QFileSize bufferStart_ = 0;
  QFileSize bufferLen_ = 0;
  QFileSize readPos_ = 0;
  bool eof_ = false;
  bool fail_ = false;
};

// A stream over a block of memory owned by someone else; the memory must outlive it.
class QIStrStream : public QIStream {
 public:
  QIStrStream() = default;
  QIStrStream(const void* data, QFileSize size) { Init(data, size); }
  // Rebinds the stream to `data` and rewinds it.
  void Init(const void* data, QFileSize size);

 protected:
  PosQIStreamBuffer ReadBuffer(QFileSize pos) override;
  QFileSize DataSize() const override { return size_; }

 private:
  const char* data_ = nullptr;
  QFileSize size_ = 0;
};
