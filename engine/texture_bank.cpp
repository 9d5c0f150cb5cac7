#include "engine/texture_bank.h"

#include "engine/texture_registry.h"
#include "platform/ascii.h"

std::string NormalizeTextureName(std::string_view name) { return AsciiLowerCopy(name); }

std::shared_ptr<Texture> TextureBank::Load(std::string_view name) {
  if (name.empty()) return nullptr;
  std::string key = NormalizeTextureName(name);
  if (useLog_) useLog_->insert(key);
  if (auto it = index_.find(key); it != index_.end()) return list_[it->second];
  auto texture = std::make_shared<Texture>(key);
  index_.emplace(key, list_.size());
  list_.push_back(texture);
  TextureNames().Register(key);
  return texture;
}

std::shared_ptr<Texture> TextureBank::Find(std::string_view name) const {
  auto it = index_.find(NormalizeTextureName(name));
  return it == index_.end() ? nullptr : list_[it->second];
}

std::vector<std::string> TextureBank::Names() const {
  std::vector<std::string> names;
  names.reserve(list_.size());
  for (const auto& texture : list_) names.push_back(texture->Name());
  return names;
}

void TextureBank::Clear() {
  list_.clear();
  index_.clear();
}

TextureBank& Textures() {
  static TextureBank bank;
  return bank;
}
