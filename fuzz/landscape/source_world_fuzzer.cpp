// Arbitrary bytes through the source world reader, from memory, with the load-time
// derivations (cell objects, cell flags, sound map) over whatever it read.
#include <cstdint>
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/source_world_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    SetNoLogs(true);
    return true;
  }();
  (void)quiet;
  QIStrStream in(data, static_cast<QFileSize>(size));
  Landscape land;
  const int result = LoadSourceWorld(land, in, "fuzz.wrp", SourceWorldSettings{});
  if (result != 0 && result != kSourceWorldFailed) std::abort();
  if (result != 0) return 0;
  // A loaded world is square, sized as its header says, with every texture reference in
  // the table and the grids no larger than the input could fill.
  if (land.landWidth != land.landHeight || land.terrainWidth != land.terrainHeight) std::abort();
  if (land.heights.size() != static_cast<size_t>(land.terrainWidth) * static_cast<size_t>(land.terrainHeight))
    std::abort();
  if (land.heights.size() > size) std::abort();
  if (land.textureIndices.size() != static_cast<size_t>(land.landWidth) * static_cast<size_t>(land.landHeight))
    std::abort();
  for (uint16_t index : land.textureIndices)
    if (index >= land.textures.size() && index != 0) std::abort();
  if (land.cellObjects.size() != land.textureIndices.size()) std::abort();
  return 0;
}
