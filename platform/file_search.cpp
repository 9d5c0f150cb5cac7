#include "platform/file_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/ascii.h"
#include "platform/engine_path.h"
#include "platform/file_time.h"
#include "platform/host_file.h"

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative match with one backtrack point: the last '*' seen.
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

namespace {

constexpr size_t kUsualEntries = 128;
// Bytes of folder entries read at a time.
constexpr size_t kListingBufferSize = 32 * 1024;

// Whether the entry `d` of the folder open as `dirFd` is a folder, from the listing when
// it tells the kind of a plain entry and otherwise from the entry's status; false when the
// entry cannot be reached (vanished, or a link that leads nowhere).
bool KindOf(int dirFd, const dirent64& d, bool& folder) {
  switch (d.d_type) {
    case DT_DIR:
      folder = true;
      return true;
    case DT_UNKNOWN:
    case DT_LNK:
      break;  // the file system does not say, or only the target tells
    default:
      folder = false;
      return true;
  }
  struct stat st;
  if (::fstatat(dirFd, d.d_name, &st, 0) != 0) return false;
  folder = S_ISDIR(st.st_mode);
  return true;
}

// The first eight bytes of `name` in lower case, the first in the highest bits and
// missing ones as 0: as numbers these order as AsciiCompareIgnoreCase orders the names,
// unless they are equal.
uint64_t LowerPrefix(std::string_view name) {
  uint64_t prefix = 0;
  for (size_t i = 0; i < 8; ++i)
    prefix = prefix << 8 | (i < name.size() ? static_cast<unsigned char>(AsciiLower(name[i])) : 0u);
  return prefix;
}

// Sorts `entries` by name ignoring ASCII case, and names equal that way by their bytes.
// Most comparisons are settled by the names' first bytes, made lower case once.
void SortByName(std::vector<FileSearchEntry>& entries) {
  struct Key {
    uint64_t prefix;
    uint32_t index;
  };
  std::vector<Key> keys;
  keys.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) keys.push_back({LowerPrefix(entries[i].name), static_cast<uint32_t>(i)});
  std::sort(keys.begin(), keys.end(), [&entries](const Key& a, const Key& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    const std::string& nameA = entries[a.index].name;
    const std::string& nameB = entries[b.index].name;
    const int order = AsciiCompareIgnoreCase(nameA, nameB);
    return order != 0 ? order < 0 : nameA < nameB;
  });
  std::vector<FileSearchEntry> sorted;
  sorted.reserve(entries.size());
  for (const Key& key : keys) sorted.push_back(std::move(entries[key.index]));
  entries.swap(sorted);
}

}  // namespace

FileSearch::~FileSearch() { CloseFolder(); }

void FileSearch::CloseFolder() {
  if (folderFd_ >= 0) ::close(folderFd_);
  folderFd_ = -1;
}

int FileSearch::FolderFd() const { return folderFd_; }

bool FileSearch::Start(std::string_view enginePattern, Details details, FolderUse keep) {
  CloseFolder();
  folder_.reset();
  entries_.clear();
  next_ = 0;
  size_t slash = enginePattern.find_last_of('\\');
  // "\" alone is the root folder of the current drive: the work drive.
  std::string folder = slash == std::string_view::npos ? std::string(".")
                       : slash == 0                    ? WorkDriveRoot()
                                                       : HostPathOf(enginePattern.substr(0, slash));
  std::string_view namePattern =
      slash == std::string_view::npos ? enginePattern : enginePattern.substr(slash + 1);

  const bool matchesAll = namePattern == "*";
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return false;
  folder_ = IdentityOfOpenFolder(dirFd);
  // Room for a usual folder at once: growing moves every entry read so far.
  entries_.reserve(kUsualEntries);
  alignas(dirent64) char buffer[kListingBufferSize];
  for (;;) {
    const ssize_t got = ::getdents64(dirFd, buffer, sizeof buffer);
    if (got <= 0) break;  // the end, or a folder that cannot be read further
    for (ssize_t at = 0; at < got;) {
      const auto* d = reinterpret_cast<const dirent64*>(buffer + at);
      at += d->d_reclen;
      std::string_view name(d->d_name);
      if (name == "." || name == "..") continue;
      if (!matchesAll && !WildcardMatch(namePattern, name)) continue;
      FileSearchEntry entry;
      if (details == kFolderAndTime) {
        struct stat st;
        if (::fstatat(dirFd, d->d_name, &st, 0) != 0) continue;  // vanished or dangling link
        entry.attrib = S_ISDIR(st.st_mode) ? FileSearchEntry::kFolder : 0;
        entry.writeTime = static_cast<int64_t>(st.st_mtime);
      } else {
        bool isFolder = false;
        if (!KindOf(dirFd, *d, isFolder)) continue;
        entry.attrib = isFolder ? FileSearchEntry::kFolder : 0;
      }
      entry.name.assign(name);
      entries_.push_back(std::move(entry));
    }
  }
  if (keep == kKeepFolderOpen && !entries_.empty())
    folderFd_ = dirFd;
  else
    ::close(dirFd);
  SortByName(entries_);
  return !entries_.empty();
}

bool FileSearch::Next(FileSearchEntry& entry) {
  if (next_ >= entries_.size()) return false;
  entry = std::move(entries_[next_++]);
  return true;
}

FolderWriteTimes::FolderWriteTimes(std::string_view engineFolder)
    : folder_(engineFolder),
      // O_PATH: a look-up below the folder needs no right to read it, so neither does this.
      fd_(::open(HostPathForWrite(engineFolder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}

FolderWriteTimes::~FolderWriteTimes() {
  if (fd_ >= 0) ::close(fd_);
}

FolderWriteTimes::Entry FolderWriteTimes::Find(std::string_view name) const {
  Entry entry{std::string(name), std::nullopt};
  // A '\' in a host name separates folders once the whole path is in host form; a folder
  // that could not be opened is left to the whole path as well.
  if (fd_ < 0 || name.find('\\') != std::string_view::npos) {
    entry.time = FileWriteTime(folder_ + entry.name);
    return entry;
  }
  struct stat st;
  if (::fstatat(fd_, entry.name.c_str(), &st, 0) != 0) {
    if (errno != ENOENT) return entry;
    if (!listed_) ListNamesIgnoringCase();
    const auto other = byLowerName_.find(AsciiLowerCopy(name));
    if (other == byLowerName_.end() || ::fstatat(fd_, other->second.c_str(), &st, 0) != 0) return entry;
    entry.name = other->second;
  }
  entry.time = static_cast<int64_t>(st.st_mtime);
  return entry;
}

void FolderWriteTimes::ListNamesIgnoringCase() const {
  listed_ = true;
  const int listFd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return;
  DIR* dir = ::fdopendir(listFd);
  if (!dir) {
    ::close(listFd);
    return;
  }
  // Of names that differ only in case, the first in byte order stands for them all.
  while (const dirent* d = ::readdir(dir)) {
    std::string_view name(d->d_name);
    if (name == "." || name == "..") continue;
    auto [at, added] = byLowerName_.try_emplace(AsciiLowerCopy(name), name);
    if (!added && name < at->second) at->second = name;
  }
  ::closedir(dir);
}
