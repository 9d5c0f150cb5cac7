#include "lib/shape/prepare_properties.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "el/appframe/app_frame.h"
#include "lib/shape/lod_shape.h"
#include "platform/ascii.h"

namespace {

constexpr std::string_view kMapTypes[] = {
    "TREE",        "SMALL TREE", "BUSH",      "BUILDING",    "HOUSE",     "FOREST BORDER", "FOREST TRIANGLE",
    "FOREST SQUARE", "CHURCH",   "CHAPEL",    "CROSS",       "ROCK",      "BUNKER",        "FORTRESS",
    "FOUNTAIN",    "VIEW-TOWER", "LIGHTHOUSE", "QUAY",       "FUELSTATION", "HOSPITAL",    "FENCE",
    "WALL",        "HIDE",       "BUSSTOP",   "ROAD",        "FOREST",    "TRANSMITTER",   "STACK",
    "RUIN",        "TOURISM",    "WATERTOWER", "TRACK",      "MAIN ROAD", "ROCKS",         "POWER LINES",
    "RAILWAY",     "SHIPWRECK",  "TSHELTER",  "TSIGN",       "MONUMENT",  "WATERPUMP",     "POLICE",
    "STORE",       "FIREDEP",    "WATERSPRING",
};
static_assert(std::size(kMapTypes) == 45);

constexpr float kMinDrawImportance = 0.001f;
constexpr float kMaxDrawImportance = 10000.0f;
constexpr float kSmallestArmor = 1e-10f;
constexpr float kNoInverse = 1e10f;

// The LOD density coefficient: 0.02 for boxes with a diagonal below 2.5, 0.1 above 10,
// linear in between.
constexpr float kSmallDiagonal = 2.5f;
constexpr float kLargeDiagonal = 10.0f;
constexpr float kSmallDensity = 0.02f;
constexpr float kLargeDensity = 0.1f;
constexpr float kDensitySlope = 0.010666667f;

bool Number(const LODShape& model, std::string_view name, bool fallback) {
  return GeometryNumber(model, name, fallback ? 1.0f : 0.0f) != 0.0f;
}

RString Text(const LODShape& model, std::string_view name) {
  const RString* value = GeometryProperty(model, name);
  return value ? *value : RString();
}

}  // namespace

int MapTypeIndex(std::string_view value, const RString& modelName) {
  if (value.empty()) return kDefaultMapType;
  for (size_t i = 0; i < std::size(kMapTypes); ++i)
    if (AsciiEqualIgnoreCase(value, kMapTypes[i])) return static_cast<int>(i);
  WarningMessage("%s: Unknown map type %s", modelName.c_str(), RString(value).c_str());
  return kDefaultMapType;
}

const RString* GeometryProperty(const LODShape& model, std::string_view name) {
  const Shape* geometry = model.GeometryLod();
  return geometry ? geometry->Properties().Find(name) : nullptr;
}

float GeometryNumber(const LODShape& model, std::string_view name, float fallback) {
  const RString* value = GeometryProperty(model, name);
  return value ? static_cast<float>(std::atof(value->c_str())) : fallback;
}

void ReadPlacementProperties(LODShape& model) {
  LODShapePropertyValues& values = model.PropertyValues();
  values.mapType = MapTypeIndex(Text(model, "map"), model.Name());
  values.generateOffMeshConnections = Number(model, "generateoffmeshconnections", true);
  values.autoCenter = Number(model, "autocenter", true);
}

void ReadObjectProperties(LODShape& model) {
  LODShapePropertyValues& values = model.PropertyValues();
  values.canOcclude = Number(model, "canocclude", false);
  values.canBeOccluded = Number(model, "canbeoccluded", false);
  values.className = Text(model, "class");
  values.damage = Text(model, "damage");
  if (values.damage.empty()) values.damage = Text(model, "dammage");
  values.frequent = Number(model, "frequent", false);
  if (GeometryProperty(model, "avoidGrassUpdate")) values.avoidGrassUpdate = !Number(model, "avoidGrassUpdate", false);
  LODShapeBounds& bounds = model.Bounds();
  bounds.armor = GeometryNumber(model, "armor", bounds.armor);
  bounds.invArmor = bounds.armor <= kSmallestArmor ? kNoInverse : 1.0f / bounds.armor;
  float importance = GeometryNumber(model, "drawimportance", 1.0f);
  if (std::isnan(importance)) importance = 1.0f;
  values.drawImportance = std::clamp(importance, kMinDrawImportance, kMaxDrawImportance);
  values.forceNotAlpha = Number(model, "forcenotalpha", false);
  if (GeometryProperty(model, "shadowoffset")) values.shadowOffset = GeometryNumber(model, "shadowoffset", 0.0f);
}

void ComputeLodDensity(LODShape& model) {
  LODShapeBounds& bounds = model.Bounds();
  if (bounds.lodDensityCoefSet) return;
  float dx = bounds.max.x - bounds.min.x, dy = bounds.max.y - bounds.min.y, dz = bounds.max.z - bounds.min.z;
  float d = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (d < kSmallDiagonal) bounds.lodDensityCoef = kSmallDensity;
  else if (d > kLargeDiagonal) bounds.lodDensityCoef = kLargeDensity;
  else bounds.lodDensityCoef = kSmallDensity + (d - kSmallDiagonal) * kDensitySlope;
  bounds.lodDensityCoefSet = true;
}
