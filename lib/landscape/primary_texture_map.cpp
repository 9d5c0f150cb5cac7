#include "lib/landscape/primary_texture_map.h"

#include <algorithm>
#include <chrono>

#include "el/appframe/app_frame.h"
#include "lib/landscape/landscape.h"

void BuildPrimaryTextureMap(Landscape& land) {
  const auto start = std::chrono::steady_clock::now();
  const size_t samples = static_cast<size_t>(land.terrainWidth) * static_cast<size_t>(land.terrainHeight);
  land.primaryTextureMap.assign(samples, 0);
  if (samples > 0 && land.landWidth > 0 &&
      land.textureIndices.size() >= static_cast<size_t>(land.landWidth) * land.landHeight) {
    const int r = std::max(1, land.terrainWidth / land.landWidth);
    for (int z = 0; z < land.terrainHeight; ++z) {
      const int cz = std::min(z / r, land.landHeight - 1);
      uint8_t* row = land.primaryTextureMap.data() + static_cast<size_t>(z) * land.terrainWidth;
      for (int x = 0; x < land.terrainWidth; ++x) {
        const uint16_t index =
            land.textureIndices[static_cast<size_t>(land.LandIndex(std::min(x / r, land.landWidth - 1), cz))];
        row[x] = static_cast<uint8_t>(std::min<uint16_t>(index, 255));
      }
    }
  }
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  LogMessage("Init primary texture mapping (%s): %d ms", land.worldName.c_str(), static_cast<int>(ms));
}
