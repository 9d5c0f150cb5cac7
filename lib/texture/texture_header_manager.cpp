#include "lib/texture/texture_header_manager.h"

#include <utility>

#include "el/appframe/app_frame.h"

namespace {

constexpr size_t kHeadersPerBucket = 16;

}  // namespace

TextureHeaderManager::TextureHeaderManager(int buckets) : buckets_(buckets > 0 ? static_cast<size_t>(buckets) : 0) {}

uint32_t TextureHeaderManager::HashName(std::string_view name) {
  uint32_t h = 0;
  for (char c : name) h = h * 33 + static_cast<unsigned char>(c);
  return h;
}

AutoArray<TextureHeader>& TextureHeaderManager::BucketOf(std::string_view name) {
  return buckets_[HashName(name) % buckets_.size()];
}

void TextureHeaderManager::GrowForInsertion() {
  const size_t buckets = buckets_.size();
  if (count_ + 1 <= kHeadersPerBucket * buckets) return;
  size_t n = buckets + 1;
  do {
    n *= 2;
  } while (count_ >= kHeadersPerBucket * n - kHeadersPerBucket);
  Rebuild(static_cast<int>(n - 1));
}

void TextureHeaderManager::Rebuild(int buckets) {
  AutoArray<AutoArray<TextureHeader>> old = std::move(buckets_);
  buckets_.assign(static_cast<size_t>(buckets), {});
  for (AutoArray<TextureHeader>& bucket : old)
    for (TextureHeader& header : bucket) BucketOf(header.name).push_back(std::move(header));
}

bool TextureHeaderManager::Insert(TextureHeader header) {
  if (buckets_.empty()) return false;
  GrowForInsertion();
  AutoArray<TextureHeader>& bucket = BucketOf(header.name);
  for (TextureHeader& present : bucket) {
    if (present.name == header.name) {
      present = std::move(header);
      return true;
    }
  }
  bucket.push_back(std::move(header));
  ++count_;
  return true;
}

const TextureHeader* TextureHeaderManager::Find(std::string_view name) const {
  if (buckets_.empty()) return nullptr;
  for (const TextureHeader& header : buckets_[HashName(name) % buckets_.size()])
    if (header.name == name) return &header;
  return nullptr;
}

bool TextureHeaderManager::Remove(std::string_view name) {
  if (buckets_.empty()) return false;
  AutoArray<TextureHeader>& bucket = BucketOf(name);
  for (auto it = bucket.begin(); it != bucket.end(); ++it) {
    if (it->name == name) {
      bucket.erase(it);
      --count_;
      return true;
    }
  }
  return false;
}

void TextureHeaderManager::ForEach(const std::function<void(const TextureHeader&)>& visit) const {
  for (const AutoArray<TextureHeader>& bucket : buckets_)
    for (const TextureHeader& header : bucket) visit(header);
}

AutoArray<TextureHeader> TextureHeaderManager::Headers() const {
  AutoArray<TextureHeader> headers;
  headers.reserve(count_);
  ForEach([&headers](const TextureHeader& header) { headers.push_back(header); });
  return headers;
}

void TextureHeaderManager::AddLoaded(AutoArray<TextureHeader>&& headers) {
  for (TextureHeader& header : headers) {
    const TextureHeader* present = Find(header.name);
    if (!present) {
      Insert(std::move(header));
    } else if (!(*present == header)) {
      ErrorMessage(
          "Texture header \"%s\" already in the manager and new header is different! Removing header from "
          "the manager.",
          header.name.c_str());
      Remove(header.name);
    }
  }
}
