#pragma once
// Searching a folder for entries that fit a name pattern, and looking up the write times
// of a folder's entries by name.
//
// The pattern is an engine path whose last component may hold '*' (any run of characters)
// and '?' (any one character), compared ignoring ASCII case. Entries come sorted by name,
// ignoring ASCII case, so that a walk is the same on every file system. The entries "."
// and ".." are never delivered.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/visited_folders.h"

struct FileSearchEntry {
  static constexpr unsigned kFolder = 0x10;
  unsigned attrib = 0;     // kFolder for a folder
  int64_t writeTime = 0;   // last write, seconds since 1 January 1970 (UTC); 0 when not asked for
  std::string name;
};

class FileSearch {
 public:
  // What a search finds out about each entry besides its name.
  enum Details {
    kFolderAndTime,  // folder or not, and the write time: one status query per entry
    kFolderOnly,     // folder or not, from the listing itself where the file system tells
  };

  FileSearch() = default;
  ~FileSearch();
  FileSearch(const FileSearch&) = delete;
  FileSearch& operator=(const FileSearch&) = delete;

  // Whether the folder stays open once its entries are read, for FolderFd().
  enum FolderUse {
    kCloseFolder,
    kKeepFolderOpen,
  };

  // Reads the entries of the folder part of `enginePattern` that fit its last component.
  // False when the folder cannot be read or nothing fits. Either way an entry is taken
  // for what it leads to (a link to a folder is a folder) and a link that leads nowhere is
  // left out.
  bool Start(std::string_view enginePattern, Details details = kFolderAndTime, FolderUse folder = kCloseFolder);
  // The next entry; false after the last.
  bool Next(FileSearchEntry& entry);

  // The folder of the last Start that found entries and kept it open, for look-ups
  // relative to it, until the next Start or the end of the search; -1 when there is none.
  int FolderFd() const;

  // The identity of the folder the last Start opened (also when nothing in it fitted);
  // nothing when it could not be opened.
  const std::optional<FolderIdentity>& Folder() const { return folder_; }

 private:
  void CloseFolder();

  std::vector<FileSearchEntry> entries_;
  size_t next_ = 0;
  int folderFd_ = -1;
  std::optional<FolderIdentity> folder_;
};

// The write times of the entries of one folder, each looked up relative to the folder,
// which is opened once, instead of through its whole path.
class FolderWriteTimes {
 public:
  // `engineFolder` ends in '\' (or is empty for the current folder).
  explicit FolderWriteTimes(std::string_view engineFolder);
  ~FolderWriteTimes();
  FolderWriteTimes(const FolderWriteTimes&) = delete;
  FolderWriteTimes& operator=(const FolderWriteTimes&) = delete;

  // The last-write time of the entry Find() gives for `name` (for a name spelled as it
  // exists, what FileWriteTime() gives for the whole path); nothing when there is none.
  std::optional<int64_t> Of(std::string_view name) const { return Find(name).time; }

  // The entry that `name` stands for, as on Windows: the name as spelled when it exists,
  // else an entry of the folder that differs from it only in ASCII case (the folder is
  // listed once, at the first such look-up); `name` itself when there is neither.
  struct Entry {
    std::string name;
    std::optional<int64_t> time;
  };
  Entry Find(std::string_view name) const;

 private:
  void ListNamesIgnoringCase() const;

  std::string folder_;  // engine form, for the look-ups by whole path
  int fd_ = -1;         // the open folder; -1 when it could not be opened
  mutable bool listed_ = false;
  mutable std::unordered_map<std::string, std::string> byLowerName_;
};

// True when `name` fits the wildcard pattern ('*', '?'), ignoring ASCII case.
bool WildcardMatch(std::string_view pattern, std::string_view name);
