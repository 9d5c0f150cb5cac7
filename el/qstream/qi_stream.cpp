#include "el/qstream/qi_stream.h"

#include <algorithm>

void QIStream::SeekG(QFileSize pos) {
  pos = std::clamp<QFileSize>(pos, 0, DataSize());
  if (buffer_ && pos >= bufferStart_ && pos - bufferStart_ <= bufferLen_) {
    readPos_ = pos - bufferStart_;
    return;
  }
  Rewind();
  bufferStart_ = pos;
}

void QIStream::Rewind() {
  buffer_.reset();
  bufferData_ = nullptr;
  bufferStart_ = 0;
  bufferLen_ = 0;
  readPos_ = 0;
  eof_ = false;
  fail_ = false;
}

QFileSize QIStream::GetRest() const {
  QFileSize size = DataSize();
  QFileSize pos = TellG();
  return pos < size ? size - pos : 0;
}

bool QIStream::FetchBuffer() {
  QFileSize pos = TellG();
  PosQIStreamBuffer next = ReadBuffer(pos);
  // A source that answers with a buffer not holding `pos` is treated as ended.
  if (!next.buffer || next.start > pos || pos - next.start >= next.buffer->Size()) return false;
  buffer_ = std::move(next.buffer);
  bufferData_ = buffer_->Data();
  bufferStart_ = next.start;
  bufferLen_ = buffer_->Size();
  readPos_ = pos - next.start;
  return true;
}

QFileSize QIStream::ReadSlow(char* dst, QFileSize size) {
  if (size <= 0) return 0;
  QFileSize done = 0;
  while (done < size) {
    if (readPos_ >= bufferLen_ && !FetchBuffer()) break;
    QFileSize chunk = std::min(size - done, bufferLen_ - readPos_);
    std::memcpy(dst + done, bufferData_ + readPos_, static_cast<size_t>(chunk));
    readPos_ += chunk;
    done += chunk;
  }
  if (done < size) {
    std::memset(dst + done, 0xFF, static_cast<size_t>(size - done));
    eof_ = true;
    if (done > 0) fail_ = true;
  }
  return done;
}

int QIStream::GetSlow() {
  if (!FetchBuffer()) {
    eof_ = true;
    return -1;
  }
  return static_cast<unsigned char>(bufferData_[readPos_++]);
}

QFileSize QIStream::PeekSlow(const char** data) {
  if (!FetchBuffer()) {
    *data = nullptr;
    return 0;
  }
  *data = bufferData_ + readPos_;
  return bufferLen_ - readPos_;
}

void QIStrStream::Init(const void* data, QFileSize size) {
  data_ = static_cast<const char*>(data);
  size_ = data_ && size > 0 ? size : 0;
  Rewind();
}

PosQIStreamBuffer QIStrStream::ReadBuffer(QFileSize pos) {
  if (pos < 0 || pos >= size_) return {};
  // The whole block is one buffer that does not own the memory.
  return {std::make_shared<const QIStreamBuffer>(data_, size_), 0};
}
