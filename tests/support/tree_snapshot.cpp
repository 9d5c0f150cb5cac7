#include "tests/support/tree_snapshot.h"

#include <fstream>
#include <sstream>

namespace {

bool IsSkipped(const std::string& relative, const std::vector<std::string>& skip) {
  for (const std::string& folder : skip)
    if (relative == folder || relative.starts_with(folder + "/")) return true;
  return false;
}

std::string Describe(const std::filesystem::directory_entry& entry) {
  if (entry.is_symlink()) return "link to " + std::filesystem::read_symlink(entry.path()).string();
  if (entry.is_directory()) return "folder";
  std::ifstream in(entry.path(), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return "file " + bytes.str();
}

}  // namespace

TreeSnapshot SnapshotTree(const std::filesystem::path& root, const std::vector<std::string>& skip) {
  TreeSnapshot snapshot;
  std::filesystem::recursive_directory_iterator it(root, std::filesystem::directory_options::skip_permission_denied);
  for (; it != std::filesystem::recursive_directory_iterator(); ++it) {
    const std::string relative = it->path().lexically_relative(root).generic_string();
    if (IsSkipped(relative, skip)) {
      if (it->is_directory() && !it->is_symlink()) it.disable_recursion_pending();
      continue;
    }
    snapshot[relative] = Describe(*it);
  }
  return snapshot;
}

std::string SnapshotDifference(const TreeSnapshot& before, const TreeSnapshot& after) {
  std::string difference;
  for (const auto& [path, what] : before) {
    auto other = after.find(path);
    if (other == after.end())
      difference += "removed " + path + "\n";
    else if (other->second != what)
      difference += "changed " + path + "\n";
  }
  for (const auto& [path, what] : after)
    if (!before.count(path)) difference += "added " + path + "\n";
  return difference;
}
