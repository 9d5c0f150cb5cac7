#pragma once
// An output stream kept wholly in memory as chunks (QChunkedText), for large texts that a
// reader takes over. Bytes are written straight into the chunk they belong to, so the
// text is neither moved to a bigger block as it grows nor copied on its way to the
// chunks; only a write that crosses the end of a chunk goes through a buffer of its own.
#include "el/qstream/chunked_text.h"
#include "el/qstream/qo_stream.h"

class QOChunkStream : public QOStream {
 public:
  // Puts the chunk being written (or the bytes of a crossing write) in its place.
  void Flush() override;
  // Hands the written bytes over and leaves the stream empty. After a failure (no memory
  // for a chunk) the text ends where the stored bytes end.
  QChunkedText TakeText();

 protected:
  bool MakeRoom(size_t size) override;

 private:
  QChunkedText text_;
  // The stream's buffer is a chunk of text_, taken out of its place (or not yet added)
  // while it is written; otherwise it holds bytes that Flush copies into the chunks.
  bool direct_ = false;
};
