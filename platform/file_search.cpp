#include "platform/file_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/ascii.h"
#include "platform/engine_path.h"
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

bool FileSearch::Start(std::string_view enginePattern) {
  entries_.clear();
  next_ = 0;
  size_t slash = enginePattern.find_last_of('\\');
  // "\" alone is the root folder of the current drive: the work drive.
  std::string folder = slash == std::string_view::npos ? std::string(".")
                       : slash == 0                    ? WorkDriveRoot()
                                                       : HostPathOf(enginePattern.substr(0, slash));
  std::string_view namePattern =
      slash == std::string_view::npos ? enginePattern : enginePattern.substr(slash + 1);

  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  int dirFd = ::dirfd(dir);
  while (const dirent* d = ::readdir(dir)) {
    std::string_view name(d->d_name);
    if (name == "." || name == "..") continue;
    if (!WildcardMatch(namePattern, name)) continue;
    struct stat st;
    if (::fstatat(dirFd, d->d_name, &st, 0) != 0) continue;  // vanished or dangling link
    FileSearchEntry entry;
    entry.attrib = S_ISDIR(st.st_mode) ? FileSearchEntry::kFolder : 0;
    entry.writeTime = static_cast<int64_t>(st.st_mtime);
    entry.name.assign(name);
    entries_.push_back(std::move(entry));
  }
  ::closedir(dir);
  std::sort(entries_.begin(), entries_.end(), [](const FileSearchEntry& a, const FileSearchEntry& b) {
    int order = AsciiCompareIgnoreCase(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  return !entries_.empty();
}

bool FileSearch::Next(FileSearchEntry& entry) {
  if (next_ >= entries_.size()) return false;
  entry = std::move(entries_[next_++]);
  return true;
}
