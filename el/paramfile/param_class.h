#pragma once
// ParamClass: a class of the configuration tree, an ordered list of named entries with
// one base class and one enclosing class.
//
// Entries are owned and kept in source order, which is also the order of saving; no two
// share a name (names compare without regard to ASCII letter case). Base and enclosing
// links do not own; a class counts the classes that use it as their base, so that a class
// still used as a base is never removed. A base chain never loops: SetBase refuses a base
// whose chain leads back to the class.
//
// Access levels: 0 no restriction, 1 add-only (new entries may be added, existing ones not
// changed), 2 and more read-only. A value named "access" sets the level of its class.
//
// A class of a binary file may be left unread until it is first used (ParamClassPlaceholder);
// every operation that looks at the entries or the base reads the body first.
#include <memory>
#include <vector>

#include "el/paramfile/param_values.h"

class ParamBinarySource;

// Where the body of a class not read yet lies in a binary file.
struct ParamClassPlaceholder {
  std::shared_ptr<ParamBinarySource> source;
  QFileSize offset = 0;
  QFileSize size = 0;
};

// The name index of a class with many entries: open addressing over entry positions.
class ParamEntryIndex {
 public:
  using Entries = ParamCompactVector<std::unique_ptr<ParamEntry>>;

  // Classes with at most this many entries are searched linearly.
  static constexpr size_t kMinEntries = 16;

  void Build(const Entries& entries);
  // Records entries[position] (just appended).
  void Added(const Entries& entries, size_t position);
  // The position of the entry named `name` (hash: ParamNameHash of it), or -1.
  int Find(const Entries& entries, std::string_view name, uint32_t hash) const;

 private:
  void Insert(uint32_t hash, size_t position);

  std::vector<uint32_t> slots_;  // position + 1; 0 = empty
  size_t count_ = 0;
};

// A lookup result: the entry and the class that holds it.
struct ParamFindResult {
  ParamEntry* entry = nullptr;
  ParamClass* holder = nullptr;
  explicit operator bool() const { return entry != nullptr; }
  operator ParamEntryVal() const { return {entry, holder}; }
};

// Decides which entries a lookup may see; without one every entry is visible.
class ParamVisibility {
 public:
  virtual ~ParamVisibility() = default;
  virtual bool IsVisible(const ParamEntry& entry) const = 0;
};

class ParamClass : public ParamEntry {
 public:
  enum class Kind : uint8_t { Defined, Declared, Deleted };

  // Deepest nesting of classes (and of arrays) that parsing and loading accept.
  static constexpr int kMaxNesting = 256;

  explicit ParamClass(ParamString name, Kind kind = Kind::Defined) : ParamEntry(std::move(name)), kind_(kind) {}
  ~ParamClass() override;

  bool IsClass() const override { return true; }
  bool IsDefined() const override { return kind_ == Kind::Defined; }
  bool IsDelete() const override { return kind_ == Kind::Deleted; }
  Kind GetKind() const { return kind_; }
  ParamClass* GetClassInterface() override { return this; }

  // --- Place in the tree.
  ParamClass* GetParent() const { return parent_; }
  // Sets the enclosing class of a class that is being built before it is added (Add sets
  // it otherwise), so that lookups from inside its body see the enclosing scopes.
  void SetParent(ParamClass* parent);
  virtual ParamFile* AsFile() { return nullptr; }
  ParamFile* GetFile();
  const ParamFile* GetFile() const;
  // The names from the root down, separated by "/" (at most kMaxFullName characters).
  RString GetFullName() const;
  // The full name, "." and `member`.
  RString GetMemberFullName(std::string_view member) const;
  static constexpr size_t kMaxFullName = 511;

  // --- Base class.
  ParamClass* GetBase() const;
  // Sets the base (null: none). Refuses, with "%s: Base class '%s' would derive from
  // itself", a base whose chain leads back to this class, and, with "%s: Base class '%s'
  // is in another configuration", a base in another tree.
  bool SetBase(ParamClass* base);
  // True when some class uses this class or a class nested in it as its base.
  bool IsReferencedFromOutside() const;
  // Drops the base links of this class and the classes in it; for a class that is
  // destroyed on its own without ever being added to a tree.
  void ReleaseLinks();

  int GetAccess() const { return access_; }
  // Levels are small numbers; others are clamped to the range of 16 bits.
  void SetAccess(int access);

  // --- Entries.
  // Inline: saving and merging walk every entry of every class.
  int GetEntryCount() const {
    EnsureBody();
    return static_cast<int>(entries_.size());
  }
  ParamEntry& GetEntry(int index) {
    EnsureBody();
    return *entries_[static_cast<size_t>(index)];
  }
  const ParamEntry& GetEntry(int index) const { return const_cast<ParamClass*>(this)->GetEntry(index); }
  ParamEntryVal GetEntryVal(int index) const { return {&GetEntry(index), this}; }
  // The own entry named `name`, or null.
  ParamEntry* FindOwn(std::string_view name);
  const ParamEntry* FindOwn(std::string_view name) const { return const_cast<ParamClass*>(this)->FindOwn(name); }

  // Lookup: own entries, then (searchBases) the base chain, then (searchEnclosing) the
  // enclosing class with the same switches. `skip` is passed over as if it were absent.
  // An entry that `visibility` hides logs "Entry %s in %s is not visible" and the search
  // goes on.
  ParamFindResult Find(std::string_view name, bool searchEnclosing, bool searchBases,
                       const ParamEntry* skip = nullptr, const ParamVisibility* visibility = nullptr) const;

  // Converters' access: a member found in the own entries or the bases ("No entry '%s'."
  // when there is none).
  ParamEntryVal operator>>(std::string_view name) const;
  // A nested class by name: null with "class '%s' is not defined ('%s' accessed)" for a
  // declaration, "'%s' is not a class ('%s' accessed)" for another entry, "No entry '%s'."
  // when missing.
  const ParamClass* GetClass(std::string_view name) const;

  // --- Building (parsing and loading; no access checks).
  // Appends `entry` unless an entry of that name exists (then null and `entry` is
  // dropped). A value named "access" sets the access level; a class gets this class as
  // its enclosing class.
  ParamEntry* Add(std::unique_ptr<ParamEntry> entry);
  // The same for an entry that is not null, except that when the name is taken `entry`
  // stays with the caller (to be named in a message), unchanged.
  ParamEntry* TryAdd(std::unique_ptr<ParamEntry>& entry);
  // TryAdd for an entry that is not a class (a value or an array), which needs no link.
  ParamEntry* TryAddMember(std::unique_ptr<ParamEntry>& entry);
  // A new empty class, declaration, deletion marker or array (null when the name is taken).
  ParamClass* AddClass(std::string_view name, Kind kind = Kind::Defined);
  ParamArray* AddArray(std::string_view name, uint8_t flags = 0);
  template <class T>
  ParamEntry* AddValue(std::string_view name, T value) {
    return Add(MakeParamValue(ParamString(name), value));
  }

  // Room for `count` entries in all (a hint: entries are added as usual), and the room
  // cut down to the entries there are.
  void ReserveEntries(size_t count) { entries_.reserve(count); }
  void FitEntries() { entries_.shrink_to_fit(); }

  // --- Changing entries, with the access checks: "Trying to modify add-only entry %s" /
  // "Trying to modify read-only entry %s" refuse the change and return false.
  template <class T>
  bool SetValue(std::string_view name, T value) {
    return Replace(MakeParamValue(ParamString(name), value));
  }
  // Adds `entry` or replaces the entry of that name (a class used as a base is kept).
  bool Replace(std::unique_ptr<ParamEntry> entry);
  // Changes element `index` of the array `name`: "Attempt to modify read-only item %s" /
  // "Attempt to modify add-only item %s" refuse it.
  bool SetArrayItem(std::string_view name, int index, IParamArrayValue value);
  // Removes the own entry `name`. A class that some class outside it uses as a base is
  // kept: "Cannot delete class %s, it is referenced somewhere (used as a base class
  // probably)." Returns true when an entry was removed.
  bool Delete(std::string_view name);
  // Removes every entry (except classes still used as a base from outside) and the base.
  void Clear();

  // --- Merging. Update merges `source` into this class (see param_update.cpp); protect
  // applies the access levels, quiet suppresses the base-change log lines.
  void Update(const ParamClass& source, bool protect = true, bool quiet = false);
  // The pass after a merge: rebuilds name indexes and frees unused room, recursively.
  void Refresh();

  // --- Locking: a class destroyed while locked logs "Class %s destroyed with lock count %d".
  void Lock() { ++Extras().lockCount; }
  void Unlock() {
    if (extras_ && extras_->lockCount > 0) --extras_->lockCount;
  }
  int GetLockCount() const { return extras_ ? extras_->lockCount : 0; }

  // --- Bodies read on demand.
  bool IsBodyLoaded() const { return !extras_ || !extras_->pending; }
  void SetPlaceholder(ParamClassPlaceholder placeholder);
  // Reads the body now when it was left in the file.
  void LoadBody() const;

  // A deep copy of the entries; the copy has no base (bases are links within one tree).
  std::unique_ptr<ParamEntry> Clone() const override;
  void SaveText(QOStream& out, int indent) const override;
  // Writes the entries only, `indent` tabs deep (the body of the text form).
  void SaveEntriesText(QOStream& out, int indent) const;

 protected:
  // Refuses a change when the access level (`level`, or the class's own) forbids it;
  // `adding` is true for a new entry.
  bool CheckAccess(std::string_view member, bool adding, int level = -1) const;
  void ReportReadOnly(std::string_view member, int level = -1) const;

 private:
  friend class ParamFile;
  friend class ParamClassUpdater;

  void EnsureBody() const {
    if (extras_ && extras_->pending) LoadBody();
  }
  static uint64_t NameBit(uint32_t nameHash) { return uint64_t{1} << (nameHash & 63); }
  // TryAddMember in full: reads the body, searches the entries when the name bit is set,
  // keeps the index and the access level.
  ParamEntry* AddChecked(std::unique_ptr<ParamEntry>& entry);
  int FindOwnPosition(std::string_view name) const;
  // The same for a name that is a ParamString (its hash is kept with the text).
  int FindOwnPosition(const ParamString& name) const;
  // Removes the entry at `position`: drops the base links of the classes in it.
  void RemoveAt(size_t position);
  static void ReleaseBaseLinks(ParamClass& root);

  // What only some classes need: large ones a name index, unread ones their place in
  // the file, locked ones the lock count.
  struct ClassExtras {
    std::unique_ptr<ParamEntryIndex> index;
    std::unique_ptr<ParamClassPlaceholder> pending;
    int lockCount = 0;
    bool loading = false;
  };
  ClassExtras& Extras() const {
    if (!extras_) extras_ = std::make_unique<ClassExtras>();
    return *extras_;
  }

  ParamEntryIndex::Entries entries_;
  ParamClass* base_ = nullptr;
  ParamClass* parent_ = nullptr;
  mutable std::unique_ptr<ClassExtras> extras_;
  // One bit per entry name, bit (hash of the name % 64): a name whose bit is clear is not
  // among the entries, so that most names added while parsing need no search. Bits of
  // removed entries stay set (they only cost a search).
  uint64_t nameBits_ = 0;
  int32_t derivedCount_ = 0;  // classes whose base is this class
  int16_t access_ = 0;
  Kind kind_ = Kind::Defined;
};

// A class named without a body ("class N;").
class ParamClassDecl final : public ParamClass {
 public:
  explicit ParamClassDecl(ParamString name) : ParamClass(std::move(name), Kind::Declared) {}
};

// A marker that deletes a class of that name when the file is merged ("delete N;").
class ParamClassDelete final : public ParamClass {
 public:
  explicit ParamClassDelete(ParamString name) : ParamClass(std::move(name), Kind::Deleted) {}
};
