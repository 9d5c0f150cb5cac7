#include "lib/texture/output_path.h"

#include "platform/host_file.h"

std::string HostPathForWriting(std::string_view path) {
  size_t separator = path.find_last_of("\\/");
  if (separator == std::string_view::npos) return HostPathOf(path);
  std::string folder = separator == 0 ? HostPathOf(path.substr(0, 1)) : HostPathOf(path.substr(0, separator));
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + std::string(path.substr(separator + 1));
}
