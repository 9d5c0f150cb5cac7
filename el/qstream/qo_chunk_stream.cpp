#include "el/qstream/qo_chunk_stream.h"

#include <algorithm>
#include <cerrno>
#include <new>

void QOChunkStream::Flush() {
  constexpr QFileSize kChunk = QChunkedText::kChunkSize;
  QFileSize pos = bufferStart_;
  size_t done = 0;
  while (done < used_ && !fail()) {
    size_t index = static_cast<size_t>(pos / kChunk);
    size_t at = static_cast<size_t>(pos % kChunk);
    while (text_.chunks.size() <= index) {
      std::unique_ptr<char[]> chunk(new (std::nothrow) char[kChunk]);
      if (!chunk) {
        SetFailed(ENOMEM);
        break;
      }
      text_.chunks.push_back(std::move(chunk));
    }
    if (fail()) break;
    size_t size = std::min(used_ - done, static_cast<size_t>(kChunk) - at);
    std::memcpy(text_.chunks[index].get() + at, buffer_.get() + done, size);
    done += size;
    pos += static_cast<QFileSize>(size);
    text_.size = std::max(text_.size, pos);
  }
  DropBufferedBytes();
}

bool QOChunkStream::MakeRoom(size_t size) {
  if (used_ > 0 && used_ + size > kBufferSize) Flush();
  if (fail()) return false;
  return Grow(size);
}

QChunkedText QOChunkStream::TakeText() {
  Flush();
  QChunkedText text = std::move(text_);
  text_ = QChunkedText();
  offset_ = 0;
  used_ = 0;
  bufferStart_ = 0;
  totalSize_ = 0;
  return text;
}
