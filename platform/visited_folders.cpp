#include "platform/visited_folders.h"

#include <sys/stat.h>

namespace {

std::optional<FolderIdentity> IdentityOf(int result, const struct stat& st) {
  if (result != 0) return std::nullopt;
  return FolderIdentity{st.st_dev, st.st_ino};
}

}  // namespace

std::optional<FolderIdentity> IdentityOfOpenFolder(int fd) {
  struct stat st;
  return IdentityOf(::fstat(fd, &st), st);
}

std::optional<FolderIdentity> IdentityOfFolder(const std::string& hostPath) {
  struct stat st;
  return IdentityOf(::stat(hostPath.c_str(), &st), st);
}
