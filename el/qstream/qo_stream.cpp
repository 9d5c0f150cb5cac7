#include "el/qstream/qo_stream.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

#include "el/qstream/huge_pages.h"

void QOStream::WriteSlow(const void* data, size_t size) {
  if (failed_) return;
  if (size > capacity_ - offset_ && !MakeRoom(size)) return;
  if (size) std::memcpy(buffer_.get() + offset_, data, size);
  offset_ += size;
  used_ = std::max(used_, offset_);
}

void QOStream::WriteAsciizSlow(std::string_view text) {
  // An empty view may have no data at all, which memchr must not be given.
  if (const void* zero = text.empty() ? nullptr : std::memchr(text.data(), 0, text.size()))
    text = text.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - text.data()));
  write(text.data(), text.size());
  put(0);
}

bool QOStream::MakeRoom(size_t size) { return Grow(size); }

bool QOStream::Grow(size_t size) {
  if (size <= capacity_ - offset_) return true;
  if (size > std::numeric_limits<size_t>::max() / 2 - offset_) {
    SetFailed(ENOMEM);
    return false;
  }
  size_t needed = offset_ + size;
  size_t capacity = std::max<size_t>(capacity_, 256);
  while (capacity < needed) capacity *= 2;
  std::unique_ptr<char[]> bigger(new (std::nothrow) char[capacity]);
  if (!bigger) {
    SetFailed(ENOMEM);
    return false;
  }
  AdviseHugePages(bigger.get(), capacity);
  if (used_) std::memcpy(bigger.get(), buffer_.get(), used_);
  buffer_ = std::move(bigger);
  capacity_ = capacity;
  return true;
}

void QOStream::SetFailed(int errorCode) {
  if (failed_) return;
  failed_ = true;
  errorCode_ = errorCode;
}

void QOStream::DropBufferedBytes() {
  totalSize_ = GetDataSize();
  bufferStart_ += static_cast<QFileSize>(offset_);
  offset_ = 0;
  used_ = 0;
}

QFileSize QOStream::GetDataSize() const {
  return std::max(totalSize_, bufferStart_ + static_cast<QFileSize>(used_));
}

void QOStream::SeekP(QFileSize pos) {
  pos = std::clamp<QFileSize>(pos, 0, GetDataSize());
  if (pos >= bufferStart_ && pos - bufferStart_ <= static_cast<QFileSize>(used_)) {
    offset_ = static_cast<size_t>(pos - bufferStart_);
    return;
  }
  Flush();
  totalSize_ = GetDataSize();
  bufferStart_ = pos;
  offset_ = 0;
  used_ = 0;
}

bool QOStream::WriteAtSlow(QFileSize pos, const void* data, size_t size) {
  QFileSize dataSize = GetDataSize();
  if (pos < 0 || pos > dataSize || size > static_cast<size_t>(dataSize - pos)) return false;
  if (failed_) return true;
  // Not wholly in the buffer (WriteAt copies those bytes itself).
  QFileSize end = pos + static_cast<QFileSize>(size);
  bool outside = end <= bufferStart_ || pos >= bufferStart_ + static_cast<QFileSize>(used_);
  if (outside && WriteOutsideBuffer(pos, data, size)) return true;
  QFileSize back = TellP();
  SeekP(pos);
  write(data, size);
  SeekP(back);
  return true;
}

char* QOStream::ReserveWrite(size_t maxSize) {
  if (failed_ || offset_ != used_) return nullptr;
  if (maxSize > capacity_ - offset_ && !MakeRoom(maxSize)) return nullptr;
  // A file stream may have flushed: the write offset is still the end of the buffer.
  if (offset_ != used_ || maxSize > capacity_ - offset_) return nullptr;
  return buffer_.get() + offset_;
}

void QOStream::CommitWrite(size_t size) {
  if (failed_) return;
  offset_ += std::min(size, capacity_ - offset_);
  used_ = std::max(used_, offset_);
}

void QOStrStream::Reset() {
  offset_ = 0;
  used_ = 0;
  bufferStart_ = 0;
  totalSize_ = 0;
}
