#include "el/qstream/qo_file_stream.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/host_file.h"

namespace {

// Calls `io` (pread or pwrite) until all `size` bytes at `pos` are moved; 0, or the error
// of the failure (EIO when the file ended first).
template <class Io, class Bytes>
int WholeTransfer(Io io, int fd, Bytes data, size_t size, QFileSize pos) {
  size_t done = 0;
  while (done < size) {
    const ssize_t moved = io(fd, data + done, size - done, pos + static_cast<QFileSize>(done));
    if (moved < 0 && errno == EINTR) continue;
    if (moved <= 0) return moved < 0 ? errno : EIO;
    done += static_cast<size_t>(moved);
  }
  return 0;
}

// A temporary name beside `path` that no other writer of this process or another uses.
std::string MakeTempPath(const std::string& path, int attempt) {
  static std::atomic<unsigned> counter{0};
  char suffix[64];
  std::snprintf(suffix, sizeof(suffix), ".tmp%ld.%u.%d", static_cast<long>(::getpid()),
                counter.fetch_add(1), attempt);
  return path + suffix;
}

// Takes the decimal number that ends `text` off it; false when `text` does not end in a digit.
bool TakeTrailingNumber(std::string_view& text, long& value) {
  size_t start = text.size();
  while (start > 0 && start + 18 > text.size() && text[start - 1] >= '0' && text[start - 1] <= '9') --start;
  if (start == text.size()) return false;
  value = std::strtol(std::string(text.substr(start)).c_str(), nullptr, 10);
  text = text.substr(0, start);
  return true;
}

bool TakeSuffix(std::string_view& text, std::string_view suffix) {
  if (!text.ends_with(suffix)) return false;
  text.remove_suffix(suffix.size());
  return true;
}

// Copies the whole file `from` to the start of the open file `to`; 0 or the error.
int CopyFileBytes(int from, int to) {
  char buffer[1 << 16];
  for (QFileSize pos = 0;;) {
    const ssize_t got = ::pread(from, buffer, sizeof(buffer), pos);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(to, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return put < 0 ? errno : EIO;
      done += put;
    }
    pos += static_cast<QFileSize>(got);
  }
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
  path_ = HostPathForWrite(path);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) SetFailed(errno);
  return fd_ >= 0;
}

bool QOFStream::OpenAtomic(const std::string& path) {
  Close();
  path_ = HostPathForWrite(path);
  // A link to a file is followed: the file it leads to is replaced and the link stays, and
  // the temporary file is made beside that file, so that the rename stays on its file
  // system. A destination that is no file and no folder (a device, a pipe) cannot be
  // renamed over: the bytes gather in a temporary file elsewhere and are copied into it
  // on Close.
  struct stat target;
  const bool exists = ::stat(path_.c_str(), &target) == 0;
  if (exists && S_ISDIR(target.st_mode)) {
    SetFailed(EISDIR);  // known now, not only when the finished file is renamed
    return false;
  }
  copyOnClose_ = exists && !S_ISREG(target.st_mode);
  std::string tempBeside;
  if (copyOnClose_) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    tempBeside = ((error ? std::filesystem::path("/tmp") : folder) / "kln-output").string();
  } else {
    if (struct stat link; ::lstat(path_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      if (char* resolved = ::realpath(path_.c_str(), nullptr)) {
        path_ = resolved;
        std::free(resolved);
      }
    }
    tempBeside = path_;
  }
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    std::string candidate = MakeTempPath(tempBeside, attempt);
    fd_ = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      tempPath_ = candidate;
      readable_ = true;
    } else if (errno != EEXIST) {
      break;
    }
  }
  if (fd_ < 0) SetFailed(errno);
  return fd_ >= 0;
}

void QOFStream::Flush() {
  WritePatches();
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
  if (!readable_) {
    WriteToFile(pos, static_cast<const char*>(data), size);
    return true;
  }
  patches_.push_back({pos, size, patchBytes_.size()});
  patchBytes_.insert(patchBytes_.end(), static_cast<const char*>(data), static_cast<const char*>(data) + size);
  if (patches_.size() >= kMaxPatches || patchBytes_.size() >= kMaxPatchBytes) WritePatches();
  return true;
}

void QOFStream::WritePatches() {
  if (patches_.empty()) return;
  if (!fail() && fd_ >= 0) {
    // Patches by position, and those close together as one span of the file; within a
    // span they are applied in the order they were written, the later one winning.
    std::vector<size_t> order(patches_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return patches_[a].pos < patches_[b].pos; });
    std::vector<char> span;
    for (size_t first = 0; first < order.size() && !fail();) {
      QFileSize begin = patches_[order[first]].pos;
      QFileSize end = begin + static_cast<QFileSize>(patches_[order[first]].size);
      size_t last = first + 1;
      for (; last < order.size(); ++last) {
        const Patch& next = patches_[order[last]];
        QFileSize nextEnd = std::max(end, next.pos + static_cast<QFileSize>(next.size));
        if (next.pos > end + kPatchGap || nextEnd - begin > kMaxPatchSpan) break;
        end = nextEnd;
      }
      std::sort(order.begin() + first, order.begin() + last);  // back to the written order
      span.resize(static_cast<size_t>(end - begin));
      if (!ReadFromFile(begin, span.data(), span.size())) break;
      for (size_t i = first; i < last; ++i) {
        const Patch& patch = patches_[order[i]];
        std::memcpy(span.data() + (patch.pos - begin), patchBytes_.data() + patch.from, patch.size);
      }
      WriteToFile(begin, span.data(), span.size());
      first = last;
    }
  }
  patches_.clear();
  patchBytes_.clear();
}

bool QOFStream::ReadFromFile(QFileSize pos, char* data, size_t size) {
  const int error = WholeTransfer(::pread, fd_, data, size, pos);
  if (error != 0) SetFailed(error);
  return error == 0;
}

void QOFStream::WriteToFile(QFileSize pos, const char* data, size_t size) {
  if (const int error = WholeTransfer(::pwrite, fd_, data, size, pos)) SetFailed(error);
}

bool QOFStream::MakeRoom(size_t size) {
  if (used_ > 0 && used_ + size > kFlushSize) Flush();
  if (fail()) return false;
  return Grow(size);
}

void QOFStream::CloseFile() {
  if (fd_ >= 0 && ::close(fd_) != 0) SetFailed(errno);
  fd_ = -1;
  readable_ = false;
  patches_.clear();
  patchBytes_.clear();
}

bool QOFStream::Close() {
  if (fd_ < 0 && tempPath_.empty()) return !fail();
  Flush();
  CloseFile();
  if (!tempPath_.empty()) {
    if (!fail()) {
      if (copyOnClose_)
        CopyIntoDestination();
      else if (::rename(tempPath_.c_str(), path_.c_str()) != 0)
        SetFailed(errno);
    }
    if (fail() || copyOnClose_) ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  return !fail();
}

void QOFStream::CopyIntoDestination() {
  const int from = ::open(tempPath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (from < 0) {
    SetFailed(errno);
    return;
  }
  const int to = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  int error = to < 0 ? errno : CopyFileBytes(from, to);
  if (to >= 0 && ::close(to) != 0 && error == 0) error = errno;
  ::close(from);
  if (error != 0) SetFailed(error);
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

std::optional<long> AtomicTemporaryOwner(std::string_view name) {
  long pid = 0, number = 0;
  if (!TakeTrailingNumber(name, number) || !TakeSuffix(name, ".") || !TakeTrailingNumber(name, number) ||
      !TakeSuffix(name, ".") || !TakeTrailingNumber(name, pid) || !TakeSuffix(name, ".tmp") || name.empty())
    return std::nullopt;
  return pid;
}

int RemoveLeftoverTemporaryFiles(const std::string& hostFolder) {
  DIR* dir = ::opendir(hostFolder.empty() ? "." : hostFolder.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::optional<long> owner = AtomicTemporaryOwner(entry->d_name);
    // A temporary file of a process that still runs is being written.
    if (!owner || *owner <= 0 || ::kill(static_cast<pid_t>(*owner), 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}
