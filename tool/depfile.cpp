#include "tool/depfile.h"

#include <filesystem>
#include <system_error>

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

namespace {

// `path` relative to the current folder when it lies below it, as the build files name
// their inputs; otherwise as it is.
std::string BelowCurrentFolder(const std::string& path) {
  const std::filesystem::path host(path);
  if (!host.is_absolute()) return path;
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  if (error) return path;
  const std::filesystem::path relative = host.lexically_normal().lexically_relative(current);
  if (relative.empty() || *relative.begin() == "..") return path;
  return relative.string();
}

}  // namespace

std::string FormatDepfile(std::string_view target, const std::vector<std::string>& dependencies) {
  std::string text = EscapeMakePath(target) + ":";
  for (const std::string& dependency : dependencies) text += " " + EscapeMakePath(BelowCurrentFolder(dependency));
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
