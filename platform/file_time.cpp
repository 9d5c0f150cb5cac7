#include "platform/file_time.h"

#include <sys/stat.h>

#include "platform/engine_path.h"

std::optional<int64_t> FileWriteTime(std::string_view enginePath) {
  struct stat st;
  if (::stat(ToHostPath(enginePath).c_str(), &st) != 0) return std::nullopt;
  return static_cast<int64_t>(st.st_mtime);
}
