// The binary form: one transfer routine that saves (version 8) and loads (versions 2, 3,
// 4, 7 and 8) a configuration through SerializeBinStream.
#include "el/paramfile/param_binary.h"

#include <algorithm>
#include <climits>

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

uint8_t EntryTypeOf(const ParamEntry& entry) {
  if (const ParamClass* cls = entry.GetClassInterface()) {
    switch (cls->GetKind()) {
      case ParamClass::Kind::Declared: return kEntryDeclaration;
      case ParamClass::Kind::Deleted: return kEntryDeletion;
      default: return kEntryClass;
    }
  }
  if (const ParamArray* array = entry.GetArrayInterface()) return array->GetFlags() ? kEntryArrayOperation : kEntryArray;
  return kEntryValue;
}

// IParamArrayValue::GetValueType, here where the elements are saved: one call fewer for
// each of millions of them.
ParamValueType ItemTypeOf(const IParamArrayValue& item) {
  return std::visit([](const auto& value) { return std::decay_t<decltype(value)>::kType; }, item.GetStorage());
}

// A class whose body follows the entries of its parent, and where.
struct NestedBody {
  ParamClass* cls;  // null for a class dropped as a duplicate while loading
  QFileSize offset;
};

class ParamBinaryTransfer {
 public:
  ParamBinaryTransfer(SerializeBinStream& f, ParamFileContext& context)
      : f_(f), context_(context), saving_(f.IsSaving()) {}

  void TransferFile(ParamFile& file);
  bool TransferBody(ParamClass& cls, QFileSize limit, int depth);

 private:
  int Version() const { return context_.version; }

  bool StructureError() {
    if (f_.Ok()) ErrorMessage("FileStructure error");
    f_.SetError(SerializeBinStream::EFileStructure);
    return false;
  }

  // --- Numbers and strings.
  // One byte (written straight to the stream when saving: there are millions).
  bool TransferByte(uint8_t& value) {
    if (!saving_) {
      f_.Transfer(value);
      return f_.Ok();
    }
    if (!f_.Ok()) return false;
    f_.GetSaveStream()->put(static_cast<char>(value));
    return true;
  }
  // A number as it is in memory (written straight to the stream when saving).
  template <class T>
  void TransferNumber(T& value) {
    if (!saving_) {
      f_.Transfer(value);
    } else if (f_.Ok()) {
      f_.GetSaveStream()->write(&value, sizeof(T));
    }
  }
  bool TransferCint(uint32_t& value) {
    // Most counts are below 128, saved as one byte.
    if (saving_ && value < 0x80) {
      uint8_t byte = static_cast<uint8_t>(value);
      return TransferByte(byte);
    }
    return TransferCintBytes(value);
  }
  bool TransferCintBytes(uint32_t& value);
  // An entry or element count (cint from version 4, int32 before); a load checks that
  // the rest of the stream can hold `count` items of at least `minBytes` bytes.
  bool TransferCount(int& count, QFileSize minBytes);
  // A name or string value; before version 8 an index into the string table.
  bool TransferTableString(ParamString& text, bool isName);
  // Saving, the string is written here: there are millions of them.
  bool TransferName(ParamString& name) { return saving_ ? SaveTableString(name) : TransferTableString(name, true); }
  bool TransferText(ParamString& text) { return saving_ ? SaveTableString(text) : TransferTableString(text, false); }
  bool SaveTableString(const ParamString& text) {
    if (!f_.Ok()) return false;
    SaveString(text.View());
    return true;
  }
  // The text of a value that is saved, transferred as it is (a save only reads it).
  template <class Raw>
  static ParamString& SavedText(const Raw& raw) {
    return const_cast<ParamString&>(raw.value);
  }
  // A base class name: asciiz, from the string table in version 7.
  bool TransferBaseName(ParamString& name);
  // The characters and a 0 byte, as TransferString saves them. A string ends at its
  // first 0 byte in the file, so that is where a saved one ends.
  void SaveString(std::string_view text) { f_.GetSaveStream()->WriteAsciiz(text); }
  bool ReadStringTable(QFileSize offset);

  // --- Entries.
  bool TransferEntry(ParamClass& cls, ParamEntry* entry, int depth);
  bool TransferValue(ParamClass& cls, ParamEntry* entry);
  bool TransferArray(ParamClass& cls, ParamEntry* entry, bool withFlags, int depth);
  bool TransferItems(ParamArrayItems& items, int depth);
  bool TransferItem(IParamArrayValue& item, int depth);
  bool TransferNested(size_t first, QFileSize limit, int depth);
  void ResolveBase(ParamClass& cls, const ParamString& baseName);
  void AddLoaded(ParamClass& cls, std::unique_ptr<ParamEntry> entry);

  bool TransferEnumTable(ParamFile& file);

  // The name of `entry` when saving (transferred as it is, not copied), `loaded` when
  // loading. A save only reads it.
  ParamString& NameOf(ParamEntry* entry, ParamString& loaded) {
    return saving_ ? const_cast<ParamString&>(entry->GetName()) : loaded;
  }

  SerializeBinStream& f_;
  ParamFileContext& context_;
  bool saving_;
  // The nested classes of the bodies being transferred, innermost last: one list for all
  // of them, so that a class does not allocate its own.
  std::vector<NestedBody> nested_;
};

// --- Numbers and strings.

bool ParamBinaryTransfer::TransferCintBytes(uint32_t& value) {
  if (saving_) {
    if (!f_.Ok()) return false;
    char bytes[5];
    size_t size = 0;
    uint32_t rest = value;
    do {
      uint8_t byte = rest & 0x7F;
      rest >>= 7;
      if (rest) byte |= 0x80;
      bytes[size++] = static_cast<char>(byte);
    } while (rest);
    f_.GetSaveStream()->write(bytes, size);
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

bool ParamBinaryTransfer::TransferCount(int& count, QFileSize minBytes) {
  if (Version() >= 4) {
    uint32_t value = static_cast<uint32_t>(count);
    if (!TransferCint(value)) return false;
    if (value > INT_MAX) return StructureError();
    count = static_cast<int>(value);
  } else {
    f_.Transfer(count);
    if (!f_.Ok()) return false;
  }
  if (!saving_ && (count < 0 || count > f_.GetRest() / minBytes)) return StructureError();
  return true;
}

bool ParamBinaryTransfer::TransferTableString(ParamString& text, bool isName) {
  if (saving_) return SaveTableString(text);
  if (Version() >= 8) {
    RString chars;
    if (!f_.TransferString(chars)) return false;
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

bool ParamBinaryTransfer::TransferBaseName(ParamString& name) {
  if (saving_ || Version() == 7) return TransferName(name);
  RString chars;
  if (!f_.TransferString(chars)) return false;
  name = context_.names.Get(chars);
  return true;
}

bool ParamBinaryTransfer::ReadStringTable(QFileSize offset) {
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

void ParamBinaryTransfer::ResolveBase(ParamClass& cls, const ParamString& baseName) {
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

void ParamBinaryTransfer::AddLoaded(ParamClass& cls, std::unique_ptr<ParamEntry> entry) {
  std::string name = entry->GetName().Str();
  if (!cls.Add(std::move(entry))) ErrorMessage("%s: Member already defined.", cls.GetMemberFullName(name).c_str());
}

bool ParamBinaryTransfer::TransferBody(ParamClass& cls, QFileSize limit, int depth) {
  if (depth > ParamClass::kMaxNesting) {
    ErrorMessage("Config %s: classes nested too deeply", context_.sourceName.c_str());
    f_.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  if (Version() < 7) {
    // The class's own name (the root's is not used).
    ParamString ownName = saving_ ? cls.GetName() : ParamString();
    if (!TransferName(ownName)) return false;
    if (!saving_ && depth > 0) cls.Rename(std::move(ownName));
  }
  ParamString baseName;
  if (saving_ && cls.GetBase()) baseName = cls.GetBase()->GetName();
  if (!TransferBaseName(baseName)) return false;
  if (!saving_ && !baseName.empty()) ResolveBase(cls, baseName);

  int count = saving_ ? cls.GetEntryCount() : 0;
  if (!TransferCount(count, 2)) return false;
  size_t first = nested_.size();
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) ok = TransferEntry(cls, saving_ ? &cls.GetEntry(i) : nullptr, depth);
  if (ok && Version() >= 5) ok = TransferNested(first, limit, depth);
  nested_.resize(first);
  return ok && f_.Ok();
}

bool ParamBinaryTransfer::TransferNested(size_t first, QFileSize limit, int depth) {
  // Bodies are transferred in turn and push their own nested classes after these: the
  // list may move, so elements are taken by position.
  size_t count = nested_.size() - first;
  QFileSize endSlot = -1;
  uint32_t endOffset = 0;
  if (saving_) {
    endSlot = f_.ReserveOffset();
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
    if (saving_) {
      f_.PatchOffset(body.offset);
      if (!TransferBody(*body.cls, 0, depth + 1)) return false;
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
  if (saving_)
    f_.PatchOffset(endSlot);
  else
    f_.SeekG(endOffset);
  return f_.Ok();
}

// --- Entries.

bool ParamBinaryTransfer::TransferEntry(ParamClass& cls, ParamEntry* entry, int depth) {
  uint8_t type = saving_ ? EntryTypeOf(*entry) : 0;
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
      if (saving_) {
        body.cls = entry->GetClassInterface();
        body.offset = f_.ReserveOffset();
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
    case kEntryValue: return TransferValue(cls, entry);
    case kEntryArray: return TransferArray(cls, entry, false, depth);
    case kEntryArrayOperation: return TransferArray(cls, entry, true, depth);
    case kEntryDeclaration:
    case kEntryDeletion: {
      ParamString loadedName;
      ParamString& name = NameOf(entry, loadedName);
      if (!TransferName(name)) return false;
      if (!saving_) {
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

bool ParamBinaryTransfer::TransferValue(ParamClass& cls, ParamEntry* entry) {
  uint8_t subtype = saving_ ? static_cast<uint8_t>(entry->GetValueType()) : 0;
  ParamString loadedName;
  ParamString& name = NameOf(entry, loadedName);
  if (!TransferByte(subtype) || !TransferName(name)) return false;
  std::unique_ptr<ParamEntry> loaded;
  switch (static_cast<ParamValueType>(subtype)) {
    case ParamValueType::Float: {
      float value = saving_ ? static_cast<ParamValueFloat*>(entry)->GetRaw().value : 0.0f;
      TransferNumber(value);
      if (!saving_) loaded = MakeParamValue(std::move(name), value);
      break;
    }
    case ParamValueType::Int: {
      int32_t value = saving_ ? static_cast<ParamValueInt*>(entry)->GetRaw().value : 0;
      TransferNumber(value);
      if (!saving_) loaded = MakeParamValue(std::move(name), value);
      break;
    }
    case ParamValueType::Int64: {
      int64_t value = saving_ ? static_cast<ParamValueInt64*>(entry)->GetRaw().value : 0;
      TransferNumber(value);
      if (!saving_) loaded = MakeParamValue(std::move(name), value);
      break;
    }
    case ParamValueType::Expression: {
      ParamString loadedText;
      ParamString& text = saving_ ? SavedText(static_cast<ParamValueExpression*>(entry)->GetRaw()) : loadedText;
      if (!TransferText(text)) return false;
      if (!saving_) loaded = std::make_unique<ParamValueExpression>(std::move(name), ParamRawValueExpression{text});
      break;
    }
    default: {
      if (subtype != static_cast<uint8_t>(ParamValueType::String)) ErrorMessage("Unknown value type %d", subtype);
      ParamString loadedText;
      ParamString& text = saving_ ? SavedText(static_cast<ParamValueString*>(entry)->GetRaw()) : loadedText;
      if (!TransferText(text)) return false;
      if (!saving_) loaded = std::make_unique<ParamValueString>(std::move(name), ParamRawValue{text});
      break;
    }
  }
  if (!f_.Ok()) return false;
  if (loaded) AddLoaded(cls, std::move(loaded));
  return true;
}

bool ParamBinaryTransfer::TransferArray(ParamClass& cls, ParamEntry* entry, bool withFlags, int depth) {
  ParamArray* array = saving_ ? entry->GetArrayInterface() : nullptr;
  int flags = saving_ ? array->GetFlags() : 0;
  if (withFlags) f_.Transfer(flags);
  ParamString loadedName;
  ParamString& name = NameOf(entry, loadedName);
  if (!f_.Ok() || !TransferName(name)) return false;
  if (saving_) return TransferItems(array->Items(), depth);

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

bool ParamBinaryTransfer::TransferItems(ParamArrayItems& items, int depth) {
  if (depth > ParamClass::kMaxNesting) {
    ErrorMessage("Config %s: arrays nested too deeply", context_.sourceName.c_str());
    f_.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  int count = saving_ ? static_cast<int>(items.size()) : 0;
  if (!TransferCount(count, 2)) return false;
  if (saving_) {
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

bool ParamBinaryTransfer::TransferItem(IParamArrayValue& item, int depth) {
  uint8_t subtype = saving_ ? static_cast<uint8_t>(ItemTypeOf(item)) : 0;
  if (!TransferByte(subtype)) return false;
  const IParamArrayValue::Storage& stored = item.GetStorage();
  switch (static_cast<ParamValueType>(subtype)) {
    case ParamValueType::Float: {
      float value = saving_ ? std::get<ParamRawValueFloat>(stored).value : 0.0f;
      TransferNumber(value);
      if (!saving_) item = IParamArrayValue::Float(value);
      break;
    }
    case ParamValueType::Int: {
      int32_t value = saving_ ? std::get<ParamRawValueInt>(stored).value : 0;
      TransferNumber(value);
      if (!saving_) item = IParamArrayValue::Int(value);
      break;
    }
    case ParamValueType::Int64: {
      int64_t value = saving_ ? std::get<ParamRawValueInt64>(stored).value : 0;
      TransferNumber(value);
      if (!saving_) item = IParamArrayValue::Int64(value);
      break;
    }
    case ParamValueType::Array: {
      if (!saving_) item = IParamArrayValue(ParamArrayValueArray());
      return TransferItems(*item.GetItems(), depth + 1);
    }
    case ParamValueType::Expression: {
      ParamString loadedText;
      ParamString& text = saving_ ? SavedText(std::get<ParamRawValueExpression>(stored)) : loadedText;
      if (!TransferText(text)) return false;
      if (!saving_) item = IParamArrayValue(ParamRawValueExpression{text});
      break;
    }
    default: {
      if (subtype != static_cast<uint8_t>(ParamValueType::String)) ErrorMessage("Unknown array value type %d", subtype);
      ParamString loadedText;
      ParamString& text = saving_ ? SavedText(std::get<ParamRawValue>(stored)) : loadedText;
      if (!TransferText(text)) return false;
      if (!saving_) item = IParamArrayValue(ParamRawValue{text});
      break;
    }
  }
  return f_.Ok();
}

// --- The file.

bool ParamBinaryTransfer::TransferEnumTable(ParamFile& file) {
  const ParamEvaluator* evaluator = file.GetEvaluator();
  int count = saving_ && evaluator ? static_cast<int>(evaluator->Constants().size()) : 0;
  f_.Transfer(count);
  if (!f_.Ok()) return false;
  if (!saving_ && (count < 0 || count > f_.GetRest() / 5)) return StructureError();
  ParamEvaluator* target = saving_ ? nullptr : &file.MakeEvaluator();
  for (int i = 0; i < count; ++i) {
    ParamString name = saving_ ? ParamString(evaluator->Constants()[static_cast<size_t>(i)].first) : ParamString();
    int value = saving_ ? RoundToInt(evaluator->Constants()[static_cast<size_t>(i)].second) : 0;
    if (saving_) {
      SaveString(name);
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

void ParamBinaryTransfer::TransferFile(ParamFile& file) {
  if (!f_.TransferVersion(kMagic, kMagic)) {
    f_.SetError(SerializeBinStream::EBadFileType);
    return;
  }
  // A short header holds the version itself; the long one (saved) a 0 and then it.
  int word = 0;
  f_.Transfer(word);
  int version = kSavedVersion;
  if (saving_ || word == 0)
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
    if (saving_)
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

  if (!saving_ && context_.onDemand) {
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

  QFileSize limit = saving_ ? 0 : f_.GetLoadStream()->GetDataSize();
  if (!TransferBody(file, limit, 0)) return;

  if (version >= 6) {
    if (saving_) {
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
  ParamBinaryTransfer(f, context).TransferFile(file);
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
  ParamBinaryTransfer(f, context).TransferBody(cls, placeholder.offset + placeholder.size, depth);
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
