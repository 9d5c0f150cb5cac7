#include "platform/file_time.h"

#include <sys/stat.h>

#include "platform/host_file.h"

std::optional<int64_t> FileWriteTime(std::string_view enginePath) {
  struct stat st;
  if (::stat(HostPathForWrite(enginePath).c_str(), &st) != 0) return std::nullopt;
  return static_cast<int64_t>(st.st_mtime);
}
