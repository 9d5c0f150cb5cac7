#include "el/qstream/qo_file_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/engine_path.h"

namespace {

// A temporary name beside `path` that no other writer of this process or another uses.
std::string MakeTempPath(const std::string& path, int attempt) {
  static std::atomic<unsigned> counter{0};
  char suffix[64];
  std::snprintf(suffix, sizeof(suffix), ".tmp%ld.%u.%d", static_cast<long>(::getpid()),
                counter.fetch_add(1), attempt);
  return path + suffix;
}

}  // namespace

QOFStream::~QOFStream() {
  if (!tempPath_.empty())
    Discard();
  else
    Close();
}

bool QOFStream::Open(const std::string& path) {
  Close();
  path_ = ToHostPath(path);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) SetFailed(errno);
  return fd_ >= 0;
}

bool QOFStream::OpenAtomic(const std::string& path) {
  Close();
  path_ = ToHostPath(path);
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    std::string candidate = MakeTempPath(path_, attempt);
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      tempPath_ = candidate;
    } else if (errno != EEXIST) {
      break;
    }
  }
  if (fd_ < 0) SetFailed(errno);
  return fd_ >= 0;
}

void QOFStream::Flush() {
  if (fail() || fd_ < 0) {
    // Nothing reaches a file that failed or was never opened.
    if (fd_ < 0 && !fail() && used_ > 0) SetFailed(EBADF);
    DropBufferedBytes();
    return;
  }
  WriteToFile(bufferStart_, buffer_.get(), used_);
  DropBufferedBytes();
}

bool QOFStream::WriteOutsideBuffer(QFileSize pos, const void* data, size_t size) {
  if (fd_ < 0) return false;  // the ordinary path reports it
  WriteToFile(pos, static_cast<const char*>(data), size);
  return true;
}

void QOFStream::WriteToFile(QFileSize pos, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t wrote = ::pwrite(fd_, data + done, size - done, pos + static_cast<QFileSize>(done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      SetFailed(wrote < 0 ? errno : EIO);
      return;
    }
    done += static_cast<size_t>(wrote);
  }
}

bool QOFStream::MakeRoom(size_t size) {
  if (used_ > 0 && used_ + size > kFlushSize) Flush();
  if (fail()) return false;
  return Grow(size);
}

void QOFStream::CloseFile() {
  if (fd_ >= 0 && ::close(fd_) != 0) SetFailed(errno);
  fd_ = -1;
}

bool QOFStream::Close() {
  if (fd_ < 0 && tempPath_.empty()) return !fail();
  Flush();
  CloseFile();
  if (!tempPath_.empty()) {
    if (!fail() && ::rename(tempPath_.c_str(), path_.c_str()) != 0) SetFailed(errno);
    if (fail()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  return !fail();
}

void QOFStream::Discard() {
  if (tempPath_.empty()) {
    Close();
    return;
  }
  CloseFile();
  ::unlink(tempPath_.c_str());
  tempPath_.clear();
  DropBufferedBytes();
}
