#include "lib/texture/texture_file_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace {

// One piece of the file, its bytes held in the same allocation.
class PieceBuffer : public QIStreamBuffer {
 public:
  PieceBuffer() : QIStreamBuffer(bytes_, 0) {}
  char* Bytes() { return bytes_; }
  void SetSize(QFileSize size) { size_ = size; }

 private:
  char bytes_[TextureFileStream::kPieceSize];
};

}  // namespace

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
  Rewind();
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
  Rewind();
}

PosQIStreamBuffer TextureFileStream::ReadBuffer(QFileSize pos) {
  if (fd_ < 0 || pos < 0 || pos >= size_) return {};
  auto piece = std::make_shared<PieceBuffer>();
  const size_t length = static_cast<size_t>(std::min(kPieceSize, size_ - pos));
  size_t done = 0;
  while (done < length) {
    ssize_t got =
        ::pread(fd_, piece->Bytes() + done, length - done, static_cast<off_t>(pos) + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  // A file that shrank under us ends where its bytes end.
  if (done == 0) return {};
  piece->SetSize(static_cast<QFileSize>(done));
  return {std::move(piece), pos};
}

OpenFolder::OpenFolder(const std::string& hostPath)
    : fd_(::open(hostPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

OpenFolder::~OpenFolder() {
  if (fd_ >= 0) ::close(fd_);
}
