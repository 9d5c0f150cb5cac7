#include "tool/exclusion_file.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/host_file.h"

namespace kln {

void ReadExclusionFile(ExclusionList& list, const char* path) {
  FILE* file = std::fopen(HostPathOf(path).c_str(), "r");
  if (!file) return;
  char line[1024];
  while (std::fgets(line, sizeof line, file)) {
    size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n') {
      line[--length] = 0;
      // Text mode reads a CR LF line end as one line feed.
      if (length > 0 && line[length - 1] == '\r') line[--length] = 0;
    }
    if (length == 0 || line[0] == ';') continue;
    for (size_t i = 0; i < length; ++i) line[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
    list.emplace_back(line, length);
  }
  std::fclose(file);
}

}  // namespace kln
