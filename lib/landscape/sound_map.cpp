// The sound map of a world: per land cell one byte of four 2-bit levels (0 to 3), one
// per environment type: 0 water (bits 0-1), 1 vegetation (2-3), 2 open land (4-5),
// 3 buildings (6-7). Objects and water spread their strength into the cells around them.
#include <algorithm>
#include <cmath>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_class.h"
#include "el/paramfile/param_entry.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_derive.h"

namespace {

constexpr int kWaterType = 0, kVegetationType = 1, kOpenType = 2, kBuildingType = 3;
constexpr uint16_t kPartialWaterBits = 0x60;

struct SoundStrengths {
  float treeHard = 0.5f, treeSoft = 0.33f, bushHard = 0.1f, bushSoft = 0.03f, forest = 1.0f;
  float house = 0.5f, church = 1.0f;
  float attenuation = 0;
};

void ReadFloat(const ParamClass& cls, std::string_view name, float& value) {
  ParamFindResult found = cls.Find(name, false, true);
  if (!found || found.entry->IsClass() || found.entry->IsArray()) return;
  value = ParamEntryVal(found).GetFloat();
}

// From the world's class: SoundMapValues and soundMapAttenCoef; defaults without a class.
SoundStrengths ReadStrengths(const ParamClass* worldClass) {
  SoundStrengths s;
  if (!worldClass) return s;
  ParamFindResult values = worldClass->Find("SoundMapValues", false, true);
  if (values && values.entry->IsClass()) {
    const ParamClass& cls = *values.entry->GetClassInterface();
    ReadFloat(cls, "treehard", s.treeHard);
    ReadFloat(cls, "treesoft", s.treeSoft);
    ReadFloat(cls, "bushhard", s.bushHard);
    ReadFloat(cls, "bushsoft", s.bushSoft);
    ReadFloat(cls, "forest", s.forest);
    ReadFloat(cls, "house", s.house);
    ReadFloat(cls, "church", s.church);
  }
  ReadFloat(*worldClass, "soundMapAttenCoef", s.attenuation);
  return s;
}

int Level(uint8_t value, int type) { return (value >> (2 * type)) & 3; }

void SetLevel(uint8_t& value, int type, int level) {
  if (type < 0 || type > 3) {
    ErrorMessage("Bad EnvType");
    return;
  }
  value = static_cast<uint8_t>((value & ~(3u << (2 * type))) | (std::clamp(level, 0, 3) << (2 * type)));
}

void Spread(Landscape& land, int x, int z, int type, float strength, int radius, float attenuation) {
  const int width = land.landWidth;
  for (int dz = -radius; dz <= radius; ++dz) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const int cx = x + dx, cz = z + dz;
      if (cx < 0 || cz < 0 || cx >= width || cz >= width) continue;
      const float q = static_cast<float>(dx * dx + dz * dz) / static_cast<float>(radius * radius);
      const float v = strength * (q > 0 ? attenuation / q : 1.0f);
      uint8_t& cell = land.soundMap[land.LandIndex(cx, cz)];
      if (static_cast<float>(Level(cell, type)) / 3.0f < v)
        SetLevel(cell, type, static_cast<int>(std::lround(v * 3.0f)));
    }
  }
}

}  // namespace

void DeriveSoundMap(Landscape& land) {
  const int width = land.landWidth;
  const size_t cells = static_cast<size_t>(width) * static_cast<size_t>(width);
  land.soundMap.assign(cells, 0);
  if (cells == 0 || land.cellObjects.size() != cells) return;
  const SoundStrengths s = ReadStrengths(land.worldClass);
  // The map types in object order: the cells read these bytes instead of each object.
  AutoArray<MapType> mapTypes(land.objects.size());
  for (size_t i = 0; i < land.objects.size(); ++i) mapTypes[i] = land.objects[i].mapType;
  for (int z = 0; z < width; ++z) {
    for (int x = 0; x < width; ++x) {
      float vegetation = 0, buildings = 0;
      for (int32_t index : land.cellObjects[land.LandIndex(x, z)]) {
        switch (mapTypes[index]) {
          case MapType::kTreeHard: vegetation += s.treeHard; break;
          case MapType::kTreeSoft: vegetation += s.treeSoft; break;
          case MapType::kBushHard: vegetation += s.bushHard; break;
          case MapType::kBushSoft: vegetation += s.bushSoft; break;
          case MapType::kForest: vegetation += s.forest; break;
          case MapType::kHouse: buildings += s.house; break;
          case MapType::kChurch: buildings += s.church; break;
          default: break;
        }
      }
      if (vegetation > 0) Spread(land, x, z, kVegetationType, vegetation, 1, s.attenuation);
      if (buildings > 0) Spread(land, x, z, kBuildingType, buildings, 1, s.attenuation);
    }
  }
  if (land.cellFlags.size() == cells) {
    for (int z = 0; z < width; ++z)
      for (int x = 0; x < width; ++x)
        if (land.cellFlags[land.LandIndex(x, z)] & kPartialWaterBits)
          Spread(land, x, z, kWaterType, 1.0f, 2, s.attenuation);
  }
  for (uint8_t& cell : land.soundMap) {
    const float a = static_cast<float>(Level(cell, kWaterType)) / 3.0f;
    const float b = static_cast<float>(Level(cell, kVegetationType)) / 3.0f;
    const float d = static_cast<float>(Level(cell, kBuildingType)) / 3.0f;
    SetLevel(cell, kOpenType, static_cast<int>(std::lround(3.0f * (1 - a) * (1 - b) * (1 - d))));
  }
}
