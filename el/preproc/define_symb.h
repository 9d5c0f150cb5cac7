#pragma once
// Macros: their definitions, the table they live in, and the arguments of one expansion.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "el/qstream/basic_types.h"

// A hash of short texts (macro names, memo keys) that is cheaper than std::hash: eight
// bytes at a time, each step mixed by a multiplication.
inline size_t HashShortText(std::string_view text) {
  const char* p = text.data();
  size_t n = text.size();
  uint64_t h = 0x9e3779b97f4a7c15ull ^ n;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    h = (h ^ v) * 0xbf58476d1ce4e5b9ull;
    h ^= h >> 29;
  }
  uint64_t tail = 0;
  for (size_t i = 0; i < n; ++i) tail |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  h = (h ^ tail) * 0x94d049bb133111ebull;
  h ^= h >> 32;
  return static_cast<size_t>(h);
}

// One parameter name of a macro.
struct MacroParam {
  RString name;
};

// A macro as `#define` (or a predefined macro) made it.
struct DefineSymb {
  RString name;
  AutoArray<MacroParam> params;
  bool hasParams = false;  // defined with a parameter list (which may be empty)
  RString body;            // the text after the name or the list, comments removed
};

// The macros defined so far, by case-sensitive name. A definition is shared so that an
// expansion keeps its macro even if the table changes.
class MacroTable {
 public:
  // Adds `macro`, replacing an earlier macro of the same name.
  void Define(std::shared_ptr<const DefineSymb> macro);
  void Undefine(std::string_view name);
  // The macro named `name`, or null.
  std::shared_ptr<const DefineSymb> Find(std::string_view name) const;
  bool Contains(std::string_view name) const { return MayContain(name) && Held(name); }
  // The macro named `name`, or null, without taking a share of it: for a use that ends
  // before the table can change.
  const DefineSymb* FindUse(std::string_view name) const { return MayContain(name) ? Held(name) : nullptr; }
  // Adds to `mask` (one bit per byte value) the first characters of the names of the
  // macros ever defined: a word whose first character is not in it names no macro.
  void AddFirstChars(uint64_t (&mask)[4]) const {
    for (int i = 0; i < 4; ++i) mask[i] |= firstChars_[i];
  }
  // Changes with every Define and Undefine: what was worked out from the table stays
  // right while this stays the same.
  uint64_t Generation() const { return generation_; }

 private:
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return HashShortText(name); }
  };
  // A quick answer for the many words that name no macro: false when no macro ever
  // defined has the first character and the length of `name` (removed macros are kept
  // in these masks, which only makes the answer "maybe" more often).
  bool MayContain(std::string_view name) const {
    if (name.empty()) return emptyName_;
    unsigned char first = static_cast<unsigned char>(name[0]);
    return (firstChars_[first >> 6] >> (first & 63) & 1) != 0 && (lengths_ >> std::min<size_t>(name.size(), 63) & 1) != 0;
  }

  // The table lookup behind Contains and FindUse, kept out of line so that the quick
  // check above stays small where words are scanned.
  const DefineSymb* Held(std::string_view name) const;

  std::unordered_map<RString, std::shared_ptr<const DefineSymb>, NameHash, std::equal_to<>> table_;
  uint64_t firstChars_[4] = {};
  uint64_t lengths_ = 0;  // bit n: a name of n characters (bit 63: 63 or more)
  bool emptyName_ = false;
  uint64_t generation_ = 0;
};

// The actual arguments of one expansion of a macro with parameters; while its body is
// processed, names are looked up here before the macro table.
class MacTableList {
 public:
  // `values` holds one argument per parameter of `macro`, in order.
  MacTableList(const DefineSymb& macro, AutoArray<RString> values) : macro_(macro), values_(std::move(values)) {}

  // The argument bound to the parameter `name`, or null when `name` is no parameter.
  const RString* Find(std::string_view name) const;
  const AutoArray<RString>& Values() const { return values_; }

 private:
  const DefineSymb& macro_;
  AutoArray<RString> values_;
};
