#include "engine/texture_registry.h"

TextureRegistry::TextureRegistry() : names_(1) {}

int TextureRegistry::Register(std::string_view name) {
  std::lock_guard<std::mutex> guard(lock_);
  if (auto it = index_.find(name); it != index_.end()) return it->second;
  int number = static_cast<int>(names_.size());
  names_.emplace_back(name);
  index_.emplace(std::string(name), number);
  return number;
}

int TextureRegistry::Find(std::string_view name) const {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = index_.find(name);
  return it == index_.end() ? 0 : it->second;
}

std::vector<std::string> TextureRegistry::Entries() const {
  std::lock_guard<std::mutex> guard(lock_);
  return names_;
}

size_t TextureRegistry::Size() const {
  std::lock_guard<std::mutex> guard(lock_);
  return names_.size();
}

void TextureRegistry::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  names_.assign(1, std::string());
  index_.clear();
}

TextureRegistry& TextureNames() {
  static TextureRegistry registry;
  return registry;
}
