#pragma once
// ExpansionMemo: the results of macro expansions already done, so that a macro used again
// with the same arguments costs a lookup instead of a second pass over its body.
//
// A result holds the expanded text and the work the expansion counted. It stays right
// while the macro table is unchanged; the preprocessor clears the memo when the table
// changes and records only expansions whose result depends on nothing else.
#include <string>
#include <string_view>
#include <unordered_map>

#include "el/preproc/define_symb.h"

class ExpansionMemo {
 public:
  struct Result {
    std::string text;
    long long work = 0;
  };

  // The result of `macro` with `args`, or null.
  const Result* Find(const DefineSymb& macro, const AutoArray<RString>& args);
  // The same for arguments still in the text they were read from.
  const Result* Find(const DefineSymb& macro, const AutoArray<std::string_view>& args);
  void Add(const DefineSymb& macro, const AutoArray<RString>& args, std::string_view text, long long work);
  void Clear();

  // The memo stops taking results beyond these.
  static constexpr size_t kMaxResults = 4096;
  static constexpr size_t kMaxBytes = 1 << 20;

 private:
  // Fills key_ with the macro's address and the arguments, each after its length.
  template <typename Args>
  void MakeKey(const DefineSymb& macro, const Args& args);
  template <typename Args>
  const Result* FindKey(const DefineSymb& macro, const Args& args);

  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return HashShortText(key); }
  };
  std::unordered_map<std::string, Result, KeyHash, std::equal_to<>> results_;
  std::string key_;
  size_t bytes_ = 0;
};
