// A prefix file's text becomes a mount, and the same bytes are resolved as a name from
// data: whatever the bytes, the work path holds no line break, a name resolves below the
// mount's folder or the work drive, and nothing is looked up above them.
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/engine_resolver.h"
#include "platform/prefix_files.h"

namespace {

constexpr char kFolder[] = "/nonexistent-kilnify-fuzz/mount";
constexpr char kDrive[] = "/nonexistent-kilnify-fuzz/drive";

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ::setenv("KILNIFY_WORK_DRIVE", kDrive, 1);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string workPath = WorkPathOfPrefixText(text);
  if (workPath.find_first_of("\r\n") != std::string::npos) std::abort();
  Mounts().Clear();
  std::string error;
  // A work path that names no folder is refused; any other gives exactly one mount.
  if (!workPath.empty() && Mounts().Add(workPath, kFolder, "fuzz", &error) != (Mounts().All().size() == 1))
    std::abort();
  for (std::string_view name : {text, std::string_view(workPath)}) {
    EngineResolution found = ResolveEnginePath(EnginePath(name));
    if (found.climbs) continue;
    if (!StartsWith(found.hostPath, kFolder) && !StartsWith(found.hostPath, kDrive)) std::abort();
  }
  Mounts().Clear();
  return 0;
}
