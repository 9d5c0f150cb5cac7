#include "el/preproc/file_preprocessor.h"

#include <filesystem>
#include <set>

#include "el/appframe/app_frame.h"
#include "el/preproc/data_name.h"
#include "el/preproc/include_path.h"
#include "el/qstream/qi_file_stream.h"
#include "platform/engine_path.h"
#include "platform/host_file.h"

namespace {

bool IsRooted(std::string_view name) { return !name.empty() && (name[0] == '\\' || name[0] == '/'); }

void ReportRefused(const RString& name, const RString& includingFile, const std::string& root) {
  static std::set<RString> reported;
  if (reported.insert(includingFile + "|" + name).second)
    ErrorMessage("Name %s in %s leads out of %s; it is refused", name.c_str(), includingFile.c_str(), root.c_str());
}

}  // namespace

std::optional<RString> FilePreprocessor::FindData(const RString& path, bool report) {
  std::string root;
  std::optional<std::string> host;
  if (report) {
    host = HostFileOfDataName(EnginePath(path), CurrentFile(), &root);
  } else if (EngineResolution found = ResolveEnginePath(EnginePath(path)); found.found) {
    host = found.hostPath;
    root = found.root;
  }
  if (!host) return std::nullopt;
  origins_[path] = {*host, root, true};
  return RString(ToEnginePath(*host));
}

std::optional<RString> FilePreprocessor::FindInclude(const RString& name, RString& path, bool report) {
  if (CurrentFile().empty()) {
    // The top file, named on the command line.
    path = ToEnginePath(name);
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(HostPathOf(path), error);
    std::string host = absolute.lexically_normal().string();
    origins_[path] = {host, RootOfHostFile(host), false};
    return path;
  }
  path = IncludePath(CurrentFile(), name);
  auto including = origins_.find(CurrentFile());
  if (IsRooted(name) || including == origins_.end() || including->second.fromData) return FindData(path, report);
  // A relative name in a file named on the command line: next to that file, inside its root.
  const Origin& from = including->second;
  std::filesystem::path candidate =
      (std::filesystem::path(from.host).parent_path() / ToHostPath(ToEnginePath(name))).lexically_normal();
  if (!IsHostPathBelow(candidate.string(), from.root)) {
    if (report) ReportRefused(name, CurrentFile(), from.root);
    return std::nullopt;
  }
  std::string host = HostPathOf(ToEnginePath(candidate.string()));
  std::error_code error;
  if (!std::filesystem::is_regular_file(host, error)) return std::nullopt;
  origins_[path] = {host, from.root, false};
  return RString(ToEnginePath(host));
}

std::unique_ptr<QIStream> FilePreprocessor::OpenInclude(const RString& name, RString& path) {
  std::optional<RString> source = FindInclude(name, path);
  std::unique_ptr<QIStream> stream = source ? OpenSource(*source) : nullptr;
  if (!stream) LogMessage("Include file %s not found.", path.c_str());
  return stream;
}

bool FilePreprocessor::IncludeExists(const RString& name) {
  // The same lookup as #include, without its reports.
  RString path;
  std::optional<RString> source = FindInclude(name, path, /*report=*/false);
  return source && OpenSource(*source) != nullptr;
}

std::unique_ptr<QIStream> FilePreprocessor::OpenSource(const RString& source) {
  auto stream = std::make_unique<QIFStream>();
  if (!stream->Open(HostPathOf(source))) return nullptr;
  return stream;
}

std::optional<RString> BankPreprocessor::FindInclude(const RString& name, RString& path, bool) {
  path = CurrentFile().empty() ? RString(ToEnginePath(name)) : IncludePath(CurrentFile(), name);
  return path;
}
