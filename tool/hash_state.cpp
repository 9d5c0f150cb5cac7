#include "tool/hash_state.h"

#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

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
  // Small files (most inputs) are hashed from one read; larger ones in pieces.
  XXH3_state_t* state = XXH3_createState();
  XXH3_64bits_reset(state);
  static std::vector<char> buffer(256 * 1024);
  bool ok = true;
  for (;;) {
    ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    XXH3_64bits_update(state, buffer.data(), static_cast<size_t>(got));
    if (static_cast<size_t>(got) < buffer.size()) break;  // a regular file's end
  }
  ::close(fd);
  const uint64_t hash = XXH3_64bits_digest(state);
  XXH3_freeState(state);
  if (!ok) return std::nullopt;
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
  else changed_ = false;
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
  if (!changed_) return true;
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

bool HashState::UpToDate(const RString& output, bool outputExists) {
  auto found = entries_.find(output);
  if (found == entries_.end() || !outputExists) return false;
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
      Forget(output);
      return;
    }
    entry.inputs.push_back({path, *hash});
  }
  for (const std::string& texture : textures)
    if (texture.find('\n') == std::string::npos) entry.textures.push_back(texture);
  entries_[output] = std::move(entry);
  changed_ = true;
}

}  // namespace kln
