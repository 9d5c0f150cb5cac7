#pragma once
// Preprocessors that read included files from the disk or from a bank.
#include "el/preproc/file_bank.h"
#include "el/preproc/preproc_core.h"

// Files on the disk, named by engine paths (see HostPathOf).
class FilePreprocessor : public Preproc {
 public:
  explicit FilePreprocessor(QOStream& out) : Preproc(out) {}

 protected:
  // The top file is opened by its name; an included file in the folder of the including
  // file (or below the work drive root for a name that begins with '\'). A file that
  // cannot be opened is logged as "Include file %s not found.".
  std::unique_ptr<QIStream> OpenInclude(const RString& name, RString& path) override;
  bool IncludeExists(const RString& name) override;
  // Opens the file at the engine path `path`; null when that fails.
  virtual std::unique_ptr<QIStream> OpenSource(const RString& path);
};

// Files inside a bank; paths are formed as for files on the disk and handed to the bank.
class BankPreprocessor : public FilePreprocessor {
 public:
  BankPreprocessor(QOStream& out, const FileBank& bank) : FilePreprocessor(out), bank_(bank) {}

 protected:
  std::unique_ptr<QIStream> OpenSource(const RString& path) override { return bank_.OpenFile(path); }

 private:
  const FileBank& bank_;
};
