#include "lib/landscape/landscape_post_load.h"

#include "el/appframe/app_frame.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_derive.h"
#include "lib/landscape/landscape_peaks.h"
#include "lib/landscape/primary_texture_map.h"
#include "lib/landscape/road_network.h"

void RecomputePeaksAndDropRoads(Landscape& land) {
  FindPeaks(land);
  DropRoadNetwork(land);
}

void InitGeography(Landscape& land) {
  DeriveCellData(land);
  BuildPrimaryTextureMap(land);
  BuildRoadNetwork(land);
  LogMessage("[InitGeography] done");
}
