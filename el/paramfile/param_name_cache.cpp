#include "el/paramfile/param_name_cache.h"

ParamString ParamNameCache::Admit(std::string_view text, uint32_t hash) {
  if (!sets_) sets_ = std::make_unique<Set[]>(kSets);
  Set& set = sets_[(hash >> 1) & (kSets - 1)];
  if (set.missed != hash) {
    set.missed = hash;
    return ParamString(text);
  }
  // The second time in a row for this set: the text repeats, it takes the way used less
  // recently (or an empty one).
  uint32_t way = set.hash[0] == 0 ? 0 : set.hash[1] == 0 ? 1 : set.recent ^ 1;
  set.hash[way] = hash;
  set.text[way] = ParamString(text);
  set.recent = way;
  set.missed = 0;
  return set.text[way];
}
