// The header and grids of a runtime world, versions 15 to 28.
#include <algorithm>
#include <cmath>

#include "el/qstream/serialize_bin_stream.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/packed_quad_tree.h"
#include "lib/landscape/runtime_world.h"
#include "lib/landscape/runtime_world_parts.h"

namespace {

constexpr int kGridTag = MakeMagic("0MLQ");
constexpr int32_t kMaxGridWidth = 32768;

// One grid as a packed quad tree of `Element`s (cells outside the grid hold 0).
template <class Element>
bool TransferGridTree(SerializeBinStream& f, AutoArray<Element>& grid, int width, size_t RuntimeWorldInfo::*bytes) {
  PackedQuadTree tree(width, width, sizeof(Element), 0);
  if (f.IsSaving()) tree.Build(grid.data(), 0);
  if (!tree.Transfer(f)) return false;
  if (f.IsLoading()) tree.Extract(grid.data());
  if (auto* info = f.Context<RuntimeWorldInfo>()) info->*bytes = tree.SerializedSize();
  return true;
}

}  // namespace

bool LoadedBlockFits(SerializeBinStream& f, uint64_t bytes, bool compressed) {
  // The most bytes one stored byte can stand for (an LZO1X run extension, eight LZSS
  // references behind one flag byte).
  uint64_t expansion = 1;
  if (compressed && bytes >= SerializeBinStream::kMinCompressedBlockSize) expansion = f.GetLzoCompression() ? 256 : 9;
  if (bytes > SerializeBinStream::kMaxLoadedBlockSize || bytes / expansion > static_cast<uint64_t>(f.GetRest())) {
    f.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  return true;
}

bool SizeLoadedWorld(SerializeBinStream& f, Landscape& land, int32_t landWidth, int32_t landHeight,
                     int32_t terrainWidth, int32_t terrainHeight, float cellSize, uint64_t bytesPerLandCell) {
  if (!f.Ok()) return false;
  // An empty world (a failed load saved as it stands) has grids of 0 cells.
  if (landWidth != landHeight || terrainWidth != terrainHeight || landWidth < 0 || terrainWidth < 0 ||
      landWidth > kMaxGridWidth || terrainWidth > kMaxGridWidth || !std::isfinite(cellSize) || cellSize <= 0) {
    f.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  const uint64_t landCells = static_cast<uint64_t>(landWidth) * static_cast<uint64_t>(landWidth);
  const uint64_t samples = static_cast<uint64_t>(terrainWidth) * static_cast<uint64_t>(terrainWidth);
  if ((bytesPerLandCell > 0 && landCells > static_cast<uint64_t>(f.GetRest()) / bytesPerLandCell) ||
      !LoadedBlockFits(f, samples * sizeof(float), true))
    return false;
  try {
    land.Resize(landWidth, terrainWidth, cellSize);
  } catch (const std::bad_alloc&) {
    f.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  return true;
}

bool TransferWorldGrids(SerializeBinStream& f, Landscape& land) {
  const int version = f.GetVersion();
  if (version >= 28) {
    int32_t tag = kGridTag;
    f.Transfer(tag);
    if (f.Ok() && tag != kGridTag) f.SetError(SerializeBinStream::EFileStructure);
  }
  if (version >= 25) {
    int32_t identifier = 0;  // the converter writes 0
    f.Transfer(identifier);
  }
  int32_t landWidth = land.landWidth, landHeight = land.landWidth;
  int32_t terrainWidth = land.terrainWidth, terrainHeight = land.terrainWidth;
  float cellSize = land.cellSize;
  f.Transfer(landWidth);
  f.Transfer(landHeight);
  f.Transfer(terrainWidth);
  f.Transfer(terrainHeight);
  f.Transfer(cellSize);
  // The road block alone holds four bytes per land cell.
  if (f.IsLoading() && !SizeLoadedWorld(f, land, landWidth, landHeight, terrainWidth, terrainHeight, cellSize, 4))
    return false;
  if (!f.Ok()) return false;

  if (!TransferGridTree(f, land.cellFlags, landWidth, &RuntimeWorldInfo::cellFlagTreeBytes)) return false;
  if (!TransferGridTree(f, land.soundMap, landWidth, &RuntimeWorldInfo::soundMapTreeBytes)) return false;
  // Highest first.
  if (f.IsSaving())
    std::stable_sort(land.peaks.begin(), land.peaks.end(),
                     [](const Vector3& a, const Vector3& b) { return a.y > b.y; });
  f.TransferArray(land.peaks);
  if (!TransferGridTree(f, land.textureIndices, landWidth, &RuntimeWorldInfo::textureTreeBytes)) return false;

  const size_t samples = static_cast<size_t>(terrainWidth) * static_cast<size_t>(terrainWidth);
  if (version >= 18) f.TransferBinary(land.terrainByteMap.data(), samples, true);
  if (version >= 22) f.TransferBinary(land.primaryTextureMap.data(), samples, true);
  f.TransferBinary(land.heights.data(), samples * sizeof(float), true);
  if (!f.Ok()) return false;
  if (f.IsLoading() && !land.heights.empty()) {
    const auto [low, high] = std::minmax_element(land.heights.begin(), land.heights.end());
    land.minHeight = *low;
    land.maxHeight = *high;
  }

  // The byte after each name is written 0 and ignored on load; the attribute is not stored.
  f.TransferArray(land.textures, [](SerializeBinStream& s, LandscapeTexture& texture) {
    s.TransferString(texture.name);
    uint8_t reserved = 0;
    s.Transfer(reserved);
    if (s.IsLoading()) texture.attribute = -1;
  });
  return f.Ok();
}
