#pragma once
// Searching a folder for entries that fit a name pattern.
//
// The pattern is an engine path whose last component may hold '*' (any run of characters)
// and '?' (any one character), compared ignoring ASCII case. Entries come sorted by name,
// ignoring ASCII case, so that a walk is the same on every file system. The entries "."
// and ".." are never delivered.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct FileSearchEntry {
  static constexpr unsigned kFolder = 0x10;
  unsigned attrib = 0;     // kFolder for a folder
  int64_t writeTime = 0;   // last write, seconds since 1 January 1970 (UTC)
  std::string name;
};

class FileSearch {
 public:
  // Reads the entries of the folder part of `enginePattern` that fit its last component.
  // False when the folder cannot be read or nothing fits.
  bool Start(std::string_view enginePattern);
  // The next entry; false after the last.
  bool Next(FileSearchEntry& entry);

 private:
  std::vector<FileSearchEntry> entries_;
  size_t next_ = 0;
};

// True when `name` fits the wildcard pattern ('*', '?'), ignoring ASCII case.
bool WildcardMatch(std::string_view pattern, std::string_view name);
