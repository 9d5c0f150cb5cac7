// Reading values: the conversions between value kinds and the messages of value access.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "el/paramfile/param_numbers.h"

namespace {

// Evaluates `text` with the evaluator of `file`; "Cannot evaluate '%s' - no file" without one.
double EvaluateIn(const ParamFile* file, std::string_view text) {
  if (!file) {
    RString shown(text);
    LogMessage("Cannot evaluate '%s' - no file", shown.c_str());
    return 0;
  }
  static const ParamEvaluator kEmpty;
  const ParamEvaluator* evaluator = file->GetEvaluator();
  return (evaluator ? *evaluator : kEmpty).Evaluate(text);
}

int64_t SaturateToInt64(double value) {
  if (std::isnan(value)) return 0;
  double rounded = std::nearbyint(value);
  if (rounded >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (rounded <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(rounded);
}

}  // namespace

const ParamFile* ParamFileOf(const ParamClass* holder) { return holder ? holder->GetFile() : nullptr; }

// --- Raw values.

int ParamRawValue::GetInt(const ParamFile* file) const {
  int32_t number = 0;
  if (ParseParamInt32(value, number)) return number;
  float real = 0;
  if (ParseParamFloat(value, real)) {
    LogMessage("Warning: rounding float value %g", real);
    return RoundToInt(real);
  }
  return RoundToInt(EvaluateIn(file, value));
}

float ParamRawValue::GetFloat(const ParamFile* file) const {
  float real = 0;
  if (ParseParamFloat(value, real)) return real;
  int32_t number = 0;
  if (ParseParamInt32(value, number)) return static_cast<float>(number);
  return static_cast<float>(EvaluateIn(file, value));
}

int64_t ParamRawValue::GetInt64(const ParamFile* file) const {
  int64_t number = 0;
  if (ParseParamInt64(value, number)) return number;
  return GetInt(file);
}

RString ParamRawValueFloat::GetString(const ParamFile* file) const {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", value);
  return text;
}

int ParamRawValueFloat::GetInt(const ParamFile* file) const { return RoundToInt(value); }

int64_t ParamRawValueFloat::GetInt64(const ParamFile* file) const { return SaturateToInt64(value); }

RString ParamRawValueInt::GetString(const ParamFile* file) const { return std::to_string(value); }

RString ParamRawValueInt64::GetString(const ParamFile* file) const { return std::to_string(value); }

int ParamRawValueInt64::GetInt(const ParamFile* file) const {
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

RString ParamRawValueExpression::GetString(const ParamFile* file) const {
  return FormatEvaluatedNumber(EvaluateIn(file, value));
}

float ParamRawValueExpression::GetFloat(const ParamFile* file) const {
  return static_cast<float>(EvaluateIn(file, value));
}

int ParamRawValueExpression::GetInt(const ParamFile* file) const { return RoundToInt(EvaluateIn(file, value)); }

// --- Entries that are not values.

void ParamEntry::ReportNotValue(const ParamClass* holder) const {
  ErrorMessage("'%s' is not a value", ParamEntryVal(this, holder).GetFullName().c_str());
}

RString ParamEntry::GetValue(const ParamClass* holder) const {
  ReportNotValue(holder);
  return RString();
}

float ParamEntry::GetFloat(const ParamClass* holder) const {
  ReportNotValue(holder);
  return 0;
}

int ParamEntry::GetInt(const ParamClass* holder) const {
  ReportNotValue(holder);
  return 0;
}

int64_t ParamEntry::GetInt64(const ParamClass* holder) const {
  ReportNotValue(holder);
  return 0;
}

// --- ParamEntryVal.

RString ParamEntryVal::GetFullName() const {
  if (!entry_) return RString();
  if (const ParamClass* cls = entry_->GetClassInterface(); cls && cls->GetParent()) return cls->GetFullName();
  if (holder_) return holder_->GetMemberFullName(entry_->GetName());
  return entry_->GetName().Str();
}

ParamEntryVal ParamEntryVal::operator>>(std::string_view name) const {
  if (!entry_) return {};
  const ParamClass* cls = entry_->GetClassInterface();
  if (!cls) {
    RString accessed = GetFullName() + "/" + RString(name);
    ErrorMessage("'%s' is not a class ('%s' accessed)", GetFullName().c_str(), accessed.c_str());
    return {};
  }
  return *cls >> name;
}

const ParamClass* ParamEntryVal::GetClass() const {
  if (!entry_) return nullptr;
  const ParamClass* cls = entry_->GetClassInterface();
  if (!cls) {
    ErrorMessage("'%s' is not a class ('%s' accessed)", GetFullName().c_str(), GetFullName().c_str());
    return nullptr;
  }
  if (!cls->IsDefined()) {
    ErrorMessage("class '%s' is not defined ('%s' accessed)", cls->GetName().c_str(), GetFullName().c_str());
    return nullptr;
  }
  return cls;
}

int ParamEntryVal::GetSize() const {
  if (!entry_) return 0;
  const ParamArray* array = entry_->GetArrayInterface();
  if (!array) {
    ErrorMessage("'%s' is not an array.", GetFullName().c_str());
    return 0;
  }
  return array->GetSize();
}

const IParamArrayValue* ParamEntryVal::GetItem(int index) const {
  if (!entry_) return nullptr;
  const ParamArray* array = entry_->GetArrayInterface();
  if (!array) {
    ErrorMessage("'%s' is not an array.", GetFullName().c_str());
    return nullptr;
  }
  if (index < 0 || index >= array->GetSize()) {
    ErrorMessage("Config: '%s' array does not have %d entries.", GetFullName().c_str(), index + 1);
    return nullptr;
  }
  return &(*array)[index];
}

float ParamEntryVal::GetFloat(int index) const {
  const IParamArrayValue* item = GetItem(index);
  return item ? item->GetFloat(ParamFileOf(holder_)) : 0.0f;
}

int ParamEntryVal::GetInt(int index) const {
  const IParamArrayValue* item = GetItem(index);
  return item ? item->GetInt(ParamFileOf(holder_)) : 0;
}

RString ParamEntryVal::GetValue(int index) const {
  const IParamArrayValue* item = GetItem(index);
  return item ? item->GetValue(ParamFileOf(holder_)) : RString();
}

// --- Lookup.

ParamFindResult ParamClass::Find(std::string_view name, bool searchEnclosing, bool searchBases,
                                 const ParamEntry* skip, const ParamVisibility* visibility) const {
  for (const ParamClass* scope = this; scope; scope = searchEnclosing ? scope->parent_ : nullptr) {
    for (const ParamClass* c = scope; c; c = searchBases ? c->GetBase() : nullptr) {
      int position = c->FindOwnPosition(name);
      if (position < 0) continue;
      ParamEntry* entry = c->entries_[static_cast<size_t>(position)].get();
      if (entry == skip) continue;
      if (visibility && !visibility->IsVisible(*entry)) {
        LogMessage("Entry %s in %s is not visible", entry->GetName().c_str(), c->GetFullName().c_str());
        continue;
      }
      return {entry, const_cast<ParamClass*>(c)};
    }
  }
  return {};
}

ParamEntryVal ParamClass::operator>>(std::string_view name) const {
  ParamFindResult found = Find(name, false, true);
  if (!found) {
    ErrorMessage("No entry '%s'.", GetMemberFullName(name).c_str());
    return {};
  }
  return found;
}

const ParamClass* ParamClass::GetClass(std::string_view name) const {
  ParamFindResult found = Find(name, false, true);
  if (!found) {
    ErrorMessage("No entry '%s'.", GetMemberFullName(name).c_str());
    return nullptr;
  }
  RString accessed = GetMemberFullName(name);
  const ParamClass* cls = found.entry->GetClassInterface();
  if (!cls) {
    ErrorMessage("'%s' is not a class ('%s' accessed)", found.entry->GetName().c_str(), accessed.c_str());
    return nullptr;
  }
  if (!cls->IsDefined()) {
    ErrorMessage("class '%s' is not defined ('%s' accessed)", cls->GetName().c_str(), accessed.c_str());
    return nullptr;
  }
  return cls;
}
