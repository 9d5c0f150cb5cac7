#include "tool/depfile.h"

#include "el/qstream/qo_file_stream.h"

namespace kln {

std::string EscapeMakePath(std::string_view path) {
  std::string escaped;
  escaped.reserve(path.size());
  for (char c : path) {
    if (c == ' ' || c == '#') escaped += '\\';
    if (c == '$') escaped += '$';
    escaped += c;
  }
  return escaped;
}

std::string FormatDepfile(std::string_view target, const std::vector<std::string>& dependencies) {
  std::string text = EscapeMakePath(target) + ":";
  for (const std::string& dependency : dependencies) text += " " + EscapeMakePath(dependency);
  return text + "\n";
}

bool WriteDepfile(const std::string& path, std::string_view target, const std::vector<std::string>& dependencies) {
  const std::string text = FormatDepfile(target, dependencies);
  QOFStream out;
  if (!out.OpenAtomic(path)) return false;
  out.write(text.data(), text.size());
  return out.Close();
}

}  // namespace kln
