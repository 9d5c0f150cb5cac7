#include "el/qstream/qo_chunk_stream.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "el/qstream/huge_pages.h"

namespace {

// A new chunk, uninitialised, or null without memory. Its pages are asked for as huge
// pages: the text is written straight through them.
std::unique_ptr<char[]> NewChunk() {
  constexpr size_t kChunk = static_cast<size_t>(QChunkedText::kChunkSize);
  std::unique_ptr<char[]> chunk(new (std::nothrow) char[kChunk]);
  if (chunk) AdviseHugePages(chunk.get(), kChunk);
  return chunk;
}

}  // namespace

void QOChunkStream::Flush() {
  constexpr QFileSize kChunk = QChunkedText::kChunkSize;
  if (direct_) {
    direct_ = false;
    size_t index = static_cast<size_t>(bufferStart_ / kChunk);
    text_.size = std::max(text_.size, bufferStart_ + static_cast<QFileSize>(used_));
    if (index < text_.chunks.size()) {
      text_.chunks[index] = std::move(buffer_);
    } else if (used_ > 0) {
      // Every chunk but the last is full, and none is empty.
      text_.chunks.push_back(std::move(buffer_));
    }
    buffer_.reset();
    capacity_ = 0;
    DropBufferedBytes();
    return;
  }
  QFileSize pos = bufferStart_;
  size_t done = 0;
  while (done < used_ && !fail()) {
    size_t index = static_cast<size_t>(pos / kChunk);
    size_t at = static_cast<size_t>(pos % kChunk);
    while (text_.chunks.size() <= index) {
      std::unique_ptr<char[]> chunk = NewChunk();
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
  constexpr QFileSize kChunk = QChunkedText::kChunkSize;
  if (used_ > 0 || direct_) Flush();
  if (fail()) return false;
  // The buffer is empty now and starts at the write position.
  QFileSize pos = bufferStart_;
  size_t index = static_cast<size_t>(pos / kChunk);
  size_t at = static_cast<size_t>(pos % kChunk);
  // A write position never lies beyond the stored bytes, so it is in a chunk that exists
  // or at the start of the next one.
  if (size <= static_cast<size_t>(kChunk) - at && index <= text_.chunks.size()) {
    std::unique_ptr<char[]> chunk;
    size_t valid = 0;
    if (index < text_.chunks.size()) {
      chunk = std::move(text_.chunks[index]);
      valid = static_cast<size_t>(std::min(kChunk, text_.size - static_cast<QFileSize>(index) * kChunk));
    } else {
      chunk = NewChunk();
      if (!chunk) {
        SetFailed(ENOMEM);
        return false;
      }
    }
    buffer_ = std::move(chunk);
    capacity_ = static_cast<size_t>(kChunk);
    bufferStart_ = static_cast<QFileSize>(index) * kChunk;
    offset_ = at;
    used_ = std::max(valid, at);
    direct_ = true;
    return true;
  }
  // A write across the end of a chunk goes through a buffer of its size.
  if (size > capacity_) {
    std::unique_ptr<char[]> bigger(new (std::nothrow) char[size]);
    if (!bigger) {
      SetFailed(ENOMEM);
      return false;
    }
    buffer_ = std::move(bigger);
    capacity_ = size;
  }
  return true;
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
