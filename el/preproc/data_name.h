#pragma once
// Names read from data, resolved through the mounts and the work drive, with the report of
// a name that resolves nowhere (see platform/engine_resolver.h).
#include <optional>
#include <string>
#include <string_view>

#include "platform/engine_resolver.h"

// The host file behind `name`, a name read from the file `namedBy`. A name that leads
// above the root, or that exists in no place tried, is reported once per run per name (the
// name, the file holding it and the place tried) and gives nothing.
// `root` (when given) receives the host folder the name was resolved below.
std::optional<std::string> HostFileOfDataName(const EnginePath& name, std::string_view namedBy,
                                              std::string* root = nullptr);

// The name under which a file named by data (`name`, held by `namedBy`) is opened by the
// loaders that take engine paths: the name itself when it leads to the file that the
// mounts and the work drive give, else that file's own path in engine form; nothing
// (reported once per run, as by HostFileOfDataName) when they give none. So data never
// reaches a host file through a rooted name.
std::optional<std::string> LoadableDataName(const std::string& name, std::string_view namedBy);

// As HostFileOfDataName, but for a file about to be written: a name that does not exist
// yet gives where its spelling maps to. Only a name leading above the root gives nothing.
std::optional<std::string> HostTargetOfDataName(const EnginePath& name, std::string_view namedBy);

// Forgets the names reported so far (a new run starts).
void ForgetReportedDataNames();

// The file whose names are being read, for readers that are handed a name without the file
// holding it (materials of a model): while a scope lives, reports name its file.
class DataFileScope {
 public:
  explicit DataFileScope(std::string file);
  ~DataFileScope();
  DataFileScope(const DataFileScope&) = delete;
  DataFileScope& operator=(const DataFileScope&) = delete;

 private:
  std::string previous_;
};

// The file of the innermost scope; "the data" outside every scope.
const std::string& CurrentDataFile();
