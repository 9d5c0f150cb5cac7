// The older runtime world layout (version 3, written with -GX1): one grid size for land
// and terrain, plain compressed grids instead of packed quad trees, and a flat object list
// (id, model index, transform) ended by the id -1. Its blocks use LZSS.
//
// A world whose terrain grid is finer than its land grid cannot be stored as it is: the
// heights are written at land-grid resolution (every r-th sample, r = terrain width / land
// width) with a warning, so that the file stays consistent.
#include <algorithm>
#include <unordered_map>

#include "el/appframe/app_frame.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/landscape/cell_walk.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_derive.h"
#include "lib/landscape/runtime_world.h"
#include "lib/landscape/runtime_world_parts.h"

namespace {

constexpr int32_t kEndOfObjects = -1;

// Bit 3 of the 16-bit flags is stored at bits 3 and 4 of the 32-bit value.
uint32_t WidenCellFlags(uint16_t f) { return (f & 0xFu) | ((static_cast<uint32_t>(f) << 1) & ~0xFu); }
uint16_t NarrowCellFlags(uint32_t v) { return static_cast<uint16_t>(((v >> 1) & 0x7FFFFFF8u) | (v & 7u)); }

// Save: the heights resampled at land-grid resolution (for a finer terrain grid).
AutoArray<float> HeightsAtLandGrid(const Landscape& land, const RString& worldName) {
  WarningMessage(
      "World %s: terrain grid %d differs from land grid %d; version 3 stores heights at land grid resolution",
      worldName.c_str(), land.terrainWidth, land.landWidth);
  AutoArray<float> heights(static_cast<size_t>(land.landWidth) * land.landWidth, 0.0f);
  const int ratio = std::max(1, land.terrainWidth / std::max(land.landWidth, 1));
  const int last = land.terrainWidth - 1;
  for (int z = 0; z < land.landWidth && last >= 0; ++z)
    for (int x = 0; x < land.landWidth; ++x)
      heights[land.LandIndex(x, z)] =
          land.heights[land.TerrainIndex(std::min(x * ratio, last), std::min(z * ratio, last))];
  return heights;
}

bool TransferObjectList(SerializeBinStream& f, Landscape& land) {
  AutoArray<RString> modelNames;
  std::unordered_map<RString, int32_t> modelIndex;
  AutoArray<int32_t> order;  // save: the static objects, column outer and row inner
  if (f.IsSaving()) {
    if (land.cellObjects.size() != land.textureIndices.size()) BuildCellObjects(land);
    const AutoArray<int> cells = FilledCellsByColumn(land.landWidth, land.cellObjects);
    VisitCellLists(cells, land.cellObjects, land.objects, [&](int, const AutoArray<int32_t>& list) {
      for (int32_t index : list) {
        const LandscapeObject& object = land.objects[index];
        if (!IsStaticKind(object.kind)) continue;
        if (modelIndex.emplace(object.modelName, static_cast<int32_t>(modelNames.size())).second)
          modelNames.push_back(object.modelName);
        order.push_back(index);
      }
    });
  }
  f.TransferArray(modelNames, [](SerializeBinStream& s, RString& name) { s.TransferString(name); });
  if (!f.Ok()) return false;
  RuntimeWorldInfo* info = f.Context<RuntimeWorldInfo>();
  auto note = [&](const LandscapeObject& object, int32_t model) {
    if (info && info->firstRecords.size() < RuntimeWorldInfo::kFirstRecords)
      info->firstRecords.push_back({object.id, model, object.transform.position, object.recordProperty});
  };
  if (info) {
    info->modelNames = modelNames;
    info->firstRecords.clear();
  }
  if (f.IsSaving()) {
    for (int32_t index : order) {
      LandscapeObject& object = land.objects[index];
      int32_t model = modelIndex.at(object.modelName);
      f.Transfer(object.id);
      f.Transfer(model);
      f.TransferBinary(&object.transform, sizeof(object.transform), false);
      note(object, model);
    }
    int32_t end = kEndOfObjects;
    f.Transfer(end);
    return f.Ok();
  }
  int32_t maxId = 0;
  for (;;) {
    int32_t id = 0;
    f.Transfer(id);
    if (!f.Ok()) return false;
    if (id == kEndOfObjects) break;
    LandscapeObject object;
    int32_t model = -1;
    f.Transfer(model);
    f.TransferBinary(&object.transform, sizeof(object.transform), false);
    if (!f.Ok()) return false;
    if (model < 0 || static_cast<size_t>(model) >= modelNames.size()) {
      f.SetError(SerializeBinStream::EFileStructure);
      return false;
    }
    object.id = id;
    object.modelName = modelNames[model];
    object.kind = ObjectKind::kPrimary;  // the file keeps only static objects, not their kind
    maxId = std::max(maxId, id);
    note(object, model);
    land.objects.push_back(std::move(object));
  }
  land.nextIdBase = maxId;
  BuildCellObjects(land);
  return true;
}

}  // namespace

bool TransferOldWorld(SerializeBinStream& f, Landscape& land, const RString& worldName) {
  int32_t sizes[4] = {land.landWidth, land.landWidth, land.landWidth, land.landWidth};
  for (int32_t& size : sizes) f.Transfer(size);
  // Cell flags widened to four bytes a cell, compressed.
  if (f.IsLoading() && !SizeLoadedWorld(f, land, sizes[0], sizes[1], sizes[2], sizes[3], land.cellSize, 0))
    return false;
  if (f.IsLoading() && !LoadedBlockFits(f, static_cast<uint64_t>(sizes[0]) * sizes[0] * 4, true)) return false;
  if (!f.Ok()) return false;
  const size_t cells = static_cast<size_t>(land.landWidth) * land.landWidth;

  AutoArray<uint32_t> wideFlags(cells);
  if (f.IsSaving()) std::transform(land.cellFlags.begin(), land.cellFlags.end(), wideFlags.begin(), WidenCellFlags);
  f.TransferBinary(wideFlags.data(), cells * sizeof(uint32_t), true);
  if (f.IsLoading() && f.Ok())
    std::transform(wideFlags.begin(), wideFlags.end(), land.cellFlags.begin(), NarrowCellFlags);
  AutoArray<uint32_t>().swap(wideFlags);

  f.TransferBinary(land.soundMap.data(), cells, true);
  if (f.IsSaving())
    std::stable_sort(land.peaks.begin(), land.peaks.end(),
                     [](const Vector3& a, const Vector3& b) { return a.y > b.y; });
  f.TransferArray(land.peaks);
  f.TransferBinary(land.textureIndices.data(), cells * sizeof(uint16_t), true);
  if (f.IsSaving()) {
    AutoArray<int32_t> reserved(cells, 0);
    f.TransferBinary(reserved.data(), cells * sizeof(int32_t), true);
  } else {
    f.SkipBinary(cells * sizeof(int32_t), true);
  }

  if (f.IsSaving()) {
    AutoArray<float> resampled;
    if (land.terrainWidth != land.landWidth) resampled = HeightsAtLandGrid(land, worldName);
    AutoArray<float>& heights = land.terrainWidth != land.landWidth ? resampled : land.heights;
    f.TransferBinary(heights.data(), heights.size() * sizeof(float), true);
  } else {
    f.TransferBinary(land.heights.data(), land.heights.size() * sizeof(float), true);
    if (f.Ok() && !land.heights.empty()) {
      const auto [low, high] = std::minmax_element(land.heights.begin(), land.heights.end());
      land.minHeight = *low;
      land.maxHeight = *high;
    }
  }

  // The byte after each name is written 1 in this version.
  f.TransferArray(land.textures, [](SerializeBinStream& s, LandscapeTexture& texture) {
    s.TransferString(texture.name);
    uint8_t reserved = 1;
    s.Transfer(reserved);
    if (s.IsLoading()) texture.attribute = -1;
  });
  if (!f.Ok()) return false;
  return TransferObjectList(f, land);
}
