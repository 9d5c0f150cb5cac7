#pragma once
// Banks: named files that live somewhere else than loose on the disk (an archive, memory).
#include <map>
#include <memory>
#include <string>

#include "el/qstream/basic_types.h"
#include "el/qstream/qi_stream.h"

// A source of files by engine path.
class FileBank {
 public:
  virtual ~FileBank() = default;
  // The bytes of the file `path`, or null when the bank has no such file.
  virtual std::unique_ptr<QIStream> OpenFile(const RString& path) const = 0;
};

// A bank held in memory: file texts by name. Names compare ignoring ASCII case and
// the kind of separator, as engine paths do.
class MemoryFileBank : public FileBank {
 public:
  void Add(const RString& path, std::string text);
  std::unique_ptr<QIStream> OpenFile(const RString& path) const override;

 private:
  static RString Key(const RString& path);
  std::map<RString, std::shared_ptr<const std::string>> files_;
};
