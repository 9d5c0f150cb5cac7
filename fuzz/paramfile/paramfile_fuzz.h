#pragma once
// Shared parts of the configuration fuzz targets: a message sink that drops everything,
// a walk that reads every entry (and so every class body left in a file), and the check
// that a saved tree loads back and saves to the same bytes.
#include <cstdarg>
#include <cstdlib>
#include <memory>
#include <string>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"

class QuietMessages : public AppFrameFunctions {
 public:
  QuietMessages() { SetAppFrameFunctions(this); }
  ~QuietMessages() override { SetAppFrameFunctions(nullptr); }
  void LogLine(const char*, va_list) override {}
  void ErrorLine(const char*, va_list) override {}
};

// Reads every value of `cls` and of the classes in it.
inline void ReadEverything(const ParamClass& cls, int depth = 0) {
  if (depth > ParamClass::kMaxNesting + 1) std::abort();  // deeper than any load allows
  for (int i = 0; i < cls.GetEntryCount(); ++i) {
    ParamEntryVal val = cls.GetEntryVal(i);
    const ParamEntry* entry = val.GetEntry();
    if (const ParamClass* nested = entry->GetClassInterface()) {
      nested->GetBase();
      ReadEverything(*nested, depth + 1);
    } else if (entry->IsArray()) {
      for (int j = 0; j < val.GetSize(); ++j) val.GetValue(j);
    } else {
      val.GetValue();
      val.GetFloat();
    }
  }
}

inline std::string SaveBytes(const ParamFile& file) {
  QOStrStream out;
  if (!file.SaveBin(out)) std::abort();
  return out.Str();
}

// Saves `file`; the result must load, and the loaded tree must save to bytes that load
// back to themselves.
inline void CheckBinaryRoundTrip(const ParamFile& file) {
  std::string first = SaveBytes(file);
  ParamFile second;
  QIStrStream in1(first.data(), static_cast<QFileSize>(first.size()));
  if (second.LoadBin(in1) != 0) std::abort();
  std::string secondBytes = SaveBytes(second);
  ParamFile third;
  QIStrStream in2(secondBytes.data(), static_cast<QFileSize>(secondBytes.size()));
  if (third.LoadBin(in2) != 0) std::abort();
  if (SaveBytes(third) != secondBytes) std::abort();
  QOStrStream text;
  if (!second.SaveText(text)) std::abort();
}
