#pragma once
// The engine's texture registry: a numbered list of every texture name registered in
// this run. Entry 0 is reserved (the empty name); real names start at 1.
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class TextureRegistry {
 public:
  TextureRegistry();
  // The number of `name`, registering it when new.
  int Register(std::string_view name);
  // The number of `name`, or 0 when it is not registered.
  int Find(std::string_view name) const;
  // Every entry, the reserved entry 0 first (taken under the read lock).
  std::vector<std::string> Entries() const;
  size_t Size() const;
  // Forgets every name but the reserved entry (tests only).
  void Clear();

 private:
  mutable std::mutex lock_;
  std::vector<std::string> names_;
  std::map<std::string, int, std::less<>> index_;
};

// The process-wide registry.
TextureRegistry& TextureNames();
