#include "el/preproc/expansion_memo.h"

#include <cstdint>

template <typename Args>
void ExpansionMemo::MakeKey(const DefineSymb& macro, const Args& args) {
  key_.clear();
  const DefineSymb* address = &macro;
  key_.append(reinterpret_cast<const char*>(&address), sizeof(address));
  for (std::string_view arg : args) {
    uint64_t size = arg.size();
    key_.append(reinterpret_cast<const char*>(&size), sizeof(size));
    key_ += arg;
  }
}

template <typename Args>
const ExpansionMemo::Result* ExpansionMemo::FindKey(const DefineSymb& macro, const Args& args) {
  if (results_.empty()) return nullptr;
  MakeKey(macro, args);
  auto found = results_.find(std::string_view(key_));
  return found != results_.end() ? &found->second : nullptr;
}

const ExpansionMemo::Result* ExpansionMemo::Find(const DefineSymb& macro, const AutoArray<RString>& args) {
  return FindKey(macro, args);
}

const ExpansionMemo::Result* ExpansionMemo::Find(const DefineSymb& macro, const AutoArray<std::string_view>& args) {
  return FindKey(macro, args);
}

void ExpansionMemo::Add(const DefineSymb& macro, const AutoArray<RString>& args, std::string_view text,
                        long long work) {
  if (results_.size() >= kMaxResults || bytes_ + text.size() > kMaxBytes) return;
  MakeKey(macro, args);
  bytes_ += key_.size() + text.size();
  results_.try_emplace(key_, Result{std::string(text), work});
}

void ExpansionMemo::Clear() {
  results_.clear();
  bytes_ = 0;
}
