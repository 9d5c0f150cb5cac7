#pragma once
// The strings of the configuration tree: entry names and string values.
//
// A configuration holds millions of entries whose names repeat ("scope", "model") and whose
// values are mostly short, so a string here is one pointer to a shared, immutable,
// reference-counted block (count, length, lazily computed hash, characters and a 0 byte).
// Copies share the block; a parse or a load shares the blocks of texts that repeat through
// a ParamNameCache (param_name_cache.h). The counts are not atomic: a tree and its strings
// are used by one thread at a time.
//
// Names compare without regard to ASCII letter case; ParamNameHash folds the case the
// same way, so that equal names have equal hashes.
#include <cstdint>
#include <string>
#include <string_view>

#include "el/qstream/basic_types.h"

// Case-insensitive comparison of names (ASCII letters only are folded).
bool ParamNamesEqual(std::string_view a, std::string_view b);
// A hash of `name` that ignores ASCII letter case (FNV-1a of the folded characters);
// constexpr, so that the hashes of fixed names are constants.
constexpr uint32_t ParamNameHash(std::string_view name) {
  uint32_t hash = 2166136261u;
  for (char c : name) {
    const auto folded = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    hash ^= folded;
    hash *= 16777619u;
  }
  return hash;
}

class ParamString {
 public:
  ParamString() = default;
  explicit ParamString(std::string_view text);
  ParamString(const ParamString& other) : block_(other.block_) { AddRef(); }
  ParamString(ParamString&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  ParamString& operator=(const ParamString& other);
  ParamString& operator=(ParamString&& other) noexcept;
  // The count is dropped inline (most strings are shared); the last one frees out of line.
  ~ParamString() {
    if (block_ && --block_->refs == 0) Free();
  }

  std::string_view View() const { return block_ ? std::string_view(Chars(), block_->size) : std::string_view(); }
  operator std::string_view() const { return View(); }
  const char* c_str() const { return block_ ? Chars() : ""; }
  size_t size() const { return block_ ? block_->size : 0; }
  bool empty() const { return size() == 0; }
  RString Str() const { return RString(View()); }

  // ParamNameHash of the text, computed once per block (inline once computed: adding an
  // entry asks for it twice).
  uint32_t Hash() const { return block_ && block_->hash != 0 ? block_->hash : HashSlow(); }
  // The hash when it is computed already, otherwise 0 (without a call).
  uint32_t KnownHash() const { return block_ ? block_->hash : 0; }
  // True when both name the same entry (case-insensitive).
  bool SameName(std::string_view other) const;
  bool SameName(const ParamString& other) const {
    // Most names that differ differ in length or in hash, which are kept in the blocks.
    if (block_ == other.block_) return true;
    if (size() != other.size()) return false;
    return SameNameSlow(other);
  }

  bool operator==(const ParamString& other) const { return View() == other.View(); }

 private:
  struct Block {
    uint32_t refs;
    uint32_t size;
    uint32_t hash;  // ParamNameHash of the text; 0 until computed
  };
  const char* Chars() const { return reinterpret_cast<const char*>(block_ + 1); }
  void AddRef() const {
    if (block_) ++block_->refs;
  }
  void Release();
  void Free();
  uint32_t HashSlow() const;
  bool SameNameSlow(const ParamString& other) const;

  Block* block_ = nullptr;
};
