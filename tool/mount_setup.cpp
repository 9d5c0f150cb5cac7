#include "tool/mount_setup.h"

#include <strings.h>

#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "platform/engine_path.h"
#include "platform/engine_resolver.h"
#include "platform/host_file.h"
#include "platform/prefix_files.h"

namespace kln {
namespace {

constexpr std::string_view kMountOption = "-mount=";
constexpr std::string_view kPrefixFileOption = "-prefixFile=";

bool StartsWithIgnoringCase(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && ::strncasecmp(text.c_str(), prefix.data(), prefix.size()) == 0;
}

bool AddMount(std::string_view pair, const std::string& origin) {
  std::string error;
  if (Mounts().AddList(pair, origin, &error)) return true;
  ErrorMessage("%s", error.c_str());
  return false;
}

}  // namespace

bool SetUpMounts(const MountOptions& options, const std::vector<RString>& searched) {
  Mounts().Clear();
  if (const char* list = std::getenv("KILNIFY_MOUNTS"); list && *list && !AddMount(list, "KILNIFY_MOUNTS"))
    return false;
  for (const std::string& pair : options.mounts)
    if (!AddMount(pair, "-mount")) return false;

  std::string prefixFile = options.prefixFile;
  if (const char* name = std::getenv("KILNIFY_PREFIX_FILE"); prefixFile.empty() && name) prefixFile = name;
  if (prefixFile.empty()) return true;
  std::vector<std::string> folders;
  for (const RString& folder : searched)
    if (!folder.empty()) folders.push_back(HostPathOf(folder));
  folders.push_back(WorkDriveRoot());
  bool good = true;
  for (const std::string& folder : folders) {
    std::vector<std::string> problems;
    for (const PrefixFile& found : FindPrefixFiles(folder, prefixFile, problems)) {
      std::string error;
      if (!Mounts().Add(found.workPath, ToEnginePath(found.folder), found.file, &error)) {
        ErrorMessage("%s", error.c_str());
        good = false;
      }
    }
    for (const std::string& problem : problems) ErrorMessage("%s", problem.c_str());
  }
  return good;
}

void TakeMountOptions(std::vector<std::string>& args, MountOptions& options) {
  std::vector<std::string> rest;
  for (std::string& arg : args) {
    if (StartsWithIgnoringCase(arg, kMountOption)) {
      options.mounts.push_back(arg.substr(kMountOption.size()));
    } else if (StartsWithIgnoringCase(arg, kPrefixFileOption)) {
      options.prefixFile = arg.substr(kPrefixFileOption.size());
    } else {
      rest.push_back(std::move(arg));
    }
  }
  args = std::move(rest);
}

}  // namespace kln
