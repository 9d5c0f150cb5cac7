// Arbitrary bytes through the runtime world load. What loads must be consistent, and must
// save (in both versions) and load again with the same objects.
#include <cstdint>
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/runtime_world.h"

namespace {

void CheckWorld(const Landscape& land) {
  const size_t cells = static_cast<size_t>(land.landWidth) * static_cast<size_t>(land.landWidth);
  const size_t samples = static_cast<size_t>(land.terrainWidth) * static_cast<size_t>(land.terrainWidth);
  if (land.cellFlags.size() != cells || land.soundMap.size() != cells || land.textureIndices.size() != cells ||
      land.cellObjects.size() != cells || land.roads.size() != cells || land.heights.size() != samples)
    std::abort();
  size_t listed = 0;
  for (const AutoArray<int32_t>& cell : land.cellObjects) {
    listed += cell.size();
    for (int32_t index : cell)
      if (index < 0 || static_cast<size_t>(index) >= land.objects.size()) std::abort();
  }
  if (listed != land.objects.size()) std::abort();
  for (const AutoArray<RoadElement>& cell : land.roads)
    for (const RoadElement& element : cell)
      if (element.points.size() > 4 || element.pointBytes.size() != element.points.size()) std::abort();
}

void SaveAndReload(Landscape& land, bool oldFormat) {
  QOStrStream out;
  if (SaveRuntimeWorld(land, out, oldFormat) != 0) std::abort();
  const std::string saved = out.Str();
  QIStrStream again(saved.data(), static_cast<QFileSize>(saved.size()));
  Landscape reloaded;
  reloaded.cellSize = land.cellSize;
  if (LoadRuntimeWorld(reloaded, again, "fuzz") != 0) std::abort();
  CheckWorld(reloaded);
  if (!oldFormat && reloaded.objects.size() != land.objects.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetNoLogs(true);
  QIStrStream in(data, static_cast<QFileSize>(size));
  Landscape land;
  if (LoadRuntimeWorld(land, in, "fuzz") == 0) {
    CheckWorld(land);
    SaveAndReload(land, false);
    SaveAndReload(land, true);
  }
  return 0;
}
