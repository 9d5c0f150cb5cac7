// The binary form: one transfer routine that saves (version 8) and loads (versions 2, 3,
// 4, 7 and 8) a configuration through SerializeBinStream.
#include "el/paramfile/param_binary.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <climits>
#include <cstring>
#include <limits>
#include <utility>
#include <variant>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_numbers.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/qo_file_stream.h"
#include "platform/host_file.h"

namespace {

constexpr int kMagic = 0x50617200;  // the bytes 00 72 61 50
constexpr int kSavedVersion = 8;

enum EntryType : uint8_t {
  kEntryClass = 0,
  kEntryValue = 1,
  kEntryArray = 2,
  kEntryDeclaration = 3,
  kEntryDeletion = 4,
  kEntryArrayOperation = 5,
};

bool IsLoadableVersion(int version) {
  return version == 2 || version == 3 || version == 4 || version == 7 || version == 8;
}

// An entry that is saved: its type byte, its value subtype, and the class or array it
// stands for. Numbers and expressions, most entries, are told by one virtual call.
struct SavedEntry {
  uint8_t type = kEntryValue;
  ParamValueType valueType = ParamValueType::String;
  ParamClass* cls = nullptr;
  ParamArray* array = nullptr;
};

SavedEntry SavedEntryOf(ParamEntry& entry) {
  SavedEntry saved;
  saved.valueType = entry.GetValueType();  // String for classes and arrays as well
  if (saved.valueType != ParamValueType::String) return saved;
  if ((saved.cls = entry.GetClassInterface())) {
    switch (saved.cls->GetKind()) {
      case ParamClass::Kind::Declared: saved.type = kEntryDeclaration; break;
      case ParamClass::Kind::Deleted: saved.type = kEntryDeletion; break;
      default: saved.type = kEntryClass; break;
    }
  } else if ((saved.array = entry.GetArrayInterface())) {
    saved.type = saved.array->GetFlags() ? kEntryArrayOperation : kEntryArray;
  }
  return saved;
}

// The subtype of each kind of array element, by its position in the element's variant.
template <size_t... Index>
constexpr std::array<uint8_t, sizeof...(Index)> ItemSubtypes(std::index_sequence<Index...>) {
  return {static_cast<uint8_t>(std::variant_alternative_t<Index, IParamArrayValue::Storage>::kType)...};
}
constexpr auto kItemSubtypes =
    ItemSubtypes(std::make_index_sequence<std::variant_size_v<IParamArrayValue::Storage>>());

// IParamArrayValue::GetValueType, here where the elements are saved: a table look-up in
// place of a call and a visit for each of millions of them.
uint8_t ItemSubtypeOf(const IParamArrayValue& item) {
  size_t index = item.GetStorage().index();
  if (index < kItemSubtypes.size()) return kItemSubtypes[index];
  return static_cast<uint8_t>(item.GetValueType());
}

// A class whose body follows the entries of its parent, and where.
struct NestedBody {
  ParamClass* cls;  // null for a class dropped as a duplicate while loading
  QFileSize offset;
};

// The direction is a parameter of the class, so that each direction is compiled without
// the branches of the other one; the routines are the same for both.
template <bool kSaving>
class ParamBinaryTransfer {
 public:
  ParamBinaryTransfer(SerializeBinStream& f, ParamFileContext& context) : f_(f), context_(context) {
    assert(f.IsSaving() == kSaving);
  }

  void TransferFile(ParamFile& file);
  bool TransferBody(ParamClass& cls, QFileSize limit, int depth);

 private:
  // A save writes the current version (TransferFile sets it in the context as well).
  int Version() const { return kSaving ? kSavedVersion : context_.version; }

  bool StructureError() {
    if (f_.Ok()) ErrorMessage("FileStructure error");
    f_.SetError(SerializeBinStream::EFileStructure);
    return false;
  }

  // --- Saving: the bytes go straight into the stream's buffer, through a window of room
  // there (or, when the stream cannot give one, a spare buffer written to it as a whole).
  // Room(n) makes sure that n more bytes fit; the Put functions then write without a
  // check. Entries and elements ask for the room they need at most, so that a save checks
  // once for each of them and not for each field. CloseWindow hands the bytes to the
  // stream, before anything else writes to it.
  void Room(size_t size) {
    if (static_cast<size_t>(windowEnd_ - at_) < size) MoveWindow(size);
  }
  void MoveWindow(size_t size);
  void CloseWindow();
  void PutByte(uint8_t value) { *at_++ = static_cast<char>(value); }
  template <class T>
  void PutNumber(T value) {
    std::memcpy(at_, &value, sizeof(T));
    at_ += sizeof(T);
  }
  // Up to five bytes.
  void PutCint(uint32_t value) {
    for (; value >= 0x80; value >>= 7) *at_++ = static_cast<char>(value | 0x80);
    *at_++ = static_cast<char>(value);
  }
  // text.size() + 1 bytes at most: the characters up to the first 0 byte and a 0 byte. A
  // string ends at its first 0 byte in the file, so that is where a saved one ends.
  void PutString(std::string_view text) { at_ += QOStream::CopyAsciiz(at_, text); }
  // The stream position of the next byte put.
  QFileSize WindowPosition() const { return windowStart_ + (at_ - windowBegin_); }
  // An offset record, -1 until PatchSlot writes the position of the bytes put next (4 bytes
  // of room).
  QFileSize PutSlot();
  void PatchSlot(QFileSize slot);

  // --- Numbers and strings. Saving, the caller has made room for them.
  bool TransferByte(uint8_t& value) {
    if (kSaving) {
      PutByte(value);
      return true;
    }
    f_.Transfer(value);
    return f_.Ok();
  }
  // A number as it is in memory.
  template <class T>
  void TransferNumber(T& value) {
    if (kSaving)
      PutNumber(value);
    else
      f_.Transfer(value);
  }
  bool TransferCint(uint32_t& value);
  // An entry or element count (cint from version 4, int32 before); a load checks that
  // the rest of the stream can hold `count` items of at least `minBytes` bytes.
  bool TransferCount(int& count, QFileSize minBytes) {
    // A saved count is a cint (inline: there is one for every class and array).
    if (kSaving && count >= 0) {
      PutCint(static_cast<uint32_t>(count));
      return true;
    }
    return TransferCountOrCheck(count, minBytes);
  }
  bool TransferCountOrCheck(int& count, QFileSize minBytes);
  // A name or string value; before version 8 an index into the string table.
  bool TransferTableString(ParamString& text, bool isName);
  // Saving, the string is written here: there are millions of them.
  bool TransferName(ParamString& name) { return kSaving ? SaveTableString(name) : TransferTableString(name, true); }
  bool TransferText(ParamString& text) { return kSaving ? SaveTableString(text) : TransferTableString(text, false); }
  bool SaveTableString(const ParamString& text) {
    PutString(text.View());
    return true;
  }
  // The text of a value that is saved, transferred as it is (a save only reads it).
  template <class Raw>
  static ParamString& SavedText(const Raw& raw) {
    return const_cast<ParamString&>(raw.value);
  }
  // A base class name: asciiz, from the string table in version 7.
  bool TransferBaseName(ParamString& name);
  bool ReadStringTable(QFileSize offset);

  // --- Entries.
  bool TransferEntry(ParamClass& cls, ParamEntry* entry, int depth);
  // Saving, `saved` tells what `entry` is.
  bool TransferValue(ParamClass& cls, ParamEntry* entry, const SavedEntry& saved);
  bool TransferArray(ParamClass& cls, ParamEntry* entry, const SavedEntry& saved, bool withFlags, int depth);
  bool TransferItems(ParamArrayItems& items, int depth);
  bool TransferItem(IParamArrayValue& item, int depth);
  bool TransferNested(size_t first, QFileSize limit, int depth);
  void ResolveBase(ParamClass& cls, const ParamString& baseName);
  void AddLoaded(ParamClass& cls, std::unique_ptr<ParamEntry> entry);

  bool TransferEnumTable(ParamFile& file);

  // The name of `entry` when saving (transferred as it is, not copied), `loaded` when
  // loading. A save only reads it.
  ParamString& NameOf(ParamEntry* entry, ParamString& loaded) {
    return kSaving ? const_cast<ParamString&>(entry->GetName()) : loaded;
  }

  SerializeBinStream& f_;
  ParamFileContext& context_;
  // The nested classes of the bodies being transferred, innermost last: one list for all
  // of them, so that a class does not allocate its own.
  std::vector<NestedBody> nested_;

  // The save window: bytes put from windowBegin_ to at_, room up to windowEnd_; the
  // window starts at the stream position windowStart_. Slots from patchableFrom_ on are
  // in the window, and patched there (none when the window is spare_ or closed).
  char* windowBegin_ = nullptr;
  char* at_ = nullptr;
  char* windowEnd_ = nullptr;
  QFileSize windowStart_ = 0;
  QFileSize patchableFrom_ = kNoSlot;
  bool inSpare_ = false;  // the window is spare_, not the stream's buffer
  std::vector<char> spare_;
  static constexpr QFileSize kNoSlot = std::numeric_limits<QFileSize>::max();
};

// The most an entry writes besides its name and a string value: type, flags, the name's
// 0 byte, and a subtype and a 64-bit number or an element count.
constexpr size_t kEntryRoom = 1 + 4 + 1 + 1 + 8;
// The most an array element writes besides a string value: subtype and a 64-bit number
// or an element count.
constexpr size_t kItemRoom = 1 + 8;
constexpr size_t kCintRoom = 5;

// --- The save window.

template <bool kSaving>
void ParamBinaryTransfer<kSaving>::MoveWindow(size_t size) {
  CloseWindow();
  QOStream& out = *f_.GetSaveStream();
  windowStart_ = out.TellP();
  if (char* room = out.ReserveWrite(size)) {
    windowBegin_ = room;
    windowEnd_ = room + out.GetReservedRoom();
    patchableFrom_ = windowStart_;
    inSpare_ = false;
  } else {
    // A stream that failed, or is not at its end: it takes the bytes as one write.
    spare_.resize(std::max(size, spare_.size()));
    windowBegin_ = spare_.data();
    windowEnd_ = spare_.data() + spare_.size();
    patchableFrom_ = kNoSlot;
    inSpare_ = true;
  }
  at_ = windowBegin_;
}

template <bool kSaving>
void ParamBinaryTransfer<kSaving>::CloseWindow() {
  if (!windowBegin_) return;
  size_t size = static_cast<size_t>(at_ - windowBegin_);
  if (inSpare_)
    f_.GetSaveStream()->write(windowBegin_, size);
  else
    f_.GetSaveStream()->CommitWrite(size);
  windowBegin_ = at_ = windowEnd_ = nullptr;
  patchableFrom_ = kNoSlot;
}

template <bool kSaving>
QFileSize ParamBinaryTransfer<kSaving>::PutSlot() {
  QFileSize slot = WindowPosition();
  PutNumber<int32_t>(-1);
  return slot;
}

template <bool kSaving>
void ParamBinaryTransfer<kSaving>::PatchSlot(QFileSize slot) {
  // Mostly the slot is in the window still; elsewhere the stream patches it.
  QFileSize position = WindowPosition();
  if (slot >= patchableFrom_ && position <= INT_MAX) {
    int32_t value = static_cast<int32_t>(position);
    std::memcpy(windowBegin_ + (slot - windowStart_), &value, 4);
    return;
  }
  CloseWindow();
  f_.PatchOffset(slot);
}

// --- Numbers and strings.

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferCint(uint32_t& value) {
  if (kSaving) {
    PutCint(value);
    return true;
  }
  value = 0;
  for (int i = 0; i < 5; ++i) {
    uint8_t byte = 0;
    f_.Transfer(byte);
    if (!f_.Ok()) return false;
    value |= static_cast<uint32_t>(byte & 0x7F) << (7 * i);
    if (!(byte & 0x80)) return true;
  }
  return StructureError();  // more than five bytes
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferCountOrCheck(int& count, QFileSize minBytes) {
  if (Version() >= 4) {
    uint32_t value = static_cast<uint32_t>(count);
    if (!TransferCint(value)) return false;
    if (value > INT_MAX) return StructureError();
    count = static_cast<int>(value);
  } else {
    f_.Transfer(count);
    if (!f_.Ok()) return false;
  }
  if (!kSaving && (count < 0 || count > f_.GetRest() / minBytes)) return StructureError();
  return true;
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferTableString(ParamString& text, bool isName) {
  if (kSaving) return SaveTableString(text);
  if (Version() >= 8) {
    std::string_view chars;
    if (!f_.LoadStringView(chars, context_.scratch)) return false;
    text = isName ? context_.names.Get(chars) : context_.texts.Get(chars);
    return true;
  }
  uint32_t index = 0;
  if (Version() == 2) {
    int32_t wide = 0;
    f_.Transfer(wide);
    index = static_cast<uint32_t>(wide);
  } else if (!TransferCint(index)) {
    return false;
  }
  if (!f_.Ok()) return false;
  std::vector<ParamString>& table = context_.strings;
  if (index < table.size()) {
    text = table[index];
    return true;
  }
  // Before version 7 the table grows while reading: the next index brings its string.
  if (Version() >= 7 || index != table.size()) return StructureError();
  RString chars;
  if (!f_.TransferString(chars)) return false;
  table.push_back(context_.names.Get(chars));
  text = table.back();
  return true;
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferBaseName(ParamString& name) {
  if (kSaving || Version() == 7) return TransferName(name);
  RString chars;
  if (!f_.TransferString(chars)) return false;
  name = context_.names.Get(chars);
  return true;
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::ReadStringTable(QFileSize offset) {
  QFileSize back = f_.TellG();
  if (offset < 0 || offset > f_.GetLoadStream()->GetDataSize()) return StructureError();
  f_.SeekG(offset);
  int count = 0;
  f_.Transfer(count);
  if (!f_.Ok()) return false;
  if (count < 0 || count > f_.GetRest()) return StructureError();
  context_.strings.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    RString chars;
    if (!f_.TransferString(chars)) return false;
    context_.strings.push_back(context_.names.Get(chars));
  }
  f_.SeekG(back);
  return true;
}

// --- Class bodies.

template <bool kSaving>
void ParamBinaryTransfer<kSaving>::ResolveBase(ParamClass& cls, const ParamString& baseName) {
  ParamClass* scope = cls.GetParent();
  ParamFindResult found;
  if (scope) found = scope->Find(baseName, true, true, &cls);
  ParamClass* base = found ? found.entry->GetClassInterface() : nullptr;
  if (!base || base->IsDelete()) {
    ErrorMessage("%s: Undefined base class '%s'", cls.GetFullName().c_str(), baseName.c_str());
    return;
  }
  cls.SetBase(base);
}

template <bool kSaving>
void ParamBinaryTransfer<kSaving>::AddLoaded(ParamClass& cls, std::unique_ptr<ParamEntry> entry) {
  // A shared reference to the name, for the message (Add drops a refused entry).
  ParamString name = entry->GetName();
  if (!cls.Add(std::move(entry))) ErrorMessage("%s: Member already defined.", cls.GetMemberFullName(name).c_str());
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferBody(ParamClass& cls, QFileSize limit, int depth) {
  if (depth > ParamClass::kMaxNesting) {
    ErrorMessage("Config %s: classes nested too deeply", context_.sourceName.c_str());
    f_.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  if (Version() < 7) {
    // The class's own name (the root's is not used).
    ParamString ownName = kSaving ? cls.GetName() : ParamString();
    if (!TransferName(ownName)) return false;
    if (!kSaving && depth > 0) cls.Rename(std::move(ownName));
  }
  // Saving, the base's own name is transferred (a save only reads it).
  ParamClass* base = kSaving ? cls.GetBase() : nullptr;
  ParamString loadedBaseName;
  ParamString& baseName = base ? const_cast<ParamString&>(base->GetName()) : loadedBaseName;
  if (kSaving) Room(baseName.size() + 1 + kCintRoom);
  if (!TransferBaseName(baseName)) return false;
  if (!kSaving && !baseName.empty()) ResolveBase(cls, baseName);

  int count = kSaving ? cls.GetEntryCount() : 0;
  if (!TransferCount(count, 2)) return false;
  // The list takes the entries the file announces (as many as it can hold, at most 4096
  // at once, so that a corrupt count claims little memory).
  if (!kSaving) cls.ReserveEntries(std::min(static_cast<size_t>(count), size_t{4096}));
  size_t first = nested_.size();
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) ok = TransferEntry(cls, kSaving ? &cls.GetEntry(i) : nullptr, depth);
  if (ok && Version() >= 5) ok = TransferNested(first, limit, depth);
  nested_.resize(first);
  return ok && f_.Ok();
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferNested(size_t first, QFileSize limit, int depth) {
  // Bodies are transferred in turn and push their own nested classes after these: the
  // list may move, so elements are taken by position.
  size_t count = nested_.size() - first;
  QFileSize endSlot = -1;
  uint32_t endOffset = 0;
  if (kSaving) {
    Room(4);
    endSlot = PutSlot();
  } else {
    f_.Transfer(endOffset);
    if (!f_.Ok()) return false;
    // Nested bodies lie between the end of this body's entries and the end offset, in
    // entry order, each one at least one byte long.
    QFileSize from = f_.TellG();
    if (endOffset < from || endOffset > limit) return StructureError();
    for (size_t i = first; i < first + count; ++i) {
      if (nested_[i].offset < from || nested_[i].offset >= endOffset) return StructureError();
      from = nested_[i].offset + 1;
    }
  }
  for (size_t i = 0; i < count; ++i) {
    NestedBody body = nested_[first + i];
    if (kSaving) {
      PatchSlot(body.offset);
      if (!f_.Ok() || !TransferBody(*body.cls, 0, depth + 1)) return false;
      continue;
    }
    QFileSize end = i + 1 < count ? nested_[first + i + 1].offset : endOffset;
    if (!body.cls) continue;
    if (context_.source) {
      body.cls->SetPlaceholder({context_.source, body.offset, end - body.offset});
      continue;
    }
    f_.SeekG(body.offset);
    if (!TransferBody(*body.cls, end, depth + 1)) return false;
  }
  if (kSaving)
    PatchSlot(endSlot);
  else
    f_.SeekG(endOffset);
  return f_.Ok();
}

// --- Entries.

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferEntry(ParamClass& cls, ParamEntry* entry, int depth) {
  uint8_t type = 0;
  SavedEntry saved;
  if (kSaving) {
    // No error is set here: a save stops at the first one (every transfer that sets one
    // returns false up to the loop over the entries).
    saved = SavedEntryOf(*entry);
    type = saved.type;
    Room(kEntryRoom + entry->GetName().size());
  }
  if (!TransferByte(type)) return false;
  switch (type) {
    case kEntryClass: {
      if (Version() < 7) {
        // Load only: the body follows in place and begins with the class name.
        auto created = std::make_unique<ParamClass>(ParamString());
        created->SetParent(&cls);
        if (!TransferBody(*created, f_.GetLoadStream()->GetDataSize(), depth + 1)) {
          created->ReleaseLinks();
          return false;
        }
        AddLoaded(cls, std::move(created));
        return true;
      }
      ParamString loadedName;
      ParamString& name = NameOf(entry, loadedName);
      if (!TransferName(name)) return false;
      NestedBody body{nullptr, 0};
      if (kSaving) {
        body.cls = saved.cls;
        body.offset = PutSlot();
      } else {
        uint32_t offset = 0;
        f_.Transfer(offset);
        if (!f_.Ok()) return false;
        body.offset = offset;
        auto created = std::make_unique<ParamClass>(name);
        body.cls = created.get();
        if (!cls.Add(std::move(created))) {
          body.cls = nullptr;
          ErrorMessage("%s: Member already defined.", cls.GetMemberFullName(name).c_str());
        }
      }
      nested_.push_back(body);
      return f_.Ok();
    }
    case kEntryValue: return TransferValue(cls, entry, saved);
    case kEntryArray: return TransferArray(cls, entry, saved, false, depth);
    case kEntryArrayOperation: return TransferArray(cls, entry, saved, true, depth);
    case kEntryDeclaration:
    case kEntryDeletion: {
      ParamString loadedName;
      ParamString& name = NameOf(entry, loadedName);
      if (!TransferName(name)) return false;
      if (!kSaving) {
        if (type == kEntryDeclaration)
          AddLoaded(cls, std::make_unique<ParamClassDecl>(std::move(name)));
        else
          AddLoaded(cls, std::make_unique<ParamClassDelete>(std::move(name)));
      }
      return true;
    }
    default:
      ErrorMessage("Unknown entry type %x in %s", type, cls.GetFullName().c_str());
      return true;
  }
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferValue(ParamClass& cls, ParamEntry* entry, const SavedEntry& saved) {
  uint8_t subtype = kSaving ? static_cast<uint8_t>(saved.valueType) : 0;
  ParamString loadedName;
  ParamString& name = NameOf(entry, loadedName);
  if (!TransferByte(subtype) || !TransferName(name)) return false;
  std::unique_ptr<ParamEntry> loaded;
  switch (static_cast<ParamValueType>(subtype)) {
    case ParamValueType::Float: {
      float value = kSaving ? static_cast<ParamValueFloat*>(entry)->GetRaw().value : 0.0f;
      TransferNumber(value);
      if (!kSaving) loaded = MakeParamValue(std::move(name), value);
      break;
    }
    case ParamValueType::Int: {
      int32_t value = kSaving ? static_cast<ParamValueInt*>(entry)->GetRaw().value : 0;
      TransferNumber(value);
      if (!kSaving) loaded = MakeParamValue(std::move(name), value);
      break;
    }
    case ParamValueType::Int64: {
      int64_t value = kSaving ? static_cast<ParamValueInt64*>(entry)->GetRaw().value : 0;
      TransferNumber(value);
      if (!kSaving) loaded = MakeParamValue(std::move(name), value);
      break;
    }
    case ParamValueType::Expression: {
      ParamString loadedText;
      ParamString& text = kSaving ? SavedText(static_cast<ParamValueExpression*>(entry)->GetRaw()) : loadedText;
      if (kSaving) Room(text.size() + 1);
      if (!TransferText(text)) return false;
      if (!kSaving) loaded = std::make_unique<ParamValueExpression>(std::move(name), ParamRawValueExpression{text});
      break;
    }
    default: {
      if (subtype != static_cast<uint8_t>(ParamValueType::String)) ErrorMessage("Unknown value type %d", subtype);
      ParamString loadedText;
      ParamString& text = kSaving ? SavedText(static_cast<ParamValueString*>(entry)->GetRaw()) : loadedText;
      if (kSaving) Room(text.size() + 1);
      if (!TransferText(text)) return false;
      if (!kSaving) loaded = std::make_unique<ParamValueString>(std::move(name), ParamRawValue{text});
      break;
    }
  }
  if (!kSaving && !f_.Ok()) return false;  // a saved value sets no error
  if (loaded) AddLoaded(cls, std::move(loaded));
  return true;
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferArray(ParamClass& cls, ParamEntry* entry, const SavedEntry& saved,
                                                 bool withFlags, int depth) {
  ParamArray* array = saved.array;
  int flags = kSaving ? array->GetFlags() : 0;
  if (withFlags) TransferNumber(flags);
  ParamString loadedName;
  ParamString& name = NameOf(entry, loadedName);
  if (!f_.Ok() || !TransferName(name)) return false;
  if (kSaving) return TransferItems(array->Items(), depth);

  auto loaded = std::make_unique<ParamArray>(name, static_cast<uint8_t>(flags & 0xFF));
  if (!TransferItems(loaded->Items(), depth)) return false;
  if (flags & (kParamArrayAppend | kParamArrayRemove)) {
    // Applied at once to the array inherited under that name, when there is one.
    ParamFindResult inherited = cls.Find(name, false, true);
    const ParamArray* from = inherited ? inherited.entry->GetArrayInterface() : nullptr;
    if (from) context_.inheritedCopied += from->Items().size();
    if (from && context_.inheritedCopied > ParamArray::kMaxInheritedElements) {
      ErrorMessage("%s: Too many inherited array elements, the operation is left to the merge",
                   cls.GetMemberFullName(name).c_str());
    } else if (from) {
      auto applied = std::make_unique<ParamArray>(name);
      if (flags & kParamArrayAppend) {
        applied->AppendFrom(from->Items());
        applied->AppendFrom(loaded->Items());
      } else {
        applied->Items() = from->Items();
        applied->RemoveFrom(loaded->Items());
      }
      loaded = std::move(applied);
    }
  }
  AddLoaded(cls, std::move(loaded));
  return true;
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferItems(ParamArrayItems& items, int depth) {
  if (depth > ParamClass::kMaxNesting) {
    ErrorMessage("Config %s: arrays nested too deeply", context_.sourceName.c_str());
    f_.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  int count = kSaving ? static_cast<int>(items.size()) : 0;
  if (kSaving) Room(kCintRoom);
  if (!TransferCount(count, 2)) return false;
  if (kSaving) {
    for (IParamArrayValue& item : items)
      if (!TransferItem(item, depth)) return false;
    return true;
  }
  // The list grows with the elements actually read, so that nested counts cannot make
  // it claim more memory than the file holds elements.
  items.reserve(items.size() + std::min<size_t>(static_cast<size_t>(count), 4096));
  for (int i = 0; i < count; ++i) {
    items.emplace_back();
    if (!TransferItem(items.back(), depth)) return false;
  }
  return true;
}

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferItem(IParamArrayValue& item, int depth) {
  uint8_t subtype = 0;
  if (kSaving) {
    subtype = ItemSubtypeOf(item);
    Room(kItemRoom);
  }
  if (!TransferByte(subtype)) return false;
  const IParamArrayValue::Storage& stored = item.GetStorage();
  switch (static_cast<ParamValueType>(subtype)) {
    case ParamValueType::Float: {
      float value = kSaving ? std::get<ParamRawValueFloat>(stored).value : 0.0f;
      TransferNumber(value);
      if (!kSaving) item = IParamArrayValue::Float(value);
      break;
    }
    case ParamValueType::Int: {
      int32_t value = kSaving ? std::get<ParamRawValueInt>(stored).value : 0;
      TransferNumber(value);
      if (!kSaving) item = IParamArrayValue::Int(value);
      break;
    }
    case ParamValueType::Int64: {
      int64_t value = kSaving ? std::get<ParamRawValueInt64>(stored).value : 0;
      TransferNumber(value);
      if (!kSaving) item = IParamArrayValue::Int64(value);
      break;
    }
    case ParamValueType::Array: {
      if (!kSaving) item = IParamArrayValue(ParamArrayValueArray());
      return TransferItems(*item.GetItems(), depth + 1);
    }
    case ParamValueType::Expression: {
      ParamString loadedText;
      ParamString& text = kSaving ? SavedText(std::get<ParamRawValueExpression>(stored)) : loadedText;
      if (kSaving) Room(text.size() + 1);
      if (!TransferText(text)) return false;
      if (!kSaving) item = IParamArrayValue(ParamRawValueExpression{text});
      break;
    }
    default: {
      if (subtype != static_cast<uint8_t>(ParamValueType::String)) ErrorMessage("Unknown array value type %d", subtype);
      ParamString loadedText;
      ParamString& text = kSaving ? SavedText(std::get<ParamRawValue>(stored)) : loadedText;
      if (kSaving) Room(text.size() + 1);
      if (!TransferText(text)) return false;
      if (!kSaving) item = IParamArrayValue(ParamRawValue{text});
      break;
    }
  }
  return kSaving || f_.Ok();  // a saved element sets no error (a nested array returns above)
}

// --- The file.

template <bool kSaving>
bool ParamBinaryTransfer<kSaving>::TransferEnumTable(ParamFile& file) {
  const ParamEvaluator* evaluator = file.GetEvaluator();
  int count = kSaving && evaluator ? static_cast<int>(evaluator->Constants().size()) : 0;
  f_.Transfer(count);
  if (!f_.Ok()) return false;
  if (!kSaving && (count < 0 || count > f_.GetRest() / 5)) return StructureError();
  ParamEvaluator* target = kSaving ? nullptr : &file.MakeEvaluator();
  for (int i = 0; i < count; ++i) {
    ParamString name = kSaving ? ParamString(evaluator->Constants()[static_cast<size_t>(i)].first) : ParamString();
    int value = kSaving ? RoundToInt(evaluator->Constants()[static_cast<size_t>(i)].second) : 0;
    if (kSaving) {
      f_.GetSaveStream()->WriteAsciiz(name);
    } else {
      RString chars;
      f_.TransferString(chars);
      name = ParamString(chars);
    }
    f_.Transfer(value);
    if (!f_.Ok()) return false;
    if (target) target->SetConstant(name.View(), static_cast<float>(value));
  }
  return true;
}

template <bool kSaving>
void ParamBinaryTransfer<kSaving>::TransferFile(ParamFile& file) {
  if (!f_.TransferVersion(kMagic, kMagic)) {
    f_.SetError(SerializeBinStream::EBadFileType);
    return;
  }
  // A short header holds the version itself; the long one (saved) a 0 and then it.
  int word = 0;
  f_.Transfer(word);
  int version = kSavedVersion;
  if (kSaving || word == 0)
    f_.Transfer(version);
  else
    version = word;
  if (!f_.Ok()) return;
  if (!IsLoadableVersion(version)) {
    ErrorMessage("Bad version %d in ParamFile %s", version, context_.sourceName.c_str());
    f_.SetError(SerializeBinStream::EBadVersion);
    return;
  }
  context_.version = version;
  if (version < kSavedVersion)
    LogMessage("Config %s uses old binary format %d - rekilnify", context_.sourceName.c_str(), version);

  QFileSize enumSlot = -1;
  if (version >= 8) {
    uint32_t offset = 0;
    if (kSaving)
      enumSlot = f_.ReserveOffset();
    else
      f_.Transfer(offset);
    context_.enumOffset = offset;
  } else if (version == 7) {
    uint32_t stringOffset = 0;
    uint32_t enumOffset = 0;
    f_.Transfer(stringOffset);
    f_.Transfer(enumOffset);
    if (!f_.Ok() || !ReadStringTable(stringOffset)) return;
    context_.enumOffset = enumOffset;
  }
  if (!f_.Ok()) return;

  if (!kSaving && context_.onDemand) {
    if (version >= 5) {
      auto source = std::make_shared<ParamBinarySource>();
      source->stream = context_.sharedStream;
      source->version = version;
      source->strings = context_.strings;
      source->name = context_.sourceName;
      context_.source = std::move(source);
    } else {
      LogMessage("Config %s may not be streamed, old version %d", context_.sourceName.c_str(), version);
    }
  }

  QFileSize limit = kSaving ? 0 : f_.GetLoadStream()->GetDataSize();
  bool bodyOk = TransferBody(file, limit, 0);
  if (kSaving) CloseWindow();
  if (!bodyOk) return;

  if (version >= 6) {
    if (kSaving) {
      f_.PatchOffset(enumSlot);
    } else {
      if (context_.enumOffset > f_.GetLoadStream()->GetDataSize()) {
        StructureError();
        return;
      }
      f_.SeekG(context_.enumOffset);
    }
    if (f_.Ok()) TransferEnumTable(file);
  }
}

}  // namespace

void TransferParamFile(SerializeBinStream& f, ParamFileContext& context, ParamFile& file) {
  f.SetContext(&context);
  if (f.IsSaving())
    ParamBinaryTransfer<true>(f, context).TransferFile(file);
  else
    ParamBinaryTransfer<false>(f, context).TransferFile(file);
  f.SetContext(nullptr);
}

void LoadPendingClassBody(ParamClass& cls, const ParamClassPlaceholder& placeholder) {
  ParamBinarySource& source = *placeholder.source;
  if (source.reading >= ParamBinarySource::kMaxNestedReads) {
    ErrorMessage("Config %s: class %s cannot be read now (%d reads nested)", source.name.c_str(),
                 cls.GetFullName().c_str(), source.reading);
    return;
  }
  int depth = 0;
  for (const ParamClass* c = cls.GetParent(); c; c = c->GetParent()) ++depth;

  QIStream& in = *source.stream;
  QFileSize back = in.TellG();
  ++source.reading;
  SerializeBinStream f(&in);
  ParamFileContext context;
  context.version = source.version;
  context.strings = source.strings;
  context.sourceName = source.name;
  context.source = placeholder.source;
  context.inheritedCopied = source.inheritedCopied;
  f.SetContext(&context);
  f.SeekG(placeholder.offset);
  ParamBinaryTransfer<false>(f, context).TransferBody(cls, placeholder.offset + placeholder.size, depth);
  source.inheritedCopied = context.inheritedCopied;
  if (!f.Ok())
    ErrorMessage("Config %s: error %d reading class %s", source.name.c_str(), f.GetError(), cls.GetFullName().c_str());
  --source.reading;
  in.SeekG(back);
}

// --- ParamClass and ParamFile entry points.

void ParamClass::LoadBody() const {
  if (!extras_ || !extras_->pending || extras_->loading) return;
  extras_->loading = true;
  ParamClassPlaceholder placeholder = *extras_->pending;
  LoadPendingClassBody(const_cast<ParamClass&>(*this), placeholder);
  extras_->pending.reset();
  extras_->loading = false;
}

int ParamFile::LoadBin(std::shared_ptr<QIStream> in, ParamOwner* owner) {
  if (owner) SetOwner(owner);
  SerializeBinStream f(in.get());
  ParamFileContext context;
  context.sourceName = GetFileName().empty() ? RString("No source") : GetFileName();
  context.onDemand = owner && owner->CanLoadOnDemand();
  context.sharedStream = in;
  TransferParamFile(f, context, *this);
  return f.GetError();
}

int ParamFile::LoadBin(QIStream& in) {
  return LoadBin(std::shared_ptr<QIStream>(&in, [](QIStream*) {}), nullptr);
}

int ParamFile::LoadBin(const RString& fileName, ParamOwner* owner) {
  SetFileName(fileName);
  if (!EngineFileExists(fileName)) return SerializeBinStream::ENoFile;
  auto in = std::make_shared<QIFStreamB>();
  if (!in->Open(HostPathOf(fileName))) return SerializeBinStream::EGeneric;
  if (owner && owner->CanLoadOnDemand()) return LoadBin(std::move(in), owner);
  // Read all at once: the file goes through buffers of a megabyte, and each becomes memory
  // of the tree once the load has moved past it.
  in->SetBufferSize(QIFStream::kBufferSize);
  ParamPoolBlockReceiver receiver;
  ScopedLargeBlockReceiver reuse(receiver);
  return LoadBin(std::move(in), owner);
}

bool ParamFile::SaveBin(QOStream& out) const {
  SerializeBinStream f(&out);
  ParamFileContext context;
  context.sourceName = GetFileName().empty() ? RString("No source") : GetFileName();
  TransferParamFile(f, context, const_cast<ParamFile&>(*this));
  return f.Ok() && !out.fail();
}

bool ParamFile::SaveBin(const RString& fileName) const {
  QOFStream out;
  if (!out.OpenAtomic(fileName)) return false;
  if (!SaveBin(out)) {
    out.Discard();
    return false;
  }
  return out.Close();
}
