#include "platform/prefix_files.h"

#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/engine_resolver.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBlanks = " \t\r\n\f\v";
// A prefix file holds one short line; a larger file is not a prefix file.
constexpr std::uintmax_t kMaxPrefixFileSize = 4096;

bool LessIgnoringCase(const fs::directory_entry& a, const fs::directory_entry& b) {
  const std::string x = a.path().filename().string(), y = b.path().filename().string();
  const int order = ::strcasecmp(x.c_str(), y.c_str());
  return order != 0 ? order < 0 : x < y;
}

std::vector<fs::directory_entry> SortedEntries(const fs::path& folder) {
  std::vector<fs::directory_entry> entries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    entries.push_back(*it);
  std::sort(entries.begin(), entries.end(), LessIgnoringCase);
  return entries;
}

void Search(const fs::path& folder, const fs::path& canonicalRoot, std::string_view name,
            std::vector<PrefixFile>& found, std::vector<std::string>& problems) {
  const std::vector<fs::directory_entry> entries = SortedEntries(folder);
  std::error_code error;
  for (const fs::directory_entry& entry : entries) {
    const std::string fileName = entry.path().filename().string();
    if (fileName.size() != name.size() || ::strncasecmp(fileName.c_str(), name.data(), name.size()) != 0) continue;
    if (!entry.is_regular_file(error)) continue;
    if (entry.is_symlink(error)) {
      const fs::path target = fs::weakly_canonical(entry.path(), error);
      if (error || !IsHostPathBelow(target.string(), canonicalRoot.string())) {
        problems.push_back("Prefix file " + entry.path().string() + " is a link leading out of " +
                           canonicalRoot.string() + "; it is left out");
        continue;
      }
    }
    if (entry.file_size(error) > kMaxPrefixFileSize || error) {
      problems.push_back("Prefix file " + entry.path().string() + " is too large to be a prefix file; it is left out");
      continue;
    }
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    found.push_back({entry.path().string(), folder.string(), WorkPathOfPrefixText(text.str())});
    if (found.back().workPath.empty()) {
      problems.push_back("Prefix file " + entry.path().string() + " names no work path; it is left out");
      found.pop_back();
    }
    // A folder that is mounted is not searched further.
    return;
  }
  for (const fs::directory_entry& entry : entries) {
    if (entry.is_symlink(error) || !entry.is_directory(error)) continue;
    Search(entry.path(), canonicalRoot, name, found, problems);
  }
}

}  // namespace

std::string WorkPathOfPrefixText(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    // CRLF, LF and a lone CR all end a line.
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    const size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) continue;
    const size_t last = line.find_last_not_of(kBlanks);
    return std::string(line.substr(first, last - first + 1));
  }
  return {};
}

std::vector<PrefixFile> FindPrefixFiles(const std::string& root, std::string_view name,
                                        std::vector<std::string>& problems) {
  std::vector<PrefixFile> found;
  std::error_code error;
  fs::path start = fs::absolute(root, error).lexically_normal();
  if (start.has_filename() == false && start.has_parent_path()) start = start.parent_path();
  const fs::path canonicalRoot = fs::weakly_canonical(start, error);
  if (name.empty() || !fs::is_directory(canonicalRoot, error)) return found;
  Search(start, canonicalRoot, name, found, problems);
  return found;
}
