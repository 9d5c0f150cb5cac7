// kiln dump: a readable account of a file of any format the converter reads or writes.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "lib/animation/animation_dump.h"
#include "lib/landscape/runtime_world_dump.h"
#include "lib/landscape/source_world_dump.h"
#include "lib/shape/runtime_model_dump.h"
#include "lib/shape/source_model_dump.h"
#include "lib/texture/texture_dump.h"
#include "platform/engine_path.h"
#include "platform/host_file.h"
#include "tool/kiln/kiln_command.h"

namespace kiln {
namespace {

using DumpFunction = bool (*)(const RString& path, bool json, std::string& out);

struct FileKind {
  const char* magic;  // the first four bytes
  const char* description;
  DumpFunction dump;
};

const FileKind kKinds[] = {
    {"MLOD", "source model", DumpSourceModel}, {"NLOD", "source model", DumpSourceModel},
    {"P3DM", "source model", DumpSourceModel}, {"SP3X", "source model", DumpSourceModel},
    {"SP3D", "source model", DumpSourceModel}, {"ODOL", "runtime model", DumpRuntimeModel},
    {"0DHT", "texture headers file", DumpTextureFile}, {"RTM_", "source animation", DumpAnimation},
    {"BMTR", "runtime animation", DumpAnimation},
    {"OPRW", "runtime world", DumpRuntimeWorld},   {"8WVR", "source world", DumpSourceWorld},
    {"7WVR", "source world", DumpSourceWorld},     {"6WVR", "source world", DumpSourceWorld},
    {"5WVR", "source world", DumpSourceWorld},     {"4WVR", "source world", DumpSourceWorld},
    {"3WVR", "source world", DumpSourceWorld},     {"2WVR", "source world", DumpSourceWorld},
};

// Textures have no magic of their own: they are known by their extension.
bool IsTexturePath(const std::string& path) {
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos) return false;
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".paa" || extension == ".pac";
}

const FileKind kTexture = {"", "texture", DumpTextureFile};

const FileKind* KindOf(const char (&magic)[4], const std::string& file) {
  for (const FileKind& kind : kKinds) {
    if (std::memcmp(magic, kind.magic, sizeof magic) == 0) return &kind;
  }
  return IsTexturePath(file) ? &kTexture : nullptr;
}

}  // namespace

int RunDump(const std::vector<std::string>& args) {
  bool json = false;
  std::string file;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (file.empty()) {
      file = arg;
    } else {
      std::fprintf(stderr, "kiln dump: one file at a time\n");
      return 2;
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "kiln dump: expected FILE [--json]\n");
    return 2;
  }
  const RString path = ToEnginePath(file);
  std::ifstream in(HostPathOf(path), std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kiln dump: cannot open %s\n", file.c_str());
    return 1;
  }
  char magic[4] = {};
  in.read(magic, sizeof magic);
  const FileKind* kind = KindOf(magic, file);
  if (!kind) {
    std::fprintf(stderr, "kiln dump: %s is not a file kind kiln knows\n", file.c_str());
    return 1;
  }
  std::string out;
  bool ok = kind->dump(path, json, out);
  std::fwrite(out.data(), 1, out.size(), ok ? stdout : stderr);
  if (!ok) std::fprintf(stderr, "kiln dump: %s is a broken %s\n", file.c_str(), kind->description);
  return ok ? 0 : 1;
}

}  // namespace kiln
