#include "el/preproc/data_name.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "el/appframe/app_frame.h"
#include "platform/ascii.h"
#include "platform/engine_path.h"
#include "platform/host_file.h"

namespace {

std::set<std::string>& Reported() {
  static std::set<std::string> names;
  return names;
}

bool FirstReport(const EnginePath& name) { return Reported().insert(AsciiLowerCopy(name.Text())).second; }

void ReportClimb(const EnginePath& name, std::string_view namedBy) {
  if (FirstReport(name))
    ErrorMessage("Name %s in %s leads above the root of the work drive; it is refused", name.Text().c_str(),
                 std::string(namedBy).c_str());
}

}  // namespace

std::optional<std::string> HostFileOfDataName(const EnginePath& name, std::string_view namedBy, std::string* root) {
  EngineResolution found = ResolveEnginePath(name);
  if (root) *root = found.root;
  if (found.climbs) {
    ReportClimb(name, namedBy);
    return std::nullopt;
  }
  if (found.found) return found.hostPath;
  if (FirstReport(name))
    ErrorMessage("Name %s in %s was not found; tried %s", name.Text().c_str(), std::string(namedBy).c_str(),
                 found.tried.c_str());
  return std::nullopt;
}

std::optional<std::string> HostTargetOfDataName(const EnginePath& name, std::string_view namedBy) {
  EngineResolution found = ResolveEnginePath(name);
  if (found.climbs) {
    ReportClimb(name, namedBy);
    return std::nullopt;
  }
  return found.hostPath;
}

void ForgetReportedDataNames() { Reported().clear(); }

namespace {

std::string& CurrentFileName() {
  static std::string name = "the data";
  return name;
}

}  // namespace

DataFileScope::DataFileScope(std::string file) : previous_(std::move(CurrentFileName())) {
  CurrentFileName() = std::move(file);
}

DataFileScope::~DataFileScope() { CurrentFileName() = std::move(previous_); }

const std::string& CurrentDataFile() { return CurrentFileName(); }

std::optional<std::string> LoadableDataName(const std::string& name, std::string_view namedBy) {
  const std::optional<std::string> host = HostFileOfDataName(EnginePath(name), namedBy);
  if (!host) return std::nullopt;
  std::error_code error;
  if (std::filesystem::equivalent(HostPathOf(name), *host, error)) return name;
  return ToEnginePath(*host);
}
