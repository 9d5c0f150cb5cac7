#include "lib/texture/texture_file_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

TextureFileStream::~TextureFileStream() { Close(); }

bool TextureFileStream::Adopt(int fd) {
  Close();
  if (fd < 0) return false;
  // The size by seeking to the end: cheaper than fstat, and it fails for pipes and
  // devices that have none; a folder's reads fail later.
  const off_t size = ::lseek(fd, 0, SEEK_END);
  if (size < 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = size;
  return true;
}

bool TextureFileStream::Open(const std::string& hostPath) {
  return Adopt(::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
}

bool TextureFileStream::OpenAt(int folderFd, const std::string& name) {
  return Adopt(::openat(folderFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
}

void TextureFileStream::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  headRead_ = false;
  Rewind();
}

size_t TextureFileStream::ReadAt(char* bytes, size_t length, QFileSize pos) const {
  size_t done = 0;
  while (done < length) {
    ssize_t got = ::pread(fd_, bytes + done, length - done, static_cast<off_t>(pos) + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

PosQIStreamBuffer TextureFileStream::ReadBuffer(QFileSize pos) {
  if (fd_ < 0 || pos < 0 || pos >= size_) return {};
  if (pos < kHeadSize) {
    if (!headRead_) {
      head_.SetSize(static_cast<QFileSize>(ReadAt(head_.Bytes(), static_cast<size_t>(std::min(kHeadSize, size_)), 0)));
      headRead_ = true;
    }
    // References that own nothing: the pieces live as long as the stream, and the stream
    // drops its buffer before it reads another file.
    if (pos < head_.Size()) return {QIStreamBufferRef(QIStreamBufferRef(), &head_), 0};
    // Past the bytes of a head cut short: the read below tells where the file ends now.
  }
  // The piece not handed out last: the stream may still hold that one.
  Piece<kPieceSize>& piece = pieces_[1 - lastPiece_];
  const size_t done = ReadAt(piece.Bytes(), static_cast<size_t>(std::min(kPieceSize, size_ - pos)), pos);
  // A file that shrank under us ends where its bytes end.
  if (done == 0) return {};
  piece.SetSize(static_cast<QFileSize>(done));
  lastPiece_ = 1 - lastPiece_;
  return {QIStreamBufferRef(QIStreamBufferRef(), &piece), pos};
}
