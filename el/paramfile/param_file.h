#pragma once
// ParamFile: the root class of one configuration file, with the file name, the file's
// evaluator (named constants, expressions) and the entry points that read and write it:
// text parsing (through the preprocessor), text saving, and the binary form.
#include <memory>

#include "el/paramfile/param_class.h"
#include "el/paramfile/param_evaluator.h"
#include "el/qstream/qi_stream.h"

struct PredefinedMacro;

// Tells where a file came from and how it may be read.
class ParamOwner {
 public:
  virtual ~ParamOwner() = default;
  // True when the classes of a binary file (version 5 and later) may be read when first
  // used instead of at once; the file then stays open while any class is unread.
  virtual bool CanLoadOnDemand() const { return false; }
};

class ParamFile : public ParamClass {
 public:
  ParamFile() : ParamClass(ParamString()) {}
  explicit ParamFile(std::string_view fileName) : ParamClass(ParamString(fileName)) {}

  ParamFile* AsFile() override { return this; }

  // The file name is also the name of the root class (the first part of full names).
  RString GetFileName() const { return GetName().Str(); }
  void SetFileName(std::string_view fileName) { name_ = ParamString(fileName); }

  ParamOwner* GetOwner() const { return owner_; }
  void SetOwner(ParamOwner* owner) { owner_ = owner; }

  // The evaluator (null until one is made).
  ParamEvaluator* GetEvaluator() { return evaluator_.get(); }
  const ParamEvaluator* GetEvaluator() const { return evaluator_.get(); }
  ParamEvaluator& MakeEvaluator();

  // Removes every entry and the evaluator's constants.
  void Clear();

  // --- Text form.
  // Parses the file `fileName` (an engine or host path): 0 success (also when the file
  // does not exist: the tree stays empty), 2 a read error, 3 a syntax error or a failed
  // preprocessing. The file is run through the preprocessor with `defines` first.
  int Parse(const RString& fileName, ParamOwner* owner = nullptr, const PredefinedMacro* defines = nullptr);
  // Parses preprocessed text from `in` (a QIPreprocessedStream keeps source file and line
  // for the messages; any other stream is read as one source). Results as above.
  int Parse(QIStream& in, ParamOwner* owner = nullptr);
  // Writes the file as text: the enum constants, then the entries.
  bool SaveText(QOStream& out) const;
  bool SaveText(const RString& fileName) const;
  using ParamClass::SaveText;

  // --- Binary form.
  // Loads a binary file: 0 success, 1 not a binary configuration, 3 unsupported version,
  // 4 corrupt data, 5 no such file, 6 the file cannot be opened. With an owner that allows
  // it, classes of version 5 and later files are read when first used.
  int LoadBin(const RString& fileName, ParamOwner* owner = nullptr);
  // The same from a stream that outlives the call; everything is read at once.
  int LoadBin(QIStream& in);
  // The same from a shared stream, which the file keeps while classes are unread.
  int LoadBin(std::shared_ptr<QIStream> in, ParamOwner* owner);
  // Saves version 8 through a temporary file renamed into place; true on success.
  bool SaveBin(const RString& fileName) const;
  bool SaveBin(QOStream& out) const;

 private:
  std::unique_ptr<ParamEvaluator> evaluator_;
  ParamOwner* owner_ = nullptr;
};

// Entry points for tools, over the member functions above.
// Parses a text configuration file (preprocessed); true on success.
bool ParseConfigFile(ParamFile& file, const RString& fileName);
// Loads a binary configuration; true on success.
bool LoadBinary(ParamFile& file, const RString& path);
// Saves the binary form (version 8), all or nothing; true on success.
bool SaveBinary(const ParamFile& file, const RString& path);
// Writes the text form.
bool SaveText(const ParamFile& file, QOStream& out);
