#pragma once
// ParamEntry: the base of every entry of a configuration tree (values, arrays, classes),
// and ParamEntryVal, the handle through which converters read entries.
//
// An entry knows its name only. Reading a value needs the class that holds it: that
// class's file evaluates expressions and texts that are read as numbers, and its full
// name starts the messages. Lookups therefore return the entry together with its holder.
#include <cstdint>
#include <memory>

#include "el/paramfile/param_pool.h"
#include "el/paramfile/param_string.h"
#include "el/qstream/qo_stream.h"

class ParamArray;
class ParamClass;
class ParamFile;
class IParamArrayValue;

// The kinds of values; the numbers are the value subtypes of the binary form.
enum class ParamValueType : uint8_t { String = 0, Float = 1, Int = 2, Array = 3, Expression = 4, Int64 = 6 };

class ParamEntry {
 public:
  explicit ParamEntry(ParamString name) : name_(std::move(name)) {}
  virtual ~ParamEntry() = default;
  ParamEntry(const ParamEntry&) = delete;
  ParamEntry& operator=(const ParamEntry&) = delete;

  // Entries live in the pool of small blocks.
  static void* operator new(size_t size) { return ParamPoolAllocate(size); }
  static void operator delete(void* block, size_t size) noexcept { ParamPoolFree(block, size); }

  const ParamString& GetName() const { return name_; }
  // Renames an entry that is in no class yet (a class's names must stay unique).
  void Rename(ParamString name) { name_ = std::move(name); }

  virtual bool IsClass() const { return false; }
  // A class with a body (not a declaration or a deletion).
  virtual bool IsDefined() const { return false; }
  virtual bool IsDelete() const { return false; }
  virtual bool IsArray() const { return false; }
  // A plain value (string, number or expression).
  virtual bool IsValue() const { return false; }
  virtual bool IsExpression() const { return false; }
  // The kind of a plain value (String for everything else).
  virtual ParamValueType GetValueType() const { return ParamValueType::String; }

  // The value converted to the asked type. `holder` is the class holding the entry (or
  // null): its file evaluates texts, its full name names the entry in messages. Entries
  // that are not values report "'%s' is not a value" and give an empty value.
  virtual RString GetValue(const ParamClass* holder) const;
  virtual float GetFloat(const ParamClass* holder) const;
  virtual int GetInt(const ParamClass* holder) const;
  virtual int64_t GetInt64(const ParamClass* holder) const;
  bool GetBool(const ParamClass* holder) const { return GetInt(holder) != 0; }

  // The class or array this entry stands for, or null.
  virtual ParamClass* GetClassInterface() { return nullptr; }
  const ParamClass* GetClassInterface() const { return const_cast<ParamEntry*>(this)->GetClassInterface(); }
  virtual ParamArray* GetArrayInterface() { return nullptr; }
  const ParamArray* GetArrayInterface() const { return const_cast<ParamEntry*>(this)->GetArrayInterface(); }

  // A deep copy. A copied class has no enclosing class and no base (bases are links
  // within one tree).
  virtual std::unique_ptr<ParamEntry> Clone() const = 0;
  // Writes the entry as one statement of the text form, `indent` tabs deep.
  virtual void SaveText(QOStream& out, int indent) const = 0;

 protected:
  // "'%s' is not a value" for the entry held by `holder`.
  void ReportNotValue(const ParamClass* holder) const;

  ParamString name_;
};

class IParamArrayValue;

// An entry and the class that holds it; empty when a lookup failed. Every read of an
// empty handle gives an empty value without a further message.
class ParamEntryVal {
 public:
  ParamEntryVal() = default;
  ParamEntryVal(const ParamEntry* entry, const ParamClass* holder) : entry_(entry), holder_(holder) {}

  explicit operator bool() const { return entry_ != nullptr; }
  const ParamEntry* GetEntry() const { return entry_; }
  const ParamClass* GetHolder() const { return holder_; }
  // The full name: the holder's full name, "." and the entry name (a class: its own).
  RString GetFullName() const;

  // A member of the class this handle stands for (own entries, then bases). Reports
  // "No entry '%s'." when there is none, "'%s' is not a class ('%s' accessed)" when this
  // entry is not a class.
  ParamEntryVal operator>>(std::string_view name) const;
  // The class this handle stands for; reports like ParamClass::GetClass.
  const ParamClass* GetClass() const;

  bool IsClass() const { return entry_ && entry_->IsClass(); }
  bool IsArray() const { return entry_ && entry_->IsArray(); }

  RString GetValue() const { return entry_ ? entry_->GetValue(holder_) : RString(); }
  float GetFloat() const { return entry_ ? entry_->GetFloat(holder_) : 0.0f; }
  int GetInt() const { return entry_ ? entry_->GetInt(holder_) : 0; }
  int64_t GetInt64() const { return entry_ ? entry_->GetInt64(holder_) : 0; }
  bool GetBool() const { return entry_ && entry_->GetBool(holder_); }
  operator RString() const { return GetValue(); }
  operator float() const { return GetFloat(); }
  operator int() const { return GetInt(); }

  // Arrays: element count ("'%s' is not an array." for other entries) and elements
  // ("Config: '%s' array does not have %d entries." past the end; null then).
  int GetSize() const;
  const IParamArrayValue* GetItem(int index) const;
  float GetFloat(int index) const;
  int GetInt(int index) const;
  RString GetValue(int index) const;

 private:
  const ParamEntry* entry_ = nullptr;
  const ParamClass* holder_ = nullptr;
};
