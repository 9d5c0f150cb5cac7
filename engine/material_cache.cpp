#include "engine/material_cache.h"

#include "platform/ascii.h"

std::shared_ptr<TexMaterial> MaterialCache::Find(const std::string& name) const {
  auto it = index_.find(AsciiLowerCopy(name));
  return it == index_.end() ? nullptr : table_[it->second].material;
}

void MaterialCache::Add(const std::string& name, std::shared_ptr<TexMaterial> material) {
  std::string key = AsciiLowerCopy(name);
  if (auto it = index_.find(key); it != index_.end()) {
    table_[it->second].material = std::move(material);
    return;
  }
  index_.emplace(key, table_.size());
  table_.push_back({std::move(key), std::move(material)});
}

void MaterialCache::Delete(const std::string& lowerName) {
  auto it = index_.find(lowerName);
  if (it == index_.end()) return;
  size_t slot = it->second;
  index_.erase(it);
  // Keep the table dense: the last slot moves into the freed one.
  std::shared_ptr<TexMaterial> doomed = std::move(table_[slot].material);
  if (slot + 1 != table_.size()) {
    table_[slot] = std::move(table_.back());
    index_[table_[slot].name] = slot;
  }
  table_.pop_back();
  doomed.reset();  // destroyed only after it left the table and the index
}

void MaterialCache::DeleteAll() {
  while (!table_.empty()) Delete(table_.back().name);
}

std::vector<std::shared_ptr<TexMaterial>> MaterialCache::All() const {
  std::vector<std::shared_ptr<TexMaterial>> all;
  all.reserve(table_.size());
  for (const Slot& slot : table_) all.push_back(slot.material);
  return all;
}

MaterialCache& Materials() {
  static MaterialCache cache;
  return cache;
}
