#include "el/preproc/define_symb.h"

void MacroTable::Define(std::shared_ptr<const DefineSymb> macro) {
  ++generation_;
  RString name = macro->name;
  if (name.empty()) {
    emptyName_ = true;
  } else {
    unsigned char first = static_cast<unsigned char>(name[0]);
    firstChars_[first >> 6] |= uint64_t{1} << (first & 63);
    lengths_ |= uint64_t{1} << std::min<size_t>(name.size(), 63);
  }
  table_.insert_or_assign(std::move(name), std::move(macro));
}

void MacroTable::Undefine(std::string_view name) {
  ++generation_;
  auto found = table_.find(name);
  if (found != table_.end()) table_.erase(found);
}

const DefineSymb* MacroTable::Held(std::string_view name) const {
  auto found = table_.find(name);
  return found != table_.end() ? found->second.get() : nullptr;
}

std::shared_ptr<const DefineSymb> MacroTable::Find(std::string_view name) const {
  if (!MayContain(name)) return nullptr;
  auto found = table_.find(name);
  return found != table_.end() ? found->second : nullptr;
}

const RString* MacTableList::Find(std::string_view name) const {
  for (size_t i = 0; i < macro_.params.size() && i < values_.size(); ++i)
    if (macro_.params[i].name == name) return &values_[i];
  return nullptr;
}
