#pragma once
// An input stream over memory that hands out small buffers, so that tests reach every
// path where a read, a string or a block crosses from one buffer to the next.
#include <algorithm>
#include <string>

#include "el/qstream/qi_stream.h"

class ChunkedStream : public QIStream {
 public:
  ChunkedStream(std::string bytes, QFileSize chunkSize) : bytes_(std::move(bytes)), chunkSize_(chunkSize) {}
  int buffersRead = 0;

 protected:
  PosQIStreamBuffer ReadBuffer(QFileSize pos) override {
    QFileSize size = static_cast<QFileSize>(bytes_.size());
    if (pos < 0 || pos >= size) return {};
    ++buffersRead;
    QFileSize start = pos - pos % chunkSize_;
    return {std::make_shared<const QIStreamBuffer>(bytes_.data() + start, std::min(chunkSize_, size - start)), start};
  }
  QFileSize DataSize() const override { return static_cast<QFileSize>(bytes_.size()); }

 private:
  std::string bytes_;
  QFileSize chunkSize_;
};
