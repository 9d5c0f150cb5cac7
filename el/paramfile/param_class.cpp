// ParamClass: entries, place in the tree, base links, adding and removing.
#include "el/paramfile/param_class.h"

#include <algorithm>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"

// --- ParamEntryIndex.

void ParamEntryIndex::Build(const Entries& entries) {
  // At most three quarters full, with room to grow by a third before the next build.
  size_t capacity = 16;
  while (capacity * 3 < entries.size() * 4 + entries.size() * 4 / 3) capacity *= 2;
  slots_.assign(capacity, 0);
  count_ = 0;
  for (size_t i = 0; i < entries.size(); ++i) Insert(entries[i]->GetName().Hash(), i);
}

void ParamEntryIndex::Added(const Entries& entries, size_t position) {
  if ((count_ + 1) * 4 > slots_.size() * 3) {
    Build(entries);
    return;
  }
  Insert(entries[position]->GetName().Hash(), position);
}

void ParamEntryIndex::Insert(uint32_t hash, size_t position) {
  size_t mask = slots_.size() - 1;
  size_t slot = hash & mask;
  while (slots_[slot] != 0) slot = (slot + 1) & mask;
  slots_[slot] = static_cast<uint32_t>(position + 1);
  ++count_;
}

int ParamEntryIndex::Find(const Entries& entries, std::string_view name, uint32_t hash) const {
  if (slots_.empty()) return -1;
  size_t mask = slots_.size() - 1;
  for (size_t slot = hash & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
    size_t position = slots_[slot] - 1;
    const ParamString& entryName = entries[position]->GetName();
    if (entryName.Hash() == hash && entryName.SameName(name)) return static_cast<int>(position);
  }
  return -1;
}

// --- Life and place in the tree.

ParamClass::~ParamClass() {
  if (GetLockCount() > 0) LogMessage("Class %s destroyed with lock count %d", GetFullName().c_str(), GetLockCount());
  // Nested classes go while this one is whole (their messages name it).
  entries_.clear();
}

ParamFile* ParamClass::GetFile() {
  ParamClass* root = this;
  while (root->parent_) root = root->parent_;
  return root->AsFile();
}

const ParamFile* ParamClass::GetFile() const { return const_cast<ParamClass*>(this)->GetFile(); }

RString ParamClass::GetFullName() const {
  std::vector<const ParamClass*> chain;
  for (const ParamClass* c = this; c; c = c->parent_) chain.push_back(c);
  RString name;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    std::string_view part = (*it)->GetName().View();
    if (it == chain.rbegin() && part.empty()) continue;  // a root without a name
    if (!name.empty()) name += '/';
    name += part;
    if (name.size() > kMaxFullName) break;
  }
  if (name.size() > kMaxFullName) name.resize(kMaxFullName);
  return name;
}

RString ParamClass::GetMemberFullName(std::string_view member) const {
  RString name = GetFullName();
  name += '.';
  name += member;
  if (name.size() > kMaxFullName) name.resize(kMaxFullName);
  return name;
}

// --- Base class.

ParamClass* ParamClass::GetBase() const {
  EnsureBody();
  return base_;
}

bool ParamClass::SetBase(ParamClass* base) {
  if (base == base_) return true;
  if (base) {
    const ParamClass* myRoot = this;
    while (myRoot->parent_) myRoot = myRoot->parent_;
    const ParamClass* baseRoot = base;
    while (baseRoot->parent_) baseRoot = baseRoot->parent_;
    // Classes whose bodies are not read yet have no base yet: their own SetBase checks
    // the chain when they are read, so the walk needs no reading here.
    if (baseRoot != myRoot) {
      ErrorMessage("%s: Base class '%s' is in another configuration", GetFullName().c_str(), base->GetName().c_str());
      return false;
    }
    bool loops = false;
    for (const ParamClass* c = base; c && !loops; c = c->base_) loops = c == this;
    if (loops) {
      ErrorMessage("%s: Base class '%s' would derive from itself", GetFullName().c_str(), base->GetName().c_str());
      return false;
    }
  }
  if (base_) --base_->derivedCount_;
  base_ = base;
  if (base_) ++base_->derivedCount_;
  return true;
}

namespace {

// True when `c` is `root` or nested in it.
bool IsInside(const ParamClass* c, const ParamClass* root) {
  for (; c; c = c->GetParent())
    if (c == root) return true;
  return false;
}

}  // namespace

bool ParamClass::IsReferencedFromOutside() const {
  // Links into the subtree from anywhere, minus the links that start inside it.
  long total = 0;
  long internal = 0;
  std::vector<const ParamClass*> pending{this};
  while (!pending.empty()) {
    const ParamClass* c = pending.back();
    pending.pop_back();
    total += c->derivedCount_;
    if (c->base_ && IsInside(c->base_, this)) ++internal;
    for (const auto& entry : c->entries_)
      if (const ParamClass* nested = entry->GetClassInterface()) pending.push_back(nested);
  }
  return total > internal;
}

void ParamClass::ReleaseBaseLinks(ParamClass& root) {
  std::vector<ParamClass*> pending{&root};
  while (!pending.empty()) {
    ParamClass* c = pending.back();
    pending.pop_back();
    c->SetBase(nullptr);
    for (auto& entry : c->entries_)
      if (ParamClass* nested = entry->GetClassInterface()) pending.push_back(nested);
  }
}

// --- Entries.

int ParamClass::FindOwnPosition(std::string_view name) const {
  EnsureBody();
  if (entries_.size() > ParamEntryIndex::kMinEntries) {
    ClassExtras& extras = Extras();
    if (!extras.index) {
      extras.index = std::make_unique<ParamEntryIndex>();
      extras.index->Build(entries_);
    }
    return extras.index->Find(entries_, name, ParamNameHash(name));
  }
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i]->GetName().SameName(name)) return static_cast<int>(i);
  return -1;
}

int ParamClass::FindOwnPosition(const ParamString& name) const {
  EnsureBody();
  if (!(nameBits_ & NameBit(name.Hash()))) return -1;
  if (entries_.size() > ParamEntryIndex::kMinEntries) {
    ClassExtras& extras = Extras();
    if (!extras.index) {
      extras.index = std::make_unique<ParamEntryIndex>();
      extras.index->Build(entries_);
    }
    return extras.index->Find(entries_, name, name.Hash());
  }
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i]->GetName().SameName(name)) return static_cast<int>(i);
  return -1;
}

ParamEntry* ParamClass::FindOwn(std::string_view name) {
  int position = FindOwnPosition(name);
  return position >= 0 ? entries_[static_cast<size_t>(position)].get() : nullptr;
}

ParamEntry* ParamClass::Add(std::unique_ptr<ParamEntry> entry) {
  if (!entry) return nullptr;
  if (ParamEntry* added = TryAdd(entry)) return added;
  if (ParamClass* dropped = entry->GetClassInterface()) ReleaseBaseLinks(*dropped);
  return nullptr;
}

ParamEntry* ParamClass::TryAdd(std::unique_ptr<ParamEntry>& entry) {
  ParamClass* nested = entry->GetClassInterface();
  ParamEntry* added = TryAddMember(entry);
  if (added && nested) nested->parent_ = this;
  return added;
}

ParamEntry* ParamClass::TryAddMember(std::unique_ptr<ParamEntry>& entry) {
  // The common case first, and without a call: a body in memory and no index, a name
  // whose hash is known and whose bit is clear, room in the list, and not "access".
  constexpr uint32_t kAccessHash = ParamNameHash("access");
  ParamEntry* added = entry.get();
  const uint32_t hash = added->GetName().KnownHash();
  const uint64_t bit = NameBit(hash);
  if (extras_ || hash == 0 || hash == kAccessHash || (nameBits_ & bit) || entries_.size() == entries_.capacity())
    return AddChecked(entry);
  nameBits_ |= bit;
  entries_.push_back(std::move(entry));
  return added;
}

ParamEntry* ParamClass::AddChecked(std::unique_ptr<ParamEntry>& entry) {
  EnsureBody();
  ParamEntry* added = entry.get();
  const ParamString& name = added->GetName();
  // Most names added are new: a clear name bit needs no search.
  const uint32_t hash = name.Hash();
  const uint64_t bit = NameBit(hash);
  if ((nameBits_ & bit) && FindOwnPosition(name) >= 0) return nullptr;
  nameBits_ |= bit;
  entries_.push_back(std::move(entry));
  if (extras_ && extras_->index) extras_->index->Added(entries_, entries_.size() - 1);
  // The hash first: it rules out almost every name without a call.
  constexpr uint32_t kAccessHash = ParamNameHash("access");
  if (hash == kAccessHash && added->IsValue() && name.SameName("access")) SetAccess(added->GetInt(this));
  return added;
}

ParamClass* ParamClass::AddClass(std::string_view name, Kind kind) {
  std::unique_ptr<ParamClass> created;
  switch (kind) {
    case Kind::Declared: created = std::make_unique<ParamClassDecl>(ParamString(name)); break;
    case Kind::Deleted: created = std::make_unique<ParamClassDelete>(ParamString(name)); break;
    default: created = std::make_unique<ParamClass>(ParamString(name)); break;
  }
  return static_cast<ParamClass*>(Add(std::move(created)));
}

ParamArray* ParamClass::AddArray(std::string_view name, uint8_t flags) {
  return static_cast<ParamArray*>(Add(std::make_unique<ParamArray>(ParamString(name), flags)));
}

void ParamClass::SetParent(ParamClass* parent) { parent_ = parent; }

void ParamClass::SetAccess(int access) {
  access_ = static_cast<int16_t>(std::clamp(access, -32768, 32767));
}

void ParamClass::ReleaseLinks() { ReleaseBaseLinks(*this); }

void ParamClass::RemoveAt(size_t position) {
  std::unique_ptr<ParamEntry> removed = std::move(entries_[position]);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
  if (extras_) extras_->index.reset();
  if (ParamClass* nested = removed->GetClassInterface()) ReleaseBaseLinks(*nested);
}

bool ParamClass::CheckAccess(std::string_view member, bool adding, int level) const {
  if (level < 0) level = access_;
  if (level >= 2 || (level == 1 && !adding)) {
    ReportReadOnly(member, level);
    return false;
  }
  return true;
}

void ParamClass::ReportReadOnly(std::string_view member, int level) const {
  if (level < 0) level = access_;
  ErrorMessage(level >= 2 ? "Trying to modify read-only entry %s" : "Trying to modify add-only entry %s",
               GetMemberFullName(member).c_str());
}

bool ParamClass::Replace(std::unique_ptr<ParamEntry> entry) {
  if (!entry) return false;
  int position = FindOwnPosition(entry->GetName());
  if (!CheckAccess(entry->GetName(), position < 0)) return false;
  if (position >= 0) {
    const ParamClass* old = entries_[static_cast<size_t>(position)]->GetClassInterface();
    if (old && old->IsReferencedFromOutside()) {
      ErrorMessage("Cannot delete class %s, it is referenced somewhere (used as a base class probably).",
                   old->GetFullName().c_str());
      return false;
    }
    RemoveAt(static_cast<size_t>(position));
  }
  return Add(std::move(entry)) != nullptr;
}

bool ParamClass::SetArrayItem(std::string_view name, int index, IParamArrayValue value) {
  ParamEntry* entry = FindOwn(name);
  ParamArray* array = entry ? entry->GetArrayInterface() : nullptr;
  if (!array) {
    ErrorMessage("'%s' is not an array.", GetMemberFullName(name).c_str());
    return false;
  }
  if (access_ >= 1) {
    ErrorMessage(access_ >= 2 ? "Attempt to modify read-only item %s" : "Attempt to modify add-only item %s",
                 GetMemberFullName(name).c_str());
    return false;
  }
  if (index < 0 || index >= array->GetSize()) {
    ErrorMessage("Config: '%s' array does not have %d entries.", GetMemberFullName(name).c_str(), index + 1);
    return false;
  }
  array->Items()[static_cast<size_t>(index)] = std::move(value);
  return true;
}

bool ParamClass::Delete(std::string_view name) {
  int position = FindOwnPosition(name);
  if (position < 0) return false;
  const ParamClass* old = entries_[static_cast<size_t>(position)]->GetClassInterface();
  if (old && old->IsReferencedFromOutside()) {
    ErrorMessage("Cannot delete class %s, it is referenced somewhere (used as a base class probably).",
                 old->GetFullName().c_str());
    return false;
  }
  RemoveAt(static_cast<size_t>(position));
  return true;
}

void ParamClass::Clear() {
  if (extras_) extras_->pending.reset();
  // Last to first, so that a class goes before the classes above it that it derives from;
  // a class still used as a base from outside stays.
  for (size_t i = entries_.size(); i-- > 0;) {
    const ParamClass* nested = entries_[i]->GetClassInterface();
    if (nested && nested->IsReferencedFromOutside()) {
      ErrorMessage("Cannot delete class %s, it is referenced somewhere (used as a base class probably).",
                   nested->GetFullName().c_str());
      continue;
    }
    RemoveAt(i);
  }
  SetBase(nullptr);
  access_ = 0;
}

// --- Refresh, copies, bodies read on demand.

void ParamClass::Refresh() {
  if (!IsBodyLoaded()) return;  // nothing of an unread body is in memory yet
  entries_.shrink_to_fit();
  if (extras_) extras_->index.reset();
  if (entries_.size() > ParamEntryIndex::kMinEntries) {
    ClassExtras& extras = Extras();
    extras.index = std::make_unique<ParamEntryIndex>();
    extras.index->Build(entries_);
  }
  for (auto& entry : entries_)
    if (ParamClass* nested = entry->GetClassInterface()) nested->Refresh();
}

std::unique_ptr<ParamEntry> ParamClass::Clone() const {
  EnsureBody();
  auto copy = std::make_unique<ParamClass>(name_, kind_);
  copy->access_ = access_;
  for (const auto& entry : entries_) copy->Add(entry->Clone());
  return copy;
}

void ParamClass::SetPlaceholder(ParamClassPlaceholder placeholder) {
  Extras().pending = std::make_unique<ParamClassPlaceholder>(std::move(placeholder));
}
