#pragma once
// The input stream through which texture headers are read: a file read in small pieces
// on demand, since a header needs only the start of the file and a few mipmap headers.
// The pieces live in the stream itself, so that reading allocates nothing: the head, the
// start of the file, read once and holding the whole header of a usual texture, and two
// pieces for reads past it, filled in turn. QIStream holds one buffer at a time and asks
// for the next before it lets go of the one it holds, so that one is never refilled. The
// stream can open a file relative to an open folder, so that a walk does not resolve the
// whole path of every texture again.
#include <string>

#include "el/qstream/qi_stream.h"

class TextureFileStream : public QIStream {
 public:
  // Bytes read at the start of the file, kept in the stream.
  static constexpr QFileSize kHeadSize = 512;
  // Bytes read at a time past the head.
  static constexpr QFileSize kPieceSize = 8192;

  TextureFileStream() = default;
  ~TextureFileStream() override;

  // Opens the host path `hostPath`; false when it is not a readable file.
  bool Open(const std::string& hostPath);
  // Opens `name` in the folder open as `folderFd`; false when it is not a readable file.
  bool OpenAt(int folderFd, const std::string& name);
  void Close();

 protected:
  PosQIStreamBuffer ReadBuffer(QFileSize pos) override;
  QFileSize DataSize() const override { return size_; }

 private:
  // One piece of the file, its bytes held in the same object.
  template <QFileSize kSize>
  class Piece : public QIStreamBuffer {
   public:
    Piece() : QIStreamBuffer(bytes_, 0) {}
    char* Bytes() { return bytes_; }
    void SetSize(QFileSize size) { size_ = size; }

   private:
    char bytes_[kSize];
  };

  bool Adopt(int fd);
  // Reads up to `length` bytes at `pos` into `bytes`; the number read (short at the end).
  size_t ReadAt(char* bytes, size_t length, QFileSize pos) const;

  int fd_ = -1;
  QFileSize size_ = 0;
  bool headRead_ = false;
  Piece<kHeadSize> head_;  // the piece at position 0 once read
  Piece<kPieceSize> pieces_[2];
  int lastPiece_ = 1;  // the piece of pieces_ handed out last
};
