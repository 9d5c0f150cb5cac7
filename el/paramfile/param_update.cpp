// Merging one configuration tree into another (Update).
//
// Update(target T, source S):
//  1. With protect set, a read-only T (access 2 and more) is left as it is.
//  2. T takes S's base: none when S has none; otherwise the class of that name found
//     from T's enclosing class (T itself passed over). A base found nowhere ends the
//     update of T.
//  3. Each entry of S, in order, against T's own entry of that name: values replace,
//     arrays are assigned, appended to or removed from, declarations make sure a class of
//     that name exists, classes are merged recursively, deletions remove T's class.
// With protect set the access levels apply: an add-only T (access 1) takes new entries
// but keeps its existing ones and its base. The level is the one T had when its update
// began, so that a class whose first entry is "access" still gets the rest of its body.
#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"

class ParamClassUpdater {
 public:
  ParamClassUpdater(const ParamClass& source, bool protect, bool quiet) : protect_(protect), quiet_(quiet) {
    const ParamFile* file = source.GetFile();
    sourceName_ = file ? file->GetFileName() : source.GetFullName();
  }

  void Update(ParamClass& target, const ParamClass& source) {
    source.EnsureBody();
    target.EnsureBody();
    if (protect_ && target.access_ >= 2) {
      target.ReportReadOnly("** Update **, by " + sourceName_);
      return;
    }
    int level = target.access_;
    if (!UpdateBase(target, source, level)) return;
    for (int i = 0; i < source.GetEntryCount(); ++i) UpdateEntry(target, source.GetEntry(i), level);
  }

 private:
  // Refuses a change of an existing entry (or any change) when the access level forbids it.
  bool Allowed(const ParamClass& target, int level, const std::string& member, bool adding) const {
    return !protect_ || target.CheckAccess(member, adding, level);
  }

  static std::string BaseName(const ParamClass* base) { return base ? base->GetName().Str() : std::string(); }

  bool UpdateBase(ParamClass& target, const ParamClass& source, int level) {
    const ParamClass* sourceBase = source.GetBase();
    if (!sourceBase) {
      if (!target.base_) return true;
      if (protect_ && level > 0) {
        target.ReportReadOnly("** Update base " + BaseName(target.base_) + "-><null> **, by " + sourceName_, level);
        return true;
      }
      if (!quiet_)
        LogMessage("Updating base class %s->%s, by %s", BaseName(target.base_).c_str(), "", sourceName_.c_str());
      target.SetBase(nullptr);
      return true;
    }
    std::string_view baseName = sourceBase->GetName();
    ParamFindResult found;
    if (target.parent_) found = target.parent_->Find(baseName, true, true, &target);
    ParamClass* base = found ? found.entry->GetClassInterface() : nullptr;
    if (base && base->IsDelete()) base = nullptr;
    if (!base) {
      RString shown(baseName);
      ErrorMessage("Error updating '%s' by '%s', base '%s'", target.GetFullName().c_str(),
                   source.GetFullName().c_str(), shown.c_str());
      ErrorMessage("%s: Cannot find base class '%s'", target.GetFullName().c_str(), shown.c_str());
      return false;
    }
    if (base == target.base_) return true;
    if (protect_ && level > 0) {
      target.ReportReadOnly("** Update base " + BaseName(target.base_) + "->" + BaseName(base) + " **, by " +
                                sourceName_,
                            level);
      return true;
    }
    if (!quiet_)
      LogMessage("Updating base class %s->%s, by %s", BaseName(target.base_).c_str(), BaseName(base).c_str(),
                 sourceName_.c_str());
    target.SetBase(base);
    return true;
  }

  void UpdateEntry(ParamClass& target, const ParamEntry& entry, int level) {
    const std::string name = entry.GetName().Str();
    int position = target.FindOwnPosition(name);
    ParamEntry* existing = position >= 0 ? target.entries_[static_cast<size_t>(position)].get() : nullptr;

    if (const ParamClass* cls = entry.GetClassInterface()) {
      switch (cls->GetKind()) {
        case ParamClass::Kind::Declared: UpdateDeclaration(target, name, level); return;
        case ParamClass::Kind::Deleted: UpdateDeletion(target, existing, position, name, level); return;
        case ParamClass::Kind::Defined: UpdateClass(target, existing, *cls, name, level); return;
      }
    }
    if (const ParamArray* array = entry.GetArrayInterface()) {
      UpdateArray(target, existing, *array, name, level);
      return;
    }
    // A value replaces the entry of that name.
    if (!Allowed(target, level, "**Update** entry: " + name, existing == nullptr)) return;
    if (existing) {
      const ParamClass* old = existing->GetClassInterface();
      if (old && old->IsReferencedFromOutside()) {
        ReportReferenced(*old);
        return;
      }
      target.RemoveAt(static_cast<size_t>(position));
    }
    target.Add(entry.Clone());
  }

  void UpdateArray(ParamClass& target, ParamEntry* existing, const ParamArray& array, const std::string& name,
                   int level) {
    if (!Allowed(target, level, "**Update** entry: " + name, existing == nullptr)) return;
    ParamArray* into = nullptr;
    if (!existing) {
      into = target.AddArray(name);
    } else {
      into = existing->GetArrayInterface();
      if (!into) {
        ErrorMessage("%s: Cannot update non array from array", target.GetMemberFullName(name).c_str());
        return;
      }
    }
    if (array.GetFlags() & kParamArrayAppend) {
      into->AppendFrom(array.Items());
    } else if (array.GetFlags() & kParamArrayRemove) {
      into->RemoveFrom(array.Items());
    } else {
      into->Items() = array.Items();
    }
  }

  void UpdateDeclaration(ParamClass& target, const std::string& name, int level) {
    ParamFindResult found = target.Find(name, false, true);
    if (found && found.entry->IsClass() && !found.entry->IsDelete()) return;
    LogMessage("Note: '%s' is declared, but definition was not found. Creating empty class (source: %s)",
               name.c_str(), sourceName_.c_str());
    if (Allowed(target, level, "**Update** entry: " + name, true)) target.AddClass(name);
  }

  void UpdateDeletion(ParamClass& target, ParamEntry* existing, int position, const std::string& name, int level) {
    const ParamClass* old = existing ? existing->GetClassInterface() : nullptr;
    if (!old) return;
    if (!Allowed(target, level, "**Update** entry: " + name, false)) return;
    if (old->IsReferencedFromOutside()) {
      ReportReferenced(*old);
      return;
    }
    target.RemoveAt(static_cast<size_t>(position));
  }

  void UpdateClass(ParamClass& target, ParamEntry* existing, const ParamClass& source, const std::string& name,
                   int level) {
    ParamClass* into = nullptr;
    if (!existing) {
      if (!Allowed(target, level, "**Update** entry: " + name, true)) return;
      into = target.AddClass(name);
    } else {
      into = existing->GetClassInterface();
      if (!into) {
        ErrorMessage("Cannot update non class from class %s", source.GetFullName().c_str());
        return;
      }
      // A declaration or a deletion marker of the target gets the body.
      into->kind_ = ParamClass::Kind::Defined;
    }
    Update(*into, source);
  }

  static void ReportReferenced(const ParamClass& cls) {
    ErrorMessage("Cannot delete class %s, it is referenced somewhere (used as a base class probably).",
                 cls.GetFullName().c_str());
  }

  bool protect_;
  bool quiet_;
  std::string sourceName_;
};

void ParamClass::Update(const ParamClass& source, bool protect, bool quiet) {
  if (&source == this) return;
  ParamClassUpdater(source, protect, quiet).Update(*this, source);
  // Files also pass on their named constants.
  const ParamFile* sourceFile = const_cast<ParamClass&>(source).AsFile();
  ParamFile* targetFile = AsFile();
  if (sourceFile && targetFile && sourceFile->GetEvaluator()) {
    ParamEvaluator& evaluator = targetFile->MakeEvaluator();
    for (const auto& [name, value] : sourceFile->GetEvaluator()->Constants()) evaluator.SetConstant(name, value);
  }
}
