#pragma once
// Materials by name: the shared TexMaterial of a name, loaded on first use from its
// material file or, for names beginning with '#', from "CfgMaterials" of the global
// configuration. Loaded materials stay in the engine's material cache until the
// conversion empties it after the file.
#include <memory>

#include "el/qstream/basic_types.h"

class TexMaterial;
class ParamFile;

// The material `name`, loaded on first use; null for an empty name. A name that is not
// lower case is reported ("Material name is not lowercase %s") and used unchanged. A
// definition that cannot be found or read leaves the material at its defaults.
std::shared_ptr<TexMaterial> MaterialByName(const RString& name);

// Reads the definition of `material` by its name (file or "CfgMaterials" class); the
// material keeps its defaults, after the messages, when it cannot. True when read.
bool LoadMaterialDefinition(TexMaterial& material);

// Reads `material` from the bytes of a material file: binary configuration (starting
// with 00 'r' 'a' 'P') or configuration text (not preprocessed). True when read.
bool LoadMaterialFromBytes(TexMaterial& material, const char* data, size_t size);

// The number of passes of `material`: itself and the chain of "nextPass" materials.
int MaterialPassCount(const TexMaterial& material);
