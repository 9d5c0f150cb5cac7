#pragma once
// Preprocessors that read included files from the disk or from a bank.
#include <map>
#include <optional>
#include <string>

#include "el/preproc/file_bank.h"
#include "el/preproc/preproc_core.h"

// Files on the disk. The top file is named on the command line (a host path, see
// HostPathOf); every included name comes from data and is an engine path.
class FilePreprocessor : public Preproc {
 public:
  explicit FilePreprocessor(QOStream& out) : Preproc(out) {}

  // The one look-up of included files, shared by every directive that names one: sets
  // `path` to the engine path that markers and messages show, and gives what OpenSource
  // opens; nothing when the name is refused or found nowhere (after reporting it once).
  // A rooted name is resolved through the mounts and the work drive; a relative one in
  // the folder of the including file, never above the root that file was found in.
  // Without `report`, nothing is reported (a test for a file that may be missing).
  virtual std::optional<RString> FindInclude(const RString& name, RString& path, bool report = true);

 protected:
  // Opens what FindInclude found. A file that cannot be opened is logged as
  // "Include file %s not found.".
  std::unique_ptr<QIStream> OpenInclude(const RString& name, RString& path) override;
  bool IncludeExists(const RString& name) override;
  // Opens the file at `source`, a host path in engine form; null when that fails.
  virtual std::unique_ptr<QIStream> OpenSource(const RString& source);

 private:
  // Where an opened file was found: its host path, the root its relative names stay
  // inside, and whether it was named by data (an engine path) or on the command line.
  struct Origin {
    std::string host;
    std::string root;
    bool fromData = false;
  };
  // Resolves `path`, an engine path from data, and remembers where it was found.
  std::optional<RString> FindData(const RString& path, bool report);
  std::map<RString, Origin> origins_;
};

// Files inside a bank; paths are formed as for files on the disk and handed to the bank.
class BankPreprocessor : public FilePreprocessor {
 public:
  BankPreprocessor(QOStream& out, const FileBank& bank) : FilePreprocessor(out), bank_(bank) {}

  std::optional<RString> FindInclude(const RString& name, RString& path, bool report = true) override;

 protected:
  std::unique_ptr<QIStream> OpenSource(const RString& path) override { return bank_.OpenFile(path); }

 private:
  const FileBank& bank_;
};
