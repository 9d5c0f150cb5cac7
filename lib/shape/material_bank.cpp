#include "lib/shape/material_bank.h"

#include <cstring>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "el/qstream/qi_file_stream.h"
#include "el/preproc/data_name.h"
#include "platform/engine_path.h"
#include "engine/global_config.h"
#include "engine/material_cache.h"
#include "lib/shape/material_reader.h"
#include "lib/shape/tex_material.h"
#include "platform/ascii.h"
#include "platform/host_file.h"

namespace {

// The four bytes a binary configuration starts with.
constexpr char kBinaryConfigMagic[4] = {'\0', 'r', 'a', 'P'};
// Pass chains longer than this are cut (they loop).
constexpr int kMaxPasses = 16;

bool IsBinaryConfig(QIStream& in) {
  char magic[4];
  bool binary = in.read(magic, 4) == 4 && std::memcmp(magic, kBinaryConfigMagic, 4) == 0;
  in.SeekG(0);
  return binary;
}

bool ReadFromCfgMaterials(TexMaterial& material) {
  std::string_view className = std::string_view(material.Name()).substr(1);
  const ParamFile& config = GlobalConfig();
  const ParamEntry* cfgMaterials = config.FindOwn("CfgMaterials");
  const ParamClass* materials = cfgMaterials ? cfgMaterials->GetClassInterface() : nullptr;
  ParamFindResult found;
  if (materials) found = materials->Find(className, false, true);
  const ParamClass* cls = found ? found.entry->GetClassInterface() : nullptr;
  if (!cls || !cls->IsDefined()) {
    ErrorMessage("Material %s not found in CfgMaterials", std::string(className).c_str());
    return false;
  }
  return ReadMaterialClass(material, *cls);
}

bool ReadFromFile(TexMaterial& material) {
  const RString& name = material.Name();
  QIFStreamB in;
  // A material file is named by data: it is read only through the mounts and the work drive.
  // Its messages name it as the data does wherever that spelling leads to the same file.
  const std::optional<std::string> file = LoadableDataName(name, CurrentDataFile());
  if (!file || !in.Open(HostPathOf(*file))) {
    ErrorMessage("Material not loaded: %s", name.c_str());
    ErrorMessage("\tIn %s:%d", "lib/shape/material", __LINE__);
    return false;
  }
  ParamFile config(name);
  int result = IsBinaryConfig(in) ? config.LoadBin(in) : (in.Close(), config.Parse(*file));
  if (result != 0) {
    ErrorMessage("Error while loading material %s", name.c_str());
    return false;
  }
  return ReadMaterialClass(material, config);
}

}  // namespace

std::shared_ptr<TexMaterial> MaterialByName(const RString& name) {
  if (name.empty()) return nullptr;
  if (std::shared_ptr<TexMaterial> cached = Materials().Find(name)) return cached;
  if (AsciiLowerCopy(name) != name) ErrorMessage("Material name is not lowercase %s", name.c_str());
  auto material = std::make_shared<TexMaterial>(name);
  // In the cache before its definition is read, so that a "nextPass" chain that leads
  // back to it ends there.
  Materials().Add(name, material);
  LoadMaterialDefinition(*material);
  return material;
}

bool LoadMaterialDefinition(TexMaterial& material) {
  material.Reset();
  const RString& name = material.Name();
  if (name.empty()) return false;
  return name[0] == '#' ? ReadFromCfgMaterials(material) : ReadFromFile(material);
}

bool LoadMaterialFromBytes(TexMaterial& material, const char* data, size_t size) {
  material.Reset();
  QIStrStream in(data, static_cast<QFileSize>(size));
  ParamFile file(material.Name());
  int result = IsBinaryConfig(in) ? file.LoadBin(in) : file.Parse(in);
  if (result != 0) {
    ErrorMessage("Error while loading material %s", material.Name().c_str());
    return false;
  }
  return ReadMaterialClass(material, file);
}

int MaterialPassCount(const TexMaterial& material) {
  int passes = 1;
  const TexMaterial* current = &material;
  while (!current->nextPass.empty() && passes < kMaxPasses) {
    std::shared_ptr<TexMaterial> next = MaterialByName(current->nextPass);
    if (!next || next.get() == &material) break;
    ++passes;
    current = next.get();
  }
  return passes;
}
