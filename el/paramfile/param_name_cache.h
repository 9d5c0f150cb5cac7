#pragma once
// ParamNameCache: shared string blocks for the texts that repeat while a file is parsed or
// loaded (entry names, string values).
//
// A configuration repeats a few dozen names and values millions of times, among as many
// texts that occur once (class names, display names, paths). The cache is a small table of
// two-way sets. A text is taken in only when it comes a second time while its set still
// remembers it, so texts that occur once never push out the ones that repeat; everything
// else just gets a new block. Only sharing depends on the cache: the strings handed out
// are equal to the text either way.
#include <cstdint>
#include <memory>
#include <string_view>

#include "el/paramfile/param_string.h"

class ParamNameCache {
 public:
  ParamString Get(std::string_view text);

 private:
  // A text the table does not hold (`hash`: its SpellingHash): a new block, which the
  // table may keep.
  [[gnu::noinline]] ParamString Admit(std::string_view text, uint32_t hash);

  static constexpr size_t kSets = 1024;
  // Longer texts rarely repeat; they are not worth a place.
  static constexpr size_t kMaxCachedSize = 40;

  struct Set {
    uint32_t hash[2] = {0, 0};  // 0: the way is empty
    uint32_t missed = 0;        // the last text of this set that was not taken in
    uint32_t recent = 0;        // the way that was used last
    ParamString text[2];
  };
  std::unique_ptr<Set[]> sets_;
};
