#pragma once
// Skeletons of models from the configuration: a class of "CfgSkeletons" with its bones
// ("skeletonBones": bone, parent, bone, parent, ...), an optional sibling class whose
// bones come first ("skeletonInherit"), "isDiscrete", "pivotsModel" and "BoneGroups".
#include <string_view>

#include "lib/shape/skeleton.h"

class ParamClass;
class ParamFile;

// Reads the skeleton class `name` of `skeletons` (a "CfgSkeletons" class) into a new
// ordered skeleton; a missing class gives an empty skeleton.
SkeletonRef SkeletonFromClass(const ParamClass* skeletons, std::string_view name);

// The skeleton `name` for a model whose configuration is `modelConfig` (may be null):
// from its "CfgSkeletons", or, with "Obsolete CfgSkeletons for %s, move to model.cfg",
// from "CfgSkeletons" of the global configuration.
SkeletonRef ModelSkeleton(const ParamFile* modelConfig, std::string_view name);
