#include "lib/shape/model_config.h"

#include <filesystem>
#include <system_error>

#include "el/paramfile/param_file.h"
#include "platform/engine_path.h"
#include "platform/engine_resolver.h"
#include "platform/host_file.h"

namespace {

constexpr std::string_view kFolderConfig = "model.cfg";
constexpr std::string_view kOwnExtension = ".cfg";
constexpr std::string_view kReplacedCharacters = " -/()";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The position just past the last folder separator (0 without one).
size_t FileNameStart(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsSeparator(path[i - 1])) return i;
  return 0;
}

// `path` with the extension of its file name replaced by `extension`.
RString ReplaceExtension(std::string_view path, std::string_view extension) {
  size_t nameStart = FileNameStart(path);
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart) dot = path.size();
  return RString(path.substr(0, dot)) + RString(extension);
}

// Merges the file `fileName` (a host path in engine form) into `merged` when it exists
// and parses.
void MergeFile(ParamFile& merged, const RString& fileName) {
  if (!EngineFileExists(fileName)) return;
  ParamFile file;
  if (file.Parse(fileName) != 0) return;
  merged.Update(file, true, true);
}

// The configuration files of a model that lies below a mount or the work drive, looked up
// by its engine path, so that the model.cfg of a parent folder is found in whatever
// folder that work path is mounted from. Only existing files are listed.
// A file that is also one of `beside` (the files of the model's own folders on the host)
// keeps the name it has there, so that messages name it as before.
AutoArray<RString> EngineModelConfigFiles(std::string_view enginePath, const AutoArray<RString>& beside) {
  AutoArray<RString> files;
  for (const RString& file : ModelConfigFiles(enginePath)) {
    EngineResolution found = ResolveEnginePath(EnginePath(file));
    if (!found.found) continue;
    RString name = RString(ToEnginePath(found.hostPath));
    for (const RString& near : beside) {
      std::error_code error;
      if (std::filesystem::equivalent(HostPathOf(near), found.hostPath, error)) {
        name = near;
        break;
      }
    }
    files.push_back(name);
  }
  return files;
}

}  // namespace

RString ModelConfigClassName(std::string_view modelPath) {
  std::string_view name = modelPath.substr(FileNameStart(modelPath));
  size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  RString result(name);
  for (char& c : result)
    if (kReplacedCharacters.find(c) != std::string_view::npos) c = '_';
  return result;
}

AutoArray<RString> ModelConfigFiles(std::string_view modelPath) {
  size_t nameStart = FileNameStart(modelPath);
  // Folder prefixes from the outermost: one per separator before the file name, each
  // ending in that separator; a relative path starts in the current folder ("").
  bool absolute = !modelPath.empty() && (IsSeparator(modelPath[0]) || modelPath.find(':') < nameStart);
  AutoArray<RString> files;
  if (!absolute) files.push_back(RString(kFolderConfig));
  for (size_t i = 0; i < nameStart; ++i) {
    if (!IsSeparator(modelPath[i])) continue;
    if (i > 0 && IsSeparator(modelPath[i - 1])) continue;  // a repeated separator
    files.push_back(RString(modelPath.substr(0, i + 1)) + RString(kFolderConfig));
  }
  files.push_back(ReplaceExtension(modelPath, kOwnExtension));
  return files;
}

std::shared_ptr<ParamFile> LoadModelConfig(std::string_view modelPath) {
  auto merged = std::make_shared<ParamFile>(ReplaceExtension(modelPath, kOwnExtension));
  const std::optional<std::string> enginePath =
      EnginePathOfHostFile(HostPathOf(modelPath.empty() ? std::string_view(".") : modelPath));
  const AutoArray<RString> beside = ModelConfigFiles(modelPath);
  for (const RString& file : enginePath ? EngineModelConfigFiles(*enginePath, beside) : beside) MergeFile(*merged, file);
  merged->Refresh();
  return merged;
}

const ParamClass* FindModelClass(const ParamFile& config, std::string_view modelPath) {
  ParamFindResult models = config.Find("CfgModels", false, false);
  if (!models || !models.entry->IsClass() || !models.entry->IsDefined()) return nullptr;
  const ParamClass* modelsClass = models.entry->GetClassInterface();
  ParamFindResult found = modelsClass->Find(ModelConfigClassName(modelPath), false, true);
  if (!found || !found.entry->IsClass() || !found.entry->IsDefined()) return nullptr;
  return found.entry->GetClassInterface();
}
