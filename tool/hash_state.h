#pragma once
// The state kept for -hashCheck in the destination root (".kilnify-state"): per output, a
// hash of every file its conversion read and the textures it used, under a key made of the
// tool's identity and the options that change outputs. An output is up to date when and
// only when it exists, the key is the same and every recorded input still has its hash;
// file times play no part. A state file that cannot be read as such is reported and
// ignored, so that every file is converted.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "el/qstream/basic_types.h"
#include "tool/run_settings.h"

namespace kln {

// The XXH3 hash of a file's bytes; nothing when it cannot be read.
std::optional<uint64_t> HashFileContents(const std::string& hostPath);

// The tool's identity (a hash of its own executable) and every option that changes outputs.
std::string OutputKey(const RunSettings& settings);

class HashState {
 public:
  static constexpr char kFileName[] = ".kilnify-state";

  // Reads the state file `path` (engine path); a missing one gives an empty state, a
  // broken or foreign one a message and an empty state. Entries made under another key
  // are dropped.
  void Load(const RString& path, const std::string& key);
  // Writes the state atomically when it changed since Load; false (with a message) when it could not be written.
  bool Save() const;

  // `outputExists`: whether the output is there (the walk has looked already).
  bool UpToDate(const RString& output, bool outputExists);
  // The textures recorded for `output` (empty when none).
  std::vector<std::string> Textures(const RString& output) const;
  // Records the inputs (host paths) and textures of a fresh conversion of `output`.
  void Record(const RString& output, const std::vector<std::string>& inputs, const std::vector<std::string>& textures);
  void Forget(const RString& output) { changed_ |= entries_.erase(output) > 0; }

  // Reads a state text; false when it is not one. Exposed for tests.
  bool Parse(const std::string& text);
  std::string Format() const;

 private:
  struct Input {
    std::string path;
    uint64_t hash = 0;
  };
  struct Entry {
    std::vector<Input> inputs;
    std::vector<std::string> textures;
  };
  std::optional<uint64_t> Hash(const std::string& path);

  RString path_;
  std::string key_;
  std::map<std::string, Entry> entries_;
  std::unordered_map<std::string, std::optional<uint64_t>> hashes_;  // this run's, by path
  bool changed_ = true;  // the file on disk differs from what Format() gives
};

}  // namespace kln
