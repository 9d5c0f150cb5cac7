#include "tool/single_conversion.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>

#include "el/appframe/app_frame.h"
#include "el/qstream/qo_file_stream.h"
#include "el/qstream/read_recorder.h"
#include "platform/ascii.h"
#include "platform/host_file.h"
#include "tool/animation_step.h"
#include "tool/conversion_entry.h"
#include "tool/depfile.h"
#include "tool/file_paths.h"
#include "tool/kilnify_frame_functions.h"
#include "tool/model_step.h"
#include "tool/option_parser.h"
#include "tool/startup.h"
#include "tool/world_step.h"

namespace kln {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadArguments = 2;

struct Request {
  std::vector<std::string> options;  // the converter's options, in engine form
  std::vector<std::string> files;    // IN and OUT
  std::string root;
  std::string depfile;
  std::string usedTextures;
  bool rootGiven = false;
};

std::string EngineForm(std::string text) {
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

Request SplitArguments(const std::vector<std::string>& args) {
  Request request;
  for (const std::string& arg : args) {
    if (arg.rfind("-depfile=", 0) == 0) {
      request.depfile = arg.substr(9);
    } else if (arg.rfind("-usedTextures=", 0) == 0) {
      request.usedTextures = EngineForm(arg.substr(14));
    } else if (arg.rfind("-root=", 0) == 0) {
      request.root = EngineForm(arg.substr(6));
      request.rootGiven = true;
    } else if (!arg.empty() && arg[0] == '-') {
      request.options.push_back(EngineForm(arg));
    } else {
      request.files.push_back(EngineForm(arg));
    }
  }
  return request;
}

// The folder part of an engine path, without its trailing '\' (empty for a bare name).
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Identity of the file at a host path: a new one appears after an atomic write.
struct FileIdentity {
  bool exists = false;
  ino_t inode = 0;
  int64_t modified = 0;
  bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const std::string& hostPath) {
  struct stat info {};
  if (::stat(hostPath.c_str(), &info) != 0) return {};
  return {true, info.st_ino, static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

bool Convert(RunSettings& settings, const ConversionEntry& entry) {
  std::string_view extension = GetExtension(entry.source);
  if (AsciiEqualIgnoreCase(extension, ".p3d")) {
    ConvertModel(settings, entry);
  } else if (AsciiEqualIgnoreCase(extension, ".wrp")) {
    ConvertWorld(settings, entry);
  } else if (AsciiEqualIgnoreCase(extension, ".rtm")) {
    ConvertAnimation(settings, entry);
  } else {
    ErrorMessage("%s is no model, world or animation", entry.source.c_str());
    return false;
  }
  return true;
}

// The textures the conversion used, one a line (with -textures=, else none).
bool WriteUsedTextures(const std::string& path, const UsedTextureSet& textures) {
  std::string text;
  for (const RString& texture : textures) text += texture + "\n";
  CreateDestinationFolders(path);
  QOFStream out;
  if (!out.OpenAtomic(path)) return false;
  out.write(text.data(), text.size());
  return out.Close();
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

int ConvertRequest(const Request& request) {
  // No source file is ever written over.
  const std::string sourceHost = HostPathOf(request.files[0]);
  if (SameFile(sourceHost, HostPathForWrite(request.files[1])) ||
      (!request.depfile.empty() && SameFile(sourceHost, HostPathForWrite(EngineForm(request.depfile))))) {
    ErrorMessage("%s would be written over by its own conversion", request.files[0].c_str());
    return kExitFailed;
  }
  RunSettings settings;
  std::vector<std::string> argStrings = {"kiln convert"};
  argStrings.insert(argStrings.end(), request.options.begin(), request.options.end());
  argStrings.insert(argStrings.end(), request.files.begin(), request.files.end());
  std::vector<char*> argv;
  for (std::string& arg : argStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(argStrings.size());
  char** args = argv.data();

  PrepareEngineForTool();
  ParseOptions(settings, argc, args);
  StartMemoryAndFiles();
  const ConversionEntry entry{request.files[0], request.files[1]};
  const std::string root = request.rootGiven ? request.root : FolderOf(entry.source);

  // Everything read from here on is a dependency of the output.
  StartRecordingReads();
  if (!LoadFolderConfigs(settings, settings.addonFolder) || !LoadFolderConfigs(settings, root)) {
    StopRecordingReads();
    ShutdownEngine();
    return kExitFailed;
  }
  LoadMainConfig(settings.binPath);
  StartEngine();

  const std::string outputHost = HostPathForWrite(entry.destination);
  const FileIdentity before = IdentityOf(outputHost);
  const bool known = Convert(settings, entry);
  StopRecordingReads();
  const FileIdentity after = IdentityOf(outputHost);
  ShutdownEngine();
  if (!known || !after.exists || after == before) return kExitFailed;

  if (!request.usedTextures.empty() && !WriteUsedTextures(request.usedTextures, settings.usedTextures)) {
    ErrorMessage("Cannot write the texture list %s", request.usedTextures.c_str());
    return kExitFailed;
  }
  if (!request.depfile.empty()) {
    std::vector<std::string> dependencies;
    for (const std::string& path : RecordedReads())
      if (path != outputHost) dependencies.push_back(path);
    if (!WriteDepfile(request.depfile, outputHost, dependencies)) {
      ErrorMessage("Cannot write the dependency file %s", request.depfile.c_str());
      return kExitFailed;
    }
  }
  return kExitOk;
}

}  // namespace

int RunSingleConversion(const std::vector<std::string>& args) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const Request request = SplitArguments(args);
  if (request.files.size() != 2) {
    std::fprintf(stderr, "kiln convert: expected [options] IN OUT\n");
    return kExitBadArguments;
  }
  static KilnifyFrameFunctions sink;
  SetAppFrameFunctions(&sink);
  const int result = ConvertRequest(request);
  SetAppFrameFunctions(nullptr);
  return result;
}

}  // namespace kln
