#pragma once
// Remembering the folders a walk has entered, by what they are on the disk (device and
// inode) rather than by name, so that a link back to a folder on the way cannot make a
// walk go round for ever.
#include <sys/types.h>

#include <optional>
#include <set>
#include <string>
#include <utility>

struct FolderIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  auto operator<=>(const FolderIdentity&) const = default;
};

// The identity of the open folder `fd`, or of the folder at `hostPath` (links followed);
// nothing when it cannot be asked.
std::optional<FolderIdentity> IdentityOfOpenFolder(int fd);
std::optional<FolderIdentity> IdentityOfFolder(const std::string& hostPath);

class VisitedFolders {
 public:
  // True the first time a folder is met; false when it was entered before. A folder whose
  // identity is unknown counts as new.
  bool Enter(const std::optional<FolderIdentity>& folder) {
    return !folder || entered_.insert(*folder).second;
  }

 private:
  std::set<FolderIdentity> entered_;
};
