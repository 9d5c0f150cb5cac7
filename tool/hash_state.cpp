#include "tool/hash_state.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "el/appframe/app_frame.h"
#include "el/qstream/qo_file_stream.h"
#include "engine/process_flags.h"
#include "platform/host_file.h"

namespace kln {
namespace {

constexpr char kMagic[] = "kilnify-state 1";
constexpr int kRevision = 160123;

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

std::optional<uint64_t> HashFileContents(const std::string& hostPath) {
  int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  const size_t size = static_cast<size_t>(info.st_size);
  uint64_t hash = XXH3_64bits(nullptr, 0);
  if (size > 0) {
    void* bytes = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (bytes == MAP_FAILED) {
      ::close(fd);
      return std::nullopt;
    }
    hash = XXH3_64bits(bytes, size);
    ::munmap(bytes, size);
  }
  ::close(fd);
  return hash;
}

std::string OutputKey(const RunSettings& settings) {
  static const std::optional<uint64_t> tool = HashFileContents("/proc/self/exe");
  char identity[64];
  std::snprintf(identity, sizeof identity, "rev%d/%016" PRIx64, kRevision, tool.value_or(0));
  std::ostringstream key;
  key << identity << " bones=" << settings.bonesInterval << " gx1=" << settings.olderWorldFormat
      << " shrink=" << ShrinkModels() << " skeleton=" << settings.skeleton << " default=" << settings.defaultSkeleton
      << " addon=" << settings.addonFolder << " bin=" << settings.binPath << " textures=" << settings.texturesFolder;
  return OneLine(key.str());
}

void HashState::Load(const RString& path, const std::string& key) {
  path_ = path;
  key_ = key;
  entries_.clear();
  std::ifstream in(HostPathOf(path), std::ios::binary);
  if (!in) return;
  std::stringstream text;
  text << in.rdbuf();
  if (!Parse(text.str())) {
    LogMessage("The state file %s is broken or not ours; every file is converted", path.c_str());
    entries_.clear();
    key_ = key;
    return;
  }
  if (key_ != key) entries_.clear();  // another tool or other options: everything again
  key_ = key;
}

bool HashState::Parse(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kMagic) return false;
  if (!std::getline(in, line) || line.rfind("key ", 0) != 0) return false;
  key_ = line.substr(4);
  entries_.clear();
  Entry* entry = nullptr;
  bool ended = false;
  while (std::getline(in, line)) {
    if (ended) return false;
    if (line.rfind("out ", 0) == 0) {
      entry = &entries_[line.substr(4)];
    } else if (line.rfind("in ", 0) == 0 && entry && line.size() > 20 && line[19] == ' ') {
      char* end = nullptr;
      const std::string digits = line.substr(3, 16);
      uint64_t hash = std::strtoull(digits.c_str(), &end, 16);
      if (end != digits.c_str() + 16) return false;
      entry->inputs.push_back({line.substr(20), hash});
    } else if (line.rfind("tex ", 0) == 0 && entry) {
      entry->textures.push_back(line.substr(4));
    } else if (line == "end") {
      ended = true;
    } else {
      return false;
    }
  }
  return ended;
}

std::string HashState::Format() const {
  std::string text = std::string(kMagic) + "\nkey " + key_ + "\n";
  char digits[20];
  for (const auto& [output, entry] : entries_) {
    text += "out " + output + "\n";
    for (const Input& input : entry.inputs) {
      std::snprintf(digits, sizeof digits, "%016" PRIx64, input.hash);
      text += "in " + std::string(digits) + " " + input.path + "\n";
    }
    for (const std::string& texture : entry.textures) text += "tex " + texture + "\n";
  }
  return text + "end\n";
}

bool HashState::Save() const {
  const std::string text = Format();
  QOFStream out;
  if (out.OpenAtomic(path_)) {
    out.write(text.data(), text.size());
    if (out.Close()) return true;
  }
  ErrorMessage("Cannot write the state file %s", path_.c_str());
  return false;
}

std::optional<uint64_t> HashState::Hash(const std::string& path) {
  auto found = hashes_.find(path);
  if (found != hashes_.end()) return found->second;
  return hashes_[path] = HashFileContents(path);
}

bool HashState::UpToDate(const RString& output) {
  auto found = entries_.find(output);
  if (found == entries_.end() || !EngineFileExists(output)) return false;
  for (const Input& input : found->second.inputs) {
    std::optional<uint64_t> hash = Hash(input.path);
    if (!hash || *hash != input.hash) return false;
  }
  return true;
}

std::vector<std::string> HashState::Textures(const RString& output) const {
  auto found = entries_.find(output);
  return found == entries_.end() ? std::vector<std::string>() : found->second.textures;
}

void HashState::Record(const RString& output, const std::vector<std::string>& inputs,
                       const std::vector<std::string>& textures) {
  Entry entry;
  if (output.find('\n') != std::string::npos) return;
  for (const std::string& path : inputs) {
    std::optional<uint64_t> hash = Hash(path);
    // A file that cannot be read again, or a name the state cannot hold, leaves the output
    // unrecorded, so that the next run converts it.
    if (!hash || path.find('\n') != std::string::npos) {
      entries_.erase(output);
      return;
    }
    entry.inputs.push_back({path, *hash});
  }
  for (const std::string& texture : textures)
    if (texture.find('\n') == std::string::npos) entry.textures.push_back(texture);
  entries_[output] = std::move(entry);
}

}  // namespace kln
