#include "el/qstream/qi_file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "el/qstream/huge_pages.h"
#include "el/qstream/large_block.h"
#include "el/qstream/read_recorder.h"
#include "platform/engine_path.h"

namespace {

// A buffer that owns the bytes it was read into (`allocated` of them, `size` read); a
// whole large file goes to the thread's receiver of large blocks when it is done with.
class OwnedStreamBuffer : public QIStreamBuffer {
 public:
  OwnedStreamBuffer(std::unique_ptr<char[]> bytes, QFileSize allocated, QFileSize size)
      : QIStreamBuffer(bytes.get(), size), bytes_(std::move(bytes)), allocated_(static_cast<size_t>(allocated)) {}
  ~OwnedStreamBuffer() override { ReleaseLargeBlock(std::move(bytes_), allocated_); }

 private:
  std::unique_ptr<char[]> bytes_;
  size_t allocated_;
};

}  // namespace

QIFStream::~QIFStream() { Close(); }

bool QIFStream::Open(const std::string& path) {
  Close();
  errorCode_ = 0;
  std::string hostPath = ToHostPath(path);
  int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    errorCode_ = errno;
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    errorCode_ = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = info.st_size;
  RecordRead(hostPath);
  bufferSize_ = size_ <= kWholeFileSize ? std::max<QFileSize>(size_, 1) : kBufferSize;
  Rewind();
  return true;
}

void QIFStream::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  Rewind();
}

PosQIStreamBuffer QIFStream::ReadBuffer(QFileSize pos) {
  if (fd_ < 0 || pos < 0 || pos >= size_) return {};
  QFileSize start = pos - pos % bufferSize_;
  QFileSize length = std::min(bufferSize_, size_ - start);
  std::unique_ptr<char[]> bytes(new char[static_cast<size_t>(length)]);
  AdviseHugePages(bytes.get(), static_cast<size_t>(length));
  QFileSize done = 0;
  while (done < length) {
    ssize_t got = ::pread(fd_, bytes.get() + done, static_cast<size_t>(length - done), start + done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got < 0 && errorCode_ == 0) errorCode_ = errno;
      break;
    }
    done += got;
  }
  // A file that shrank under us ends where its bytes end.
  if (done <= pos - start) return {};
  return {std::make_shared<const OwnedStreamBuffer>(std::move(bytes), length, done), start};
}
