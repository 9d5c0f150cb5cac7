#include "tool/animation_step.h"

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "lib/animation/animation_rt.h"
#include "lib/shape/model_config.h"
#include "lib/shape/skeleton_bank.h"
#include "tool/file_paths.h"

namespace kln {

void ConvertAnimation(RunSettings& settings, const ConversionEntry& entry) {
  LogMessage("Convert animation %s -> %s", entry.source.c_str(), entry.destination.c_str());
  LogMessage("<animation = \"%s\">", entry.source.c_str());
  const RString& name = settings.skeleton.empty() ? settings.defaultSkeleton : settings.skeleton;
  std::shared_ptr<ParamFile> modelConfig = LoadModelConfig(entry.source);
  SkeletonRef skeleton = Skeletons().Get(name, modelConfig.get());
  AnimationRT animation;
  if (skeleton->NBones() == 0) {
    ErrorMessage("Animation %s: the skeleton %s has no bones", entry.source.c_str(), name.c_str());
  } else {
    if (!animation.LoadComplete(entry.source, skeleton, false)) {
      ErrorMessage("Loading of animation %s failed", entry.source.c_str());
    } else if (animation.BoneNames().empty()) {
      ErrorMessage("Animation %s: none of its bones is in the skeleton %s", entry.source.c_str(), name.c_str());
    } else {
      // Folders are made only now, so that an animation that fails leaves no empty folder.
      CreateDestinationFolders(entry.destination);
      SaveAnimation(animation, entry.destination);
    }
  }
  LogMessage("</animation>");
}

}  // namespace kln
