#pragma once
// A world: a square terrain of heights, a coarser grid of land cells each carrying a
// texture index, a table of texture names, and the objects placed on it; plus the data
// derived at load that the runtime format stores so that the game only reads it.
//
// Two sides fill it: the loaders (the source world reader and the runtime world loader)
// and the load-time derivations. The object classification decides, once per model,
// every per-object value the derivations and the format need (the fields of
// `LandscapeObject` below); the derivations only read those fields.
#include <cstdint>
#include <vector>

#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"
#include "lib/shape/matrix4.h"

class ParamClass;

// Kinds of placed object. Static objects (primary, network and building kinds) get
// 60-byte records in the runtime format; the others keep only their cell data.
enum class ObjectKind : int32_t {
  kNone = 0,
  kPrimary = 1,     // plain static scenery: trees, rocks, walls
  kNetwork = 2,     // road and other network pieces
  kTemporary = 4,   // placed objects the game removes or replaces (not static)
  kVehicle = 8,     // objects that move (not static)
  kBuilding = 32,   // houses and other structures
};
inline bool IsStaticKind(ObjectKind kind) {
  return kind == ObjectKind::kPrimary || kind == ObjectKind::kNetwork || kind == ObjectKind::kBuilding;
}

// What a model stands for on the map; a model property (the "map" named property of
// the model's geometry level). Sound map and cell flags read it.
enum class MapType : uint8_t {
  kHide = 0,  // no map meaning
  kTreeHard,
  kTreeSoft,
  kBushHard,
  kBushSoft,
  kForest,
  kHouse,
  kChurch,
  kRock,
  kRoad,
  kFence,
  kWall,
  kBuilding,
  kWater,
};

// How an object counts in the weighted coverage class of its cell.
enum class CoverageWeight : uint8_t {
  kNone = 0,    // not counted (weight 0)
  kNormal = 1,  // area weight 1, count weight 1
  kHeavy = 2,   // area weight 4, count weight 2
};

// One connection piece of the road network kept per land cell.
struct RoadElement {
  AutoArray<Vector3> points;    // at most 4 connection points
  AutoArray<uint8_t> pointBytes;  // one byte per point, for the road code
  int64_t objectId = -1;
  RString modelName;            // "(shape name not known)" when the object is gone
  Matrix4 transform;
};

struct LandscapeObject {
  int32_t id = 0;
  RString modelName;
  Matrix4 transform;  // position in world metres: x east, y up, z north

  // Set by the object classification from the object's model.
  ObjectKind kind = ObjectKind::kNone;
  MapType mapType = MapType::kHide;
  float footprintSize = 0;  // side of the square footprint in metres; 0: not in coverage
  CoverageWeight coverageWeight = CoverageWeight::kNone;
  bool marksCell = false;       // cell flag bit 4 (and its lowering of the other classes)
  bool hasCellProperty = false;  // cell flag bit 14
  bool setsKindBit = false;      // cell flag bit 3
  uint8_t cellFlagByte = 0;      // OR-ed into the cell object flags (3, 4, 8, 16 or 19)
  int32_t recordProperty = 2;    // the last int32 of the 60-byte static record
  RString configClass;           // entity entry: configuration class named by the model
  RString propertyClass;         // entity entry: the model's property class
  // The model names `configClass` but the configuration holds no such class: the object is
  // no entity entry, and saving reports "%s: %s, config class '%s' missing".
  bool configClassMissing = false;
  uint64_t entityValue = 0;      // entity entry: 64-bit value of the object
  AutoArray<Vector3> roadPoints;  // road pieces: connection points in world metres
};

struct LandscapeTexture {
  RString name;  // empty: the entry is unset
  int32_t attribute = -1;
};

class Landscape {
 public:
  // Sizes every grid for the given land and terrain widths (square grids) and cell size,
  // with heights and texture indices 0 and no objects.
  void Resize(int32_t landWidth, int32_t terrainWidth, float cellSize);

  int32_t landWidth = 0, landHeight = 0;
  int32_t terrainWidth = 0, terrainHeight = 0;
  float cellSize = 50.0f;  // metres per land cell

  AutoArray<float> heights;  // terrainHeight x terrainWidth, rows outer
  float minHeight = 0, maxHeight = 0;
  AutoArray<uint16_t> textureIndices;  // landHeight x landWidth, rows outer
  AutoArray<LandscapeTexture> textures;

  AutoArray<LandscapeObject> objects;  // in load order
  int32_t nextIdBase = 0;              // the maximum object id seen

  // The world's name (the file name cut at its first '.') and its CfgWorlds class; the
  // class may be null (no configuration: defaults apply).
  RString worldName;
  const ParamClass* worldClass = nullptr;

  // Derived at load (or read from a runtime world).
  AutoArray<AutoArray<int32_t>> cellObjects;  // per land cell (rows outer): indices into objects
  AutoArray<uint16_t> cellFlags;              // per land cell
  AutoArray<uint8_t> soundMap;                // per land cell
  AutoArray<Vector3> peaks;                   // the Mount locations
  AutoArray<uint8_t> terrainByteMap;          // terrainHeight x terrainWidth
  AutoArray<uint8_t> primaryTextureMap;       // terrainHeight x terrainWidth
  AutoArray<AutoArray<RoadElement>> roads;    // per land cell (rows outer)

  int LandIndex(int x, int z) const { return z * landWidth + x; }
  int TerrainIndex(int x, int z) const { return z * terrainWidth + x; }
};
