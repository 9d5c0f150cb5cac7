#include "tool/tool_mode.h"

#include "platform/ascii.h"

namespace kln {

bool IsToolMode(std::string_view modulePath, std::string_view commandLine) {
  size_t slash = modulePath.find_last_of('\\');
  std::string_view base = slash == std::string_view::npos ? modulePath : modulePath.substr(slash + 1);
  base = base.substr(0, base.find('.'));
  return AsciiEqualIgnoreCase(base, "kilnify") || commandLine.find("-kilnify") != std::string_view::npos;
}

}  // namespace kln
