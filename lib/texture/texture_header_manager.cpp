#include "lib/texture/texture_header_manager.h"

#include <utility>

#include "el/appframe/app_frame.h"

namespace {

constexpr size_t kHeadersPerBucket = 16;
constexpr int kFirstSlotBits = 6;
// How far ahead a walk in bucket order asks for a header, and for the name and mipmaps
// it points to (which it can only find once the header is there).
constexpr size_t kHeaderAhead = 8;
constexpr size_t kDataAhead = 4;

}  // namespace

TextureHeaderManager::TextureHeaderManager(int buckets) : buckets_(buckets > 0 ? static_cast<size_t>(buckets) : 0) {}

uint32_t TextureHeaderManager::HashName(std::string_view name) {
  uint32_t h = 0;
  for (char c : name) h = h * 33 + static_cast<unsigned char>(c);
  return h;
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

void TextureHeaderManager::Append(uint32_t index) {
  Link& link = links_[index];
  link.next = kNoEntry;
  Bucket& bucket = buckets_[link.hash % buckets_.size()];
  if (bucket.last == kNoEntry)
    bucket.first = index;
  else
    links_[bucket.last].next = index;
  bucket.last = index;
}

void TextureHeaderManager::Rebuild(int buckets) {
  const AutoArray<Bucket> old = std::move(buckets_);
  buckets_.assign(static_cast<size_t>(buckets), {});
  // Appending changes only the link of a place already moved, so each link is read first.
  for (const Bucket& bucket : old) {
    for (uint32_t i = bucket.first; i != kNoEntry;) {
      const uint32_t next = links_[i].next;
      Append(i);
      i = next;
    }
  }
}

uint32_t TextureHeaderManager::SlotOf(uint32_t hash) const {
  // Fibonacci hashing: the high bits of the product depend on every bit of the hash.
  return static_cast<uint32_t>((hash * 0x9E3779B9u) >> (32 - slotBits_));
}

void TextureHeaderManager::AddToSlot(uint32_t index) {
  // The place is in no bucket yet, so a new table is filled from the buckets without it.
  if (count_ + 1 > slots_.size()) {
    slotBits_ = slots_.empty() ? kFirstSlotBits : slotBits_ + 1;
    slots_.assign(size_t{1} << slotBits_, kNoEntry);
    for (const Bucket& bucket : buckets_) {
      for (uint32_t i = bucket.first; i != kNoEntry; i = links_[i].next) {
        uint32_t& slot = slots_[SlotOf(links_[i].hash)];
        links_[i].nextInSlot = slot;
        slot = i;
      }
    }
  }
  uint32_t& slot = slots_[SlotOf(links_[index].hash)];
  links_[index].nextInSlot = slot;
  slot = index;
}

void TextureHeaderManager::RemoveFromSlot(uint32_t index) {
  for (uint32_t* at = &slots_[SlotOf(links_[index].hash)]; *at != kNoEntry; at = &links_[*at].nextInSlot) {
    if (*at == index) {
      *at = links_[index].nextInSlot;
      links_[index].nextInSlot = kNoEntry;
      return;
    }
  }
}

uint32_t TextureHeaderManager::FindEntry(std::string_view name, uint32_t hash) const {
  if (slots_.empty()) return kNoEntry;
  for (uint32_t i = slots_[SlotOf(hash)]; i != kNoEntry; i = links_[i].nextInSlot)
    if (links_[i].hash == hash && headers_[i].name == name) return i;
  return kNoEntry;
}

bool TextureHeaderManager::Insert(TextureHeader header) {
  if (buckets_.empty()) return false;
  GrowForInsertion();
  const uint32_t hash = HashName(header.name);
  if (const uint32_t present = FindEntry(header.name, hash); present != kNoEntry) {
    headers_[present] = std::move(header);
    return true;
  }
  uint32_t index;
  if (!free_.empty()) {
    index = free_.back();
    free_.pop_back();
    headers_[index] = std::move(header);
  } else {
    index = static_cast<uint32_t>(headers_.size());
    headers_.push_back(std::move(header));
    links_.emplace_back();
  }
  links_[index].hash = hash;
  AddToSlot(index);
  Append(index);
  ++count_;
  return true;
}

const TextureHeader* TextureHeaderManager::Find(std::string_view name) const {
  if (buckets_.empty()) return nullptr;
  const uint32_t index = FindEntry(name, HashName(name));
  return index != kNoEntry ? &headers_[index] : nullptr;
}

bool TextureHeaderManager::Remove(std::string_view name) {
  if (buckets_.empty()) return false;
  const uint32_t index = FindEntry(name, HashName(name));
  if (index == kNoEntry) return false;
  RemoveFromSlot(index);
  Bucket& bucket = buckets_[links_[index].hash % buckets_.size()];
  uint32_t previous = kNoEntry;
  for (uint32_t i = bucket.first; i != index; i = links_[i].next) previous = i;
  if (previous == kNoEntry)
    bucket.first = links_[index].next;
  else
    links_[previous].next = links_[index].next;
  if (bucket.last == index) bucket.last = previous;
  links_[index].next = kNoEntry;
  headers_[index] = TextureHeader{};
  free_.push_back(index);
  --count_;
  return true;
}

TextureHeaderManager::InOrder::InOrder(const TextureHeaderManager& manager) : manager_(manager) {
  places_.reserve(manager.count_);
  for (const Bucket& bucket : manager.buckets_)
    for (uint32_t i = bucket.first; i != kNoEntry; i = manager.links_[i].next) places_.push_back(i);
  for (size_t at = 0; at < kHeaderAhead && at < places_.size(); ++at) __builtin_prefetch(&At(at));
}

void TextureHeaderManager::InOrder::ReadAhead(size_t at) const {
  if (at + kHeaderAhead < places_.size()) {
    const char* header = reinterpret_cast<const char*>(&At(at + kHeaderAhead));
    for (size_t line = 0; line < sizeof(TextureHeader); line += 64) __builtin_prefetch(header + line);
  }
  if (at + kDataAhead < places_.size()) {
    const TextureHeader& header = At(at + kDataAhead);
    __builtin_prefetch(header.name.data());
    __builtin_prefetch(header.mipmaps.data());
  }
}

void TextureHeaderManager::ForEach(const std::function<void(const TextureHeader&)>& visit) const {
  for (const TextureHeader& header : InOrder(*this)) visit(header);
}

AutoArray<TextureHeader> TextureHeaderManager::Headers() const {
  AutoArray<TextureHeader> headers;
  headers.reserve(count_);
  for (const TextureHeader& header : InOrder(*this)) headers.push_back(header);
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
