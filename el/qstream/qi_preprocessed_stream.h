#pragma once
// An input stream over preprocessed text that knows where in the sources it is.
//
// The preprocessor writes the text of included files between `#line` markers:
//
//   #line 1 "folder\file.hpp"
//
// which say that the line after the marker is line 1 of that file. The reader of the
// text (the configuration parser) hands each marker to ReadLineDirective(); the stream
// then answers GetFileName() and GetLine() for the current read position, counting line
// feeds from the last marker on demand, so that plain reading costs nothing extra.
#include <memory>

#include "el/qstream/chunked_text.h"
#include "el/qstream/qi_stream.h"

class QIPreprocessedStream : public QIStream {
 public:
  // Over a block of memory (usually the preprocessor's output) that outlives the stream.
  // `fileName` is the source before the first marker.
  QIPreprocessedStream(const void* data, QFileSize size, const RString& fileName);
  // Over another stream that outlives this one, read in pieces.
  QIPreprocessedStream(QIStream& source, const RString& fileName);
  // Over text that the stream takes over and frees chunk by chunk once the read position
  // has moved past it, so that a long text need not stay whole while it is read. Reading
  // goes forward: a seek back before the current chunk finds no bytes (ReadFailed()).
  QIPreprocessedStream(QChunkedText text, const RString& fileName);

  // The source file and line (1-based) of the current read position.
  const RString& GetFileName() const { return fileName_; }
  int GetLine();

  // Reads a line directive whose '#' has just been read: blanks, the word "line", a
  // decimal number and, to the end of the line, the file name (quotes removed). The line
  // after the directive becomes that line of that file. Returns false, with the position
  // after the characters looked at, when the text is not such a directive.
  bool ReadLineDirective();
  // Makes the current position line `line` of `fileName`.
  void SetSourcePosition(int line, const RString& fileName);

  // True when reading failed (the stream, or the stream it reads, could not deliver
  // bytes it claimed to hold).
  bool ReadFailed() const { return fail() || sourceFailed_; }

  // Bytes handed out per buffer when reading another stream.
  static constexpr QFileSize kPieceSize = 64 * 1024;

 protected:
  PosQIStreamBuffer ReadBuffer(QFileSize pos) override;
  QFileSize DataSize() const override;

 private:
  // Line feeds in [from, to) of the stream.
  int CountLineFeeds(QFileSize from, QFileSize to);
  // Chunked text: the chunk that holds `pos`, after freeing the chunks before it.
  PosQIStreamBuffer ReadChunk(QFileSize pos);
  void ReleaseChunksBefore(size_t index);
  QFileSize KeptStart() const { return static_cast<QFileSize>(releasedChunks_) * QChunkedText::kChunkSize; }

  const char* data_ = nullptr;
  QFileSize size_ = 0;
  QIStream* source_ = nullptr;
  RString fileName_;
  QFileSize markerPos_ = 0;  // position where the line is markerLine_
  int markerLine_ = 1;
  QFileSize countedPos_ = 0;  // cache of the last answer of GetLine
  int countedLine_ = 1;
  bool sourceFailed_ = false;
  // Chunked text: the chunks before releasedChunks_ are freed; lineAtKept_ is the line of
  // the first byte kept, counted from the marker while the marker lies before that byte.
  bool chunked_ = false;
  std::vector<std::unique_ptr<char[]>> chunks_;
  size_t releasedChunks_ = 0;
  int lineAtKept_ = 1;
};
