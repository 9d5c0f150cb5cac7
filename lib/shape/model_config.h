#pragma once
// The configuration of one model: the "model.cfg" files of the model's folder and of
// every folder above it, merged from the outermost folder inwards, and the model's own
// ".cfg" file merged over them. The model's class is "CfgModels" >> its file name, with
// the characters " -/()" written as '_'.
#include <memory>
#include <string_view>

#include "el/qstream/basic_types.h"

class ParamFile;
class ParamClass;

// The class name under which `modelPath` is looked up in "CfgModels": the file name
// without folder and extension, each of " -/()" replaced by '_'.
RString ModelConfigClassName(std::string_view modelPath);

// The configuration files that make up the configuration of `modelPath`, in merge order:
// the "model.cfg" candidates from the outermost folder to the model's own folder, then
// the model's own ".cfg". Files that do not exist are listed too.
AutoArray<RString> ModelConfigFiles(std::string_view modelPath);

// The merged configuration of `modelPath` (empty when no file exists).
std::shared_ptr<ParamFile> LoadModelConfig(std::string_view modelPath);

// The class of the model in `config` ("CfgModels" >> ModelConfigClassName), or null.
const ParamClass* FindModelClass(const ParamFile& config, std::string_view modelPath);
