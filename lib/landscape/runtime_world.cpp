#include "lib/landscape/runtime_world.h"

#include <cstring>

#include "el/appframe/app_frame.h"
#include "el/qstream/qo_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "el/qstream/stream_report.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/runtime_world_parts.h"

namespace {

constexpr int kWorldMagic = MakeMagic("OPRW");
// Version 23 and up stores its blocks with LZO1X, older ones with LZSS.
constexpr int kFirstLzoVersion = 23;

bool IsReadableVersion(int version) {
  return version == kOldRuntimeWorldVersion || (version >= kMinRuntimeWorldVersion && version <= kRuntimeWorldVersion);
}

}  // namespace

bool TransferRuntimeWorld(SerializeBinStream& f, Landscape& land, const RString& worldName, int saveVersion) {
  if (f.IsSaving() && saveVersion == kOldRuntimeWorldVersion)
    ReportAtSource("lib/landsave", __LINE__, "No longer supported");
  if (f.IsSaving() && !IsReadableVersion(saveVersion)) {
    f.SetError(SerializeBinStream::EGeneric);
    return false;
  }
  if (!f.TransferVersion(kWorldMagic, kWorldMagic)) {
    f.SetError(SerializeBinStream::EBadFileType);
    return false;
  }
  const int minVersion = f.IsSaving() ? saveVersion : kOldRuntimeWorldVersion;
  const int maxVersion = f.IsSaving() ? saveVersion : kRuntimeWorldVersion;
  const bool inRange = f.TransferVersion(minVersion, maxVersion);
  if (!f.Ok()) return false;
  if (!inRange || !IsReadableVersion(f.GetVersion())) {
    ErrorMessage("Bad version %d in landscape %s", f.GetVersion(), worldName.c_str());
    f.SetError(SerializeBinStream::EBadVersion);
    return false;
  }
  f.SetLzoCompression(f.GetVersion() >= kFirstLzoVersion);
  if (auto* info = f.Context<RuntimeWorldInfo>()) info->version = f.GetVersion();
  if (f.GetVersion() == kOldRuntimeWorldVersion) return TransferOldWorld(f, land, worldName);
  return TransferWorldGrids(f, land) && TransferWorldObjects(f, land, worldName);
}

int SaveRuntimeWorld(Landscape& land, QOStream& out, bool oldFormat) {
  SerializeBinStream f(&out);
  TransferRuntimeWorld(f, land, land.worldName, oldFormat ? kOldRuntimeWorldVersion : kRuntimeWorldVersion);
  if (f.Ok() && out.fail()) f.SetError(SerializeBinStream::EGeneric);
  return f.GetError();
}

bool SaveRuntimeWorld(Landscape& land, const RString& path, bool oldFormat) {
  QOFStream out;
  if (!out.OpenAtomic(path)) {
    ErrorMessage("Cannot write %s: %s", path.c_str(), std::strerror(out.GetErrorCode()));
    ErrorMessage("Cannot save world '%s'", path.c_str());
    return false;
  }
  if (SaveRuntimeWorld(land, out, oldFormat) != SerializeBinStream::EOK) {
    out.Discard();
    ErrorMessage("Cannot save world '%s'", path.c_str());
    return false;
  }
  if (!out.Close()) {
    ErrorMessage("Cannot write %s: %s", path.c_str(), std::strerror(out.GetErrorCode()));
    ErrorMessage("Cannot save world '%s'", path.c_str());
    return false;
  }
  return true;
}

int LoadRuntimeWorld(Landscape& land, QIStream& in, const RString& worldName, RuntimeWorldInfo* info) {
  // Version 3 stores no cell size: the landscape's own is kept.
  const float cellSize = land.cellSize;
  land.Resize(0, 0, cellSize);
  land.textures.clear();
  SerializeBinStream f(&in);
  f.SetContext(info);
  if (!TransferRuntimeWorld(f, land, worldName)) {
    const int error = f.GetError() != SerializeBinStream::EOK ? f.GetError() : SerializeBinStream::EFileStructure;
    land.Resize(0, 0, cellSize);
    land.textures.clear();
    return error;
  }
  return SerializeBinStream::EOK;
}
