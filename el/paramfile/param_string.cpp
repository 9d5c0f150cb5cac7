#include "el/paramfile/param_string.h"

#include "el/paramfile/param_pool.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

inline uint64_t Load64(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  return word;
}

// The last 1 to 7 bytes of a text as one little-endian number, read without a loop and
// without reading past the text.
inline uint64_t LoadTail(const char* p, size_t size) {
  if (size >= 4) {
    uint32_t head;
    uint32_t tail;
    std::memcpy(&head, p, 4);
    std::memcpy(&tail, p + size - 4, 4);
    return head | static_cast<uint64_t>(tail) << ((size - 4) * 8);  // the overlap is the same bytes
  }
  auto byte = [p](size_t i) { return static_cast<uint64_t>(static_cast<unsigned char>(p[i])); };
  return byte(0) | byte(size / 2) << (size / 2 * 8) | byte(size - 1) << ((size - 1) * 8);
}

// Eight characters with the ASCII capitals made small, all at once: per byte, the high bit
// of (low seven bits + 0x80 - 'A') says "at least 'A'", of (low seven bits + 0x80 - 'Z' -
// 1) "beyond 'Z'"; bytes from 0x80 up are left as they are.
inline uint64_t FoldCase8(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  const uint64_t low = word & ~kHigh;
  const uint64_t atLeastA = low + (0x80 - 'A') * kOnes;
  const uint64_t beyondZ = low + (0x80 - 'Z' - 1) * kOnes;
  const uint64_t capitals = atLeastA & ~beyondZ & ~word & kHigh;
  return word | capitals >> 2;  // 0x80 >> 2 is the 0x20 between the cases
}

}  // namespace

bool ParamNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const char* pa = a.data();
  const char* pb = b.data();
  size_t size = a.size();
  // Eight characters at a time; most names that are equal are spelt the same.
  for (; size >= 8; pa += 8, pb += 8, size -= 8) {
    const uint64_t wa = Load64(pa);
    const uint64_t wb = Load64(pb);
    if (wa != wb && FoldCase8(wa) != FoldCase8(wb)) return false;
  }
  if (size == 0) return true;
  const uint64_t wa = LoadTail(pa, size);
  const uint64_t wb = LoadTail(pb, size);
  return wa == wb || FoldCase8(wa) == FoldCase8(wb);
}

ParamString::ParamString(std::string_view text) {
  if (text.empty()) return;
  if (text.size() > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
  void* memory = ParamPoolAllocate(sizeof(Block) + text.size() + 1);
  block_ = new (memory) Block{1, static_cast<uint32_t>(text.size()), 0};
  char* chars = reinterpret_cast<char*>(block_ + 1);
  std::memcpy(chars, text.data(), text.size());
  chars[text.size()] = 0;
}

ParamString& ParamString::operator=(const ParamString& other) {
  other.AddRef();
  Release();
  block_ = other.block_;
  return *this;
}

ParamString& ParamString::operator=(ParamString&& other) noexcept {
  if (this != &other) {
    Release();
    block_ = other.block_;
    other.block_ = nullptr;
  }
  return *this;
}

void ParamString::Release() {
  if (block_ && --block_->refs == 0) Free();
  block_ = nullptr;
}

void ParamString::Free() { ParamPoolFree(block_, sizeof(Block) + block_->size + 1); }

uint32_t ParamString::HashSlow() const {
  if (!block_) return ParamNameHash({});
  if (block_->hash == 0) block_->hash = ParamNameHash(View());  // a true hash of 0 is just recomputed
  return block_->hash;
}

bool ParamString::SameName(std::string_view other) const { return ParamNamesEqual(View(), other); }

bool ParamString::SameNameSlow(const ParamString& other) const {
  if (Hash() != other.Hash()) return false;
  return ParamNamesEqual(View(), other.View());
}
