#include "el/paramfile/param_string.h"

#include "el/paramfile/param_pool.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

inline unsigned char FoldCase(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

}  // namespace

bool ParamNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

uint32_t ParamNameHash(std::string_view name) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (char c : name) {
    hash ^= FoldCase(static_cast<unsigned char>(c));
    hash *= 16777619u;
  }
  return hash;
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
