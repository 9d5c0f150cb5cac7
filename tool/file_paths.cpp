#include "tool/file_paths.h"

#include <string>

#include "engine/file_server.h"
#include "platform/make_folder.h"

namespace kln {

RString WithTrailingBackslash(std::string_view folder) {
  RString result(folder);
  if (result.empty() || result.back() != '\\') result += '\\';
  return result;
}

std::string_view GetExtension(std::string_view path) {
  size_t slash = path.find_last_of('\\');
  std::string_view name;
  if (slash != std::string_view::npos) {
    name = path.substr(slash + 1);
  } else if (path.size() >= 2 && path[1] == ':') {
    name = path.substr(2);
  } else {
    name = path;
  }
  size_t dot = name.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

void CreateDestinationFolders(std::string_view filePath) {
  // After a drive colon ("C:\..."), or after the first character; a ':' elsewhere is
  // part of a name.
  size_t start = filePath.size() >= 2 && filePath[1] == ':' ? 2 : 1;
  for (size_t pos = filePath.find('\\', start); pos != std::string_view::npos; pos = filePath.find('\\', pos + 1)) {
    MakeFolder(std::string(filePath.substr(0, pos)));
  }
}

bool IsUpToDate(int64_t sourceWriteTime, std::string_view destinationPath) {
  return sourceWriteTime <= static_cast<int64_t>(FileTimeStamp(destinationPath));
}

}  // namespace kln
