#include "platform/engine_resolver.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "platform/ascii.h"
#include "platform/engine_path.h"
#include "platform/host_file.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HostExists(const std::string& hostPath) {
  struct stat st;
  return ::stat(hostPath.c_str(), &st) == 0;
}

// The folder names of `path`, without empty and "." steps, ".." taken back; false when a
// ".." leads above the start.
bool SplitSteps(std::string_view path, std::vector<std::string_view>& steps) {
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::string_view step = path.substr(pos, end - pos);
    pos = end + 1;
    if (step.empty() || step == ".") continue;
    if (step == "..") {
      if (steps.empty()) return false;
      steps.pop_back();
      continue;
    }
    steps.push_back(step);
  }
  return true;
}

// The entry of `folder` whose name equals `name` ignoring ASCII case; empty when none.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string found;
  while (dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// `root` followed by `steps`; a step missing in its exact spelling is replaced by an entry
// that differs only in case. `found` tells whether every step exists.
std::string JoinBelow(const std::string& root, const std::vector<std::string_view>& steps, size_t first, bool& found) {
  std::string exact = root;
  for (size_t i = first; i < steps.size(); ++i) (exact += '/') += steps[i];
  found = HostExists(exact);
  if (found) return exact;
  std::string result = root;
  for (size_t i = first; i < steps.size(); ++i) {
    std::string step(steps[i]);
    std::string candidate = result + '/' + step;
    if (!HostExists(candidate)) {
      std::string match = FindIgnoringCase(result, step);
      if (match.empty()) return exact;
      candidate = result + '/' + match;
    }
    result = std::move(candidate);
  }
  found = true;
  return result;
}

std::string AbsoluteFolder(std::string_view hostFolder) {
  std::error_code error;
  std::filesystem::path path(hostFolder.empty() ? std::string_view(".") : hostFolder);
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  std::string text = (error ? path : absolute).lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool IsBelowFolder(std::string_view hostPath, std::string_view folder) {
  if (folder == "/") return !hostPath.empty() && hostPath[0] == '/';
  return hostPath.size() > folder.size() && hostPath.substr(0, folder.size()) == folder &&
         hostPath[folder.size()] == '/';
}

}  // namespace

EnginePath::EnginePath(std::string_view name) : text_(ToEnginePath(name)) {}

std::string WorkPathKey(std::string_view workPath) {
  std::vector<std::string_view> steps;
  SplitSteps(workPath, steps);
  std::string key;
  for (std::string_view step : steps) {
    if (!key.empty()) key += '\\';
    key += step;
  }
  return AsciiLowerCopy(key);
}

bool MountTable::Add(std::string_view workPath, std::string_view hostFolder, std::string origin, std::string* error) {
  std::vector<std::string_view> steps;
  if (!SplitSteps(workPath, steps) || steps.empty()) {
    if (error) *error = "Work path " + std::string(workPath) + " from " + origin + " names no folder of the work drive";
    return false;
  }
  std::string shown;
  for (std::string_view step : steps) (shown += '\\') += step;
  std::string key = AsciiLowerCopy(std::string_view(shown).substr(1));
  std::string folder = AbsoluteFolder(ToHostPath(hostFolder));
  if (auto it = index_.find(key); it != index_.end()) {
    const size_t i = it->second;
    if (mounts_[i].folder == folder) return true;
    if (error)
      *error = "Work path \\" + key + " is claimed by both " + mounts_[i].folder + " (" + mounts_[i].origin +
               ") and " + folder + " (" + origin + ")";
    return false;
  }
  if (steps.size() > maxDepth_) maxDepth_ = steps.size();
  index_.emplace(key, mounts_.size());
  mounts_.push_back({shown, folder, std::move(origin)});
  return true;
}

bool MountTable::AddList(std::string_view list, const std::string& origin, std::string* error) {
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t end = list.find(';', pos);
    if (end == std::string_view::npos) end = list.size();
    std::string_view pair = list.substr(pos, end - pos);
    pos = end + 1;
    if (pair.find_first_not_of(" \t") == std::string_view::npos) continue;
    size_t equals = pair.find('=');
    if (equals == std::string_view::npos || equals + 1 == pair.size()) {
      if (error) *error = "Mount " + std::string(pair) + " from " + origin + " is not WORKPATH=FOLDER";
      return false;
    }
    if (!Add(pair.substr(0, equals), pair.substr(equals + 1), origin, error)) return false;
  }
  return true;
}

const Mount* MountTable::Match(const std::vector<std::string>& lowerComponents, size_t& used) const {
  used = 0;
  if (mounts_.empty()) return nullptr;
  // Prefixes from the longest that a mount can have; the first one claimed wins.
  std::string key;
  std::vector<size_t> ends;
  for (size_t i = 0; i < lowerComponents.size() && i < maxDepth_; ++i) {
    if (i > 0) key += '\\';
    key += lowerComponents[i];
    ends.push_back(key.size());
  }
  for (size_t n = ends.size(); n > 0; --n) {
    auto it = index_.find(key.substr(0, ends[n - 1]));
    if (it != index_.end()) {
      used = n;
      return &mounts_[it->second];
    }
  }
  return nullptr;
}

const Mount* MountTable::Holding(std::string_view hostPath) const {
  const Mount* best = nullptr;
  for (const Mount& mount : mounts_) {
    if ((hostPath == mount.folder || IsBelowFolder(hostPath, mount.folder)) &&
        (!best || mount.folder.size() > best->folder.size()))
      best = &mount;
  }
  return best;
}

void MountTable::Clear() {
  mounts_.clear();
  index_.clear();
  maxDepth_ = 0;
}

MountTable& Mounts() {
  static MountTable table;
  return table;
}

EngineResolution ResolveEnginePath(const EnginePath& path) {
  EngineResolution result;
  std::vector<std::string_view> steps;
  if (!SplitSteps(path.Text(), steps)) {
    result.climbs = true;
    return result;
  }
  size_t used = 0;
  const Mount* mount = nullptr;
  if (!Mounts().All().empty()) {
    std::vector<std::string> lower;
    lower.reserve(steps.size());
    for (std::string_view step : steps) lower.push_back(AsciiLowerCopy(step));
    mount = Mounts().Match(lower, used);
  }
  if (mount) {
    result.root = mount->folder;
    result.tried = "mount " + mount->workPath + " (" + mount->folder + ")";
  } else {
    result.root = AbsoluteFolder(WorkDriveRoot());
    result.tried = "work drive " + result.root;
  }
  result.hostPath = JoinBelow(result.root, steps, used, result.found);
  return result;
}

std::optional<std::string> EnginePathOfHostFile(std::string_view hostPath) {
  std::string absolute = AbsoluteFolder(hostPath);
  if (const Mount* mount = Mounts().Holding(absolute))
    return mount->workPath + ToEnginePath(std::string_view(absolute).substr(mount->folder.size()));
  std::string drive = AbsoluteFolder(WorkDriveRoot());
  if (IsBelowFolder(absolute, drive))
    return ToEnginePath(std::string_view(absolute).substr(drive == "/" ? 0 : drive.size()));
  return std::nullopt;
}

namespace {

std::vector<std::string>& SourceRoots() {
  static std::vector<std::string> roots;
  return roots;
}

}  // namespace

void AddSourceRoot(std::string_view hostFolder) { SourceRoots().push_back(AbsoluteFolder(hostFolder)); }

void ClearSourceRoots() { SourceRoots().clear(); }

bool IsHostPathBelow(std::string_view hostPath, std::string_view folder) {
  return hostPath == folder || IsBelowFolder(hostPath, folder);
}

std::string RootOfHostFile(std::string_view hostPath) {
  std::string absolute = AbsoluteFolder(hostPath);
  if (const Mount* mount = Mounts().Holding(absolute)) return mount->folder;
  std::string best;
  for (const std::string& root : SourceRoots())
    if (IsBelowFolder(absolute, root) && root.size() > best.size()) best = root;
  if (!best.empty()) return best;
  std::string drive = AbsoluteFolder(WorkDriveRoot());
  if (IsBelowFolder(absolute, drive)) return drive;
  return std::filesystem::path(absolute).parent_path().string();
}
