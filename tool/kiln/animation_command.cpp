// kiln rtm2bmtr: converting one source animation (or a runtime one, written again) into the
// runtime animation format, bound to a skeleton of a model or addon configuration.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "el/paramfile/param_file.h"
#include "lib/animation/animation_rt.h"
#include "lib/shape/skeleton_bank.h"
#include "platform/engine_path.h"
#include "platform/host_file.h"
#include "tool/file_paths.h"
#include "tool/kiln/kiln_command.h"

namespace kiln {
namespace {

constexpr char kName[] = "kiln rtm2bmtr";

struct Arguments {
  std::string config;
  std::string skeleton;
  bool turnAround = false;
  std::vector<std::string> files;
};

bool ParseArguments(const std::vector<std::string>& args, Arguments& parsed) {
  for (const std::string& arg : args) {
    if (arg.rfind("-config=", 0) == 0) {
      parsed.config = arg.substr(8);
    } else if (arg.rfind("-skeleton=", 0) == 0) {
      parsed.skeleton = arg.substr(10);
    } else if (arg == "-turnAround") {
      parsed.turnAround = true;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "%s: unknown option %s\n", kName, arg.c_str());
      return false;
    } else {
      parsed.files.push_back(arg);
    }
  }
  if (parsed.config.empty() || parsed.skeleton.empty() || parsed.files.size() != 2) {
    std::fprintf(stderr, "%s: expected -config=CFG -skeleton=NAME [-turnAround] IN OUT\n", kName);
    return false;
  }
  return true;
}

// A binary configuration starts with the bytes 00 72 61 50.
bool IsBinaryConfig(const RString& path) {
  std::ifstream in(HostPathOf(path), std::ios::binary);
  char magic[4] = {};
  in.read(magic, sizeof magic);
  return in && std::memcmp(magic, "\0raP", 4) == 0;
}

// The configuration lives until the process ends, like the skeleton made from it.
ParamFile* LoadConfig(const RString& path) {
  static ParamFile file;
  int error = IsBinaryConfig(path) ? file.LoadBin(path) : file.Parse(path);
  if (error != 0) {
    std::fprintf(stderr, "%s: the configuration %s cannot be read (error %d)\n", kName, path.c_str(), error);
    return nullptr;
  }
  return &file;
}

bool HasSkeletonClass(const ParamFile& config, const std::string& name) {
  ParamFindResult skeletons = config.Find("CfgSkeletons", false, true);
  if (!skeletons || !skeletons.entry->IsClass()) return false;
  const ParamClass* cls = skeletons.entry->GetClassInterface();
  ParamFindResult skeleton = cls ? cls->Find(name, false, true) : ParamFindResult();
  return skeleton && skeleton.entry->IsClass() && skeleton.entry->IsDefined();
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

}  // namespace

int RunRtmToBmtr(const std::vector<std::string>& args) {
  Arguments parsed;
  if (!ParseArguments(args, parsed)) return 2;
  const RString input = ToEnginePath(parsed.files[0]);
  const RString output = ToEnginePath(parsed.files[1]);
  ParamFile* config = LoadConfig(ToEnginePath(parsed.config));
  if (!config) return 1;
  if (!HasSkeletonClass(*config, parsed.skeleton)) {
    std::fprintf(stderr, "%s: %s defines no skeleton %s in CfgSkeletons\n", kName, parsed.config.c_str(),
                 parsed.skeleton.c_str());
    return 1;
  }
  SkeletonRef skeleton = Skeletons().Get(parsed.skeleton, config);
  if (skeleton->NBones() == 0) {
    std::fprintf(stderr, "%s: the skeleton %s has no bones\n", kName, parsed.skeleton.c_str());
    return 1;
  }
  if (!std::ifstream(HostPathOf(input), std::ios::binary)) {
    std::fprintf(stderr, "%s: cannot read %s\n", kName, parsed.files[0].c_str());
    return 1;
  }
  if (SameFile(HostPathOf(input), HostPathOf(output))) {
    std::fprintf(stderr, "%s: %s would overwrite its source\n", kName, parsed.files[1].c_str());
    return 1;
  }
  AnimationRT animation;
  if (!animation.LoadComplete(input, skeleton, parsed.turnAround)) {
    std::fprintf(stderr, "%s: %s is no readable animation\n", kName, parsed.files[0].c_str());
    return 1;
  }
  if (animation.BoneNames().empty()) {
    std::fprintf(stderr, "%s: none of the bones of %s is in the skeleton %s\n", kName, parsed.files[0].c_str(),
                 parsed.skeleton.c_str());
    return 1;
  }
  kln::CreateDestinationFolders(output);
  if (!SaveAnimation(animation, output)) return 1;
  std::printf("%s -> %s: %d phases, %zu of %d bones bound\n", parsed.files[0].c_str(), parsed.files[1].c_str(),
              animation.NPhases(), animation.BoneNames().size(), skeleton->NBones());
  return 0;
}

}  // namespace kiln
