#include "lib/shape/odol_model.h"

#include <algorithm>
#include <cstring>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/qo_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "engine/engine_file.h"
#include "engine/process_flags.h"
#include "lib/shape/model_animations.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_lod_order.h"
#include "lib/shape/odol_model_block.h"
#include "lib/shape/point_flags.h"
#include "lib/shape/runtime_lod_block.h"
#include "platform/ascii.h"

namespace {

// Versions before this one are reported as old.
constexpr int kOldVersion = 31;
// Map types below this, and the rocks, never have land-contact flags.
constexpr int kFirstBuildingMapType = 3;
constexpr int kRockMapType = 11;

bool TransferHeader(SerializeBinStream& f, LODShape& model) {
  if (!f.TransferVersion(odol::kMagic, odol::kMagic)) {
    f.SetError(SerializeBinStream::EBadFileType);
    return false;
  }
  if (!f.TransferVersion(odol::kMinVersion, odol::kVersion)) {
    if (f.Ok())
      ErrorMessage("Error: Model %s is in unsupported format %d (current format is %d, minimum supported is %d)",
                   model.Name().c_str(), f.GetVersion(), odol::kVersion, odol::kMinVersion);
    f.SetError(SerializeBinStream::EBadVersion);
    return false;
  }
  f.SetLzoCompression(f.GetVersion() >= odol::kFirstLzoVersion);
  if (f.GetVersion() < kOldVersion) LogMessage("%s: Old model format %d", model.Name().c_str(), f.GetVersion());
  return true;
}

// The resolution table; a load replaces the model's LODs by empty ones.
bool TransferResolutions(SerializeBinStream& f, LODShape& model) {
  int32_t nLods = model.NLods();
  f.Transfer(nLods);
  if (f.IsLoading() && f.Ok() && (nLods < 0 || nLods > LODShape::kMaxLods)) f.SetError(SerializeBinStream::EFileStructure);
  if (!f.Ok()) return false;
  if (f.IsSaving()) {
    for (int i = 0; i < nLods; ++i) {
      float resolution = model.Resolution(i);
      f.Transfer(resolution);
    }
    return f.Ok();
  }
  model.Reset();
  for (int i = 0; i < nLods && f.Ok(); ++i) {
    float resolution = 0.0f;
    f.Transfer(resolution);
    model.AddLod(std::make_shared<Shape>(), resolution);
  }
  return f.Ok();
}

bool TransferAnimationsOf(SerializeBinStream& f, LODShape& model, RuntimeModelInfo& info) {
  // Unless the caller hands records in, a save writes those of the model configuration.
  if (!f.IsLoading() && !info.animations) info.animations = ModelAnimations(model);
  bool present = info.animations.has_value();
  f.Transfer(present);
  if (!f.Ok() || !present) return f.Ok();
  if (f.IsLoading()) info.animations.emplace();
  return TransferRuntimeAnimations(f, *info.animations, model.NLods());
}

RuntimeLodSummary SummaryOf(const Shape& shape) {
  RuntimeLodSummary summary;
  summary.faces = shape.NFaces();
  summary.color = shape.Color();
  summary.special = shape.Special();
  summary.clipOr = shape.Vertices().ClipFlagsOr();
  summary.hasSubSkeleton = shape.SubSkeletonToSkeleton().empty() ? 0 : 1;
  summary.vertices = shape.NVertices();
  summary.value = shape.Area();
  return summary;
}

void TransferSummary(SerializeBinStream& f, RuntimeLodSummary& summary) {
  f.Transfer(summary.faces);
  f.Transfer(summary.color);
  f.Transfer(summary.special);
  f.Transfer(summary.clipOr);
  f.Transfer(summary.hasSubSkeleton);
  f.Transfer(summary.vertices);
  f.Transfer(summary.value);
}

bool TransferPermanentAndSummaries(SerializeBinStream& f, LODShape& model, RuntimeModelInfo& info) {
  int n = model.NLods();
  if (f.IsSaving()) info.permanent = RuntimePermanentFlags(model);
  else info.permanent.assign(static_cast<size_t>(n), 0);
  for (uint8_t& flag : info.permanent) f.Transfer(flag);
  info.summaryLods.clear();
  info.summaries.clear();
  for (int i = 0; i < n && f.Ok(); ++i) {
    if (info.permanent[static_cast<size_t>(i)]) continue;
    RuntimeLodSummary summary;
    if (f.IsSaving() && model.Lod(i)) summary = SummaryOf(*model.Lod(i));
    TransferSummary(f, summary);
    info.summaryLods.push_back(i);
    info.summaries.push_back(summary);
  }
  return f.Ok();
}

bool SaveLodBlocks(SerializeBinStream& f, LODShape& model, RuntimeModelInfo& info,
                   const AutoArray<QFileSize>& startSlots, const AutoArray<QFileSize>& endSlots) {
  int n = model.NLods();
  info.lodStart.assign(static_cast<size_t>(n), -1);
  info.lodEnd.assign(static_cast<size_t>(n), -1);
  info.lodValues.assign(static_cast<size_t>(n), {});
  info.blockOrder = RuntimeBlockOrder(model);
  for (int i : info.blockOrder) {
    size_t slot = static_cast<size_t>(i);
    Shape empty;
    Shape& shape = model.Lod(i) ? *model.Lod(i) : empty;
    info.lodStart[slot] = static_cast<int32_t>(f.TellP());
    TransferRuntimeLod(f, shape, {model.Name(), model.Resolution(i)}, &info.lodValues[slot]);
    info.lodEnd[slot] = static_cast<int32_t>(f.TellP());
    if (!f.Ok()) return false;
  }
  for (int i = 0; i < n; ++i) {
    f.PatchValue(startSlots[static_cast<size_t>(i)], info.lodStart[static_cast<size_t>(i)]);
    f.PatchValue(endSlots[static_cast<size_t>(i)], info.lodEnd[static_cast<size_t>(i)]);
  }
  return f.Ok();
}

bool LoadLodBlocks(SerializeBinStream& f, LODShape& model, RuntimeModelInfo& info) {
  int n = model.NLods();
  QFileSize size = f.TellG() + f.GetRest();
  info.lodValues.assign(static_cast<size_t>(n), {});
  for (int i = 0; i < n; ++i) {
    size_t slot = static_cast<size_t>(i);
    int32_t start = info.lodStart[slot], end = info.lodEnd[slot];
    if (start < 0 || end < start || end > size) {
      f.SetError(SerializeBinStream::EFileStructure);
      return false;
    }
    f.SeekG(start);
    Shape& shape = *model.Lod(i);
    if (!TransferRuntimeLod(f, shape, {model.Name(), model.Resolution(i)}, &info.lodValues[slot])) return false;
    if (f.TellG() != end) {
      f.SetError(SerializeBinStream::EFileStructure);
      return false;
    }
    if (shape.HadWarnings())
      WarningMessage("%s (%s): warnings", model.Name().c_str(), LodKindName(model.Resolution(i)).c_str());
  }
  info.blockOrder.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) info.blockOrder[static_cast<size_t>(i)] = i;
  std::stable_sort(info.blockOrder.begin(), info.blockOrder.end(),
                   [&info](int a, int b) { return info.lodStart[static_cast<size_t>(a)] < info.lodStart[static_cast<size_t>(b)]; });
  return true;
}

// Load: land-contact flags that the model's map type does not allow.
void CheckLandFlags(const LODShape& model) {
  uint32_t land = model.ClipFlagsOr() & clip_flags::kLandMask;
  if (model.Special().landContact < 0 || land == 0) return;
  int mapType = model.PropertyValues().mapType;
  if (mapType < kFirstBuildingMapType || mapType == kRockMapType)
    WarningMessage("%s: wrong land flags %x", model.Name().c_str(), model.ClipFlagsOr());
  const Shape* geometry = model.GeometryLod();
  if (geometry && AsciiEqualIgnoreCase(geometry->PropertyValue("placement"), "slope"))
    WarningMessage("%s: bogus land flags %x", model.Name().c_str(), model.ClipFlagsOr());
}

void AfterSave(LODShape& model) {
  model.Special().shadowLodLimit = CheckShadowLod(model);
  CheckLodOrder(model);
  if (ShrinkModels()) {
    const LODShapeBounds& b = model.Bounds();
    if (!(b.center == b.centerBeforeShrink))
      ErrorMessage("Warning: Bounding center of %s has changed!", model.Name().c_str());
  }
}

}  // namespace

bool TransferRuntimeModel(SerializeBinStream& f, LODShape& model, RuntimeModelInfo* infoOut) {
  RuntimeModelInfo local;
  RuntimeModelInfo& info = infoOut ? *infoOut : local;
  if (!TransferHeader(f, model)) return false;
  info.version = f.GetVersion();
  if (!TransferResolutions(f, model)) return false;
  if (!TransferRuntimeModelBlock(f, model)) return false;
  info.mirrored = model.Mirrored() ? 1 : 0;
  if (!TransferAnimationsOf(f, model, info)) return false;

  int n = model.NLods();
  AutoArray<QFileSize> startSlots, endSlots;
  if (f.IsSaving()) {
    for (int i = 0; i < n; ++i) startSlots.push_back(f.ReserveOffset());
    for (int i = 0; i < n; ++i) endSlots.push_back(f.ReserveOffset());
  } else {
    info.lodStart.assign(static_cast<size_t>(n), -1);
    info.lodEnd.assign(static_cast<size_t>(n), -1);
    for (int32_t& start : info.lodStart) f.Transfer(start);
    for (int32_t& end : info.lodEnd) f.Transfer(end);
  }
  if (!TransferPermanentAndSummaries(f, model, info)) return false;

  if (f.IsSaving()) {
    if (!SaveLodBlocks(f, model, info, startSlots, endSlots)) return false;
    AfterSave(model);
    return f.Ok();
  }
  if (!LoadLodBlocks(f, model, info)) return false;
  CheckLandFlags(model);
  return f.Ok();
}

int SaveRuntimeModel(LODShape& model, QOStream& out, RuntimeModelInfo* info) {
  SerializeBinStream f(&out);
  TransferRuntimeModel(f, model, info);
  if (f.Ok() && out.fail()) f.SetError(SerializeBinStream::EGeneric);
  return f.GetError();
}

bool SaveRuntimeModel(LODShape& model, const RString& path, RuntimeModelInfo* info) {
  QOFStream out;
  if (!out.OpenAtomic(path)) {
    ErrorMessage("Cannot write %s: %s", path.c_str(), std::strerror(out.GetErrorCode()));
    return false;
  }
  int error = SaveRuntimeModel(model, out, info);
  if (error != SerializeBinStream::EOK) {
    out.Discard();
    ErrorMessage("Cannot save %s (error %d)", path.c_str(), error);
    return false;
  }
  if (!out.Close()) {
    ErrorMessage("Cannot write %s: %s", path.c_str(), std::strerror(out.GetErrorCode()));
    return false;
  }
  return true;
}

int LoadRuntimeModel(LODShape& model, QIStream& in, const RString& name, RuntimeModelInfo* info) {
  model.Reset();
  model.SetName(name);
  SerializeBinStream f(&in);
  if (!TransferRuntimeModel(f, model, info)) {
    int error = f.GetError() != SerializeBinStream::EOK ? f.GetError() : SerializeBinStream::EFileStructure;
    model.Reset();
    return error;
  }
  return SerializeBinStream::EOK;
}

bool LoadRuntimeModel(LODShape& model, const RString& path, RuntimeModelInfo* info) {
  QIFStreamB in;
  if (!OpenEngineFile(in, path)) {
    ErrorMessage("Cannot open object %s", path.c_str());
    return false;
  }
  int error = LoadRuntimeModel(model, in, path, info);
  if (error != SerializeBinStream::EOK) {
    ErrorMessage("Cannot load runtime model %s (error %d)", path.c_str(), error);
    return false;
  }
  return true;
}
