#pragma once
// An output stream kept wholly in memory as chunks (QChunkedText), for large texts that a
// reader takes over: bytes are gathered in a small buffer and copied into the chunks, so
// the text is never moved to a bigger block as it grows.
#include "el/qstream/chunked_text.h"
#include "el/qstream/qo_stream.h"

class QOChunkStream : public QOStream {
 public:
  // The gathering buffer is flushed into the chunks when it would grow beyond this.
  static constexpr size_t kBufferSize = 64 * 1024;

  // Copies the buffered bytes into the chunks.
  void Flush() override;
  // Hands the written bytes over and leaves the stream empty. After a failure (no memory
  // for a chunk) the text ends where the stored bytes end.
  QChunkedText TakeText();

 protected:
  bool MakeRoom(size_t size) override;

 private:
  QChunkedText text_;
};
