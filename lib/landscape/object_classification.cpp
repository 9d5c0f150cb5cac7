#include "lib/landscape/object_classification.h"

#include <cmath>
#include <iterator>
#include <string_view>

#include "el/paramfile/param_file.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/prepare_properties.h"
#include "platform/ascii.h"

namespace {

// Which objects count in the coverage of their cell, and how.
enum class Cover : uint8_t {
  kNo,      // no footprint: roads, fences, walls, signs
  kSoft,    // a footprint that does not weigh (soft vegetation, bent by what passes)
  kNormal,  // a footprint of weight 1
  kHeavy,   // a footprint of weight 4 (area) and 2 (count): forests
};

// Trees and bushes are hard when the model has a geometry level (they stop what hits
// them), soft otherwise.
enum class Vegetation : uint8_t { kNo, kTree, kBush };

struct MapRow {
  std::string_view mapName;  // the model's "map" property
  MapType mapType;
  ObjectKind kind;
  Cover cover;
  uint8_t cellFlagByte;  // what the object adds to its cell's object flags
  bool marksCell;        // passable ground through the cell (clears its hardest classes)
  Vegetation vegetation;
};

// The map table: one row per map type a model can name. Map types not listed (and models
// without "map") take the row of "HIDE".
constexpr MapRow kMapRows[] = {
    // Vegetation: flag byte 3; trees and bushes hard or soft by their geometry.
    {"TREE", MapType::kTreeHard, ObjectKind::kPrimary, Cover::kNormal, 3, false, Vegetation::kTree},
    {"SMALL TREE", MapType::kTreeHard, ObjectKind::kPrimary, Cover::kNormal, 3, false, Vegetation::kTree},
    {"BUSH", MapType::kBushHard, ObjectKind::kPrimary, Cover::kNormal, 3, false, Vegetation::kBush},
    // Forest pieces cover their cell densely: the heavy weight.
    {"FOREST", MapType::kForest, ObjectKind::kPrimary, Cover::kHeavy, 3, false, Vegetation::kNo},
    {"FOREST BORDER", MapType::kForest, ObjectKind::kPrimary, Cover::kHeavy, 3, false, Vegetation::kNo},
    {"FOREST TRIANGLE", MapType::kForest, ObjectKind::kPrimary, Cover::kHeavy, 3, false, Vegetation::kNo},
    {"FOREST SQUARE", MapType::kForest, ObjectKind::kPrimary, Cover::kHeavy, 3, false, Vegetation::kNo},
    // Houses and churches feed the sound map's building level; buildings: flag byte 16.
    {"HOUSE", MapType::kHouse, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"CHURCH", MapType::kChurch, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"CHAPEL", MapType::kChurch, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    // Other structures: buildings without a sound of their own.
    {"BUILDING", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"BUNKER", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"FORTRESS", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"VIEW-TOWER", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"LIGHTHOUSE", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"FUELSTATION", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"HOSPITAL", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"TRANSMITTER", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"STACK", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"RUIN", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"TOURISM", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"WATERTOWER", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"POLICE", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"STORE", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"FIREDEP", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"BUSSTOP", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"TSHELTER", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"SHIPWRECK", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    {"MONUMENT", MapType::kBuilding, ObjectKind::kBuilding, Cover::kNormal, 16, false, Vegetation::kNo},
    // Rocks block like structures but stay plain scenery.
    {"ROCK", MapType::kRock, ObjectKind::kPrimary, Cover::kNormal, 4, false, Vegetation::kNo},
    {"ROCKS", MapType::kRock, ObjectKind::kPrimary, Cover::kNormal, 4, false, Vegetation::kNo},
    // Road network pieces: flag byte 8, and the ground of their cell is passable.
    {"ROAD", MapType::kRoad, ObjectKind::kNetwork, Cover::kNo, 8, true, Vegetation::kNo},
    {"MAIN ROAD", MapType::kRoad, ObjectKind::kNetwork, Cover::kNo, 8, true, Vegetation::kNo},
    {"TRACK", MapType::kRoad, ObjectKind::kNetwork, Cover::kNo, 8, true, Vegetation::kNo},
    {"RAILWAY", MapType::kRoad, ObjectKind::kNetwork, Cover::kNo, 8, false, Vegetation::kNo},
    // Thin barriers: no footprint.
    {"FENCE", MapType::kFence, ObjectKind::kPrimary, Cover::kNo, 4, false, Vegetation::kNo},
    {"WALL", MapType::kWall, ObjectKind::kPrimary, Cover::kNo, 4, false, Vegetation::kNo},
    // Water features.
    {"FOUNTAIN", MapType::kWater, ObjectKind::kPrimary, Cover::kNo, 4, false, Vegetation::kNo},
    {"WATERPUMP", MapType::kWater, ObjectKind::kPrimary, Cover::kNo, 4, false, Vegetation::kNo},
    {"WATERSPRING", MapType::kWater, ObjectKind::kPrimary, Cover::kNo, 4, false, Vegetation::kNo},
    {"QUAY", MapType::kWater, ObjectKind::kPrimary, Cover::kNo, 4, false, Vegetation::kNo},
    // Everything else (signs, crosses, power lines, "HIDE"): plain scenery, no map meaning.
    {"HIDE", MapType::kHide, ObjectKind::kPrimary, Cover::kNo, 4, false, Vegetation::kNo},
};

struct ClassRow {
  std::string_view className;  // the model's "class" property
  ObjectKind kind;
  uint8_t cellFlagByte;
};

// The class table: property classes that decide the kind whatever the map type says.
constexpr ClassRow kClassRows[] = {
    // Things that move or are simulated get no static record (flag byte 0).
    {"vehicle", ObjectKind::kVehicle, 0},
    {"man", ObjectKind::kVehicle, 0},
    {"thing", ObjectKind::kVehicle, 0},
    {"thingx", ObjectKind::kVehicle, 0},
    // Placed for a while only: the game removes or replaces them.
    {"temporary", ObjectKind::kTemporary, 0},
    // Structures named as such in their class, even without a map type.
    {"house", ObjectKind::kBuilding, 16},
    {"church", ObjectKind::kBuilding, 16},
    {"building", ObjectKind::kBuilding, 16},
    // Road pieces named as such in their class.
    {"road", ObjectKind::kNetwork, 8},
};

// A building with a roadway level (floors to walk on) adds the vegetation bits as well.
constexpr uint8_t kWalkableBuildingByte = 19;
// The record property: 0 without a geometry level, 1 for a geometry without mass, 2 for
// a solid object (what files without the field imply).
constexpr int32_t kNoGeometry = 0, kMasslessGeometry = 1, kSolid = 2;
constexpr int kMaxRoadPoints = 4;
constexpr std::string_view kRoadPointSelections[kMaxRoadPoints] = {"connect1", "connect2", "connect3", "connect4"};

const MapRow& RowOf(int mapTypeIndex) {
  static const MapRow* const hide = &kMapRows[std::size(kMapRows) - 1];
  for (const MapRow& row : kMapRows)
    if (MapTypeIndex(row.mapName, RString()) == mapTypeIndex) return row;
  return *hide;
}

const ClassRow* ClassRowOf(const RString& className) {
  for (const ClassRow& row : kClassRows)
    if (AsciiEqualIgnoreCase(row.className, className)) return &row;
  return nullptr;
}

// The side of a square with the area of the model's box seen from above.
float Footprint(const LODShape& model) {
  const LODShapeBounds& b = model.Bounds();
  const float dx = b.max.x - b.min.x, dz = b.max.z - b.min.z;
  return dx > 0 && dz > 0 ? std::sqrt(dx * dz) : 0.0f;
}

AutoArray<Vector3> RoadPoints(const LODShape& model) {
  AutoArray<Vector3> points;
  const int memory = model.Special().memory;
  if (memory < 0) return points;
  const Shape& lod = *model.Lod(memory);
  for (std::string_view name : kRoadPointSelections) {
    for (const NamedSelection& selection : lod.Selections()) {
      if (!AsciiEqualIgnoreCase(selection.Name(), name)) continue;
      // A source model names points; a runtime model keeps only the vertices made of them.
      if (!selection.Points().empty()) {
        const int point = selection.Points()[0];
        if (point >= 0 && point < lod.NPoints()) points.push_back(lod.Points()[static_cast<size_t>(point)]);
      } else if (!selection.Vertices().empty()) {
        const int vertex = selection.Vertices()[0];
        if (vertex < lod.NVertices()) points.push_back(lod.Vertices().Position(vertex));
      }
      break;
    }
  }
  return points;
}

float Length(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Vector3 ToWorld(const Matrix4& m, const Vector3& p) {
  return {m.axisX.x * p.x + m.axisY.x * p.y + m.axisZ.x * p.z + m.position.x,
          m.axisX.y * p.x + m.axisY.y * p.y + m.axisZ.y * p.z + m.position.y,
          m.axisX.z * p.x + m.axisY.z * p.y + m.axisZ.z * p.z + m.position.z};
}

}  // namespace

ModelClassification ClassifyModel(const LODShape& model, const ParamClass* configClasses) {
  const MapRow& row = RowOf(model.PropertyValues().mapType);
  const Shape* geometry = model.GeometryLod();
  ModelClassification c;
  c.kind = row.kind;
  c.mapType = row.mapType;
  c.cellFlagByte = row.cellFlagByte;
  c.marksCell = row.marksCell;
  if (row.vegetation != Vegetation::kNo && !geometry)
    c.mapType = row.vegetation == Vegetation::kTree ? MapType::kTreeSoft : MapType::kBushSoft;
  const bool softVegetation = c.mapType == MapType::kTreeSoft || c.mapType == MapType::kBushSoft;
  if (row.cover != Cover::kNo) {
    c.footprintSize = Footprint(model);
    c.coverageWeight = row.cover == Cover::kHeavy ? CoverageWeight::kHeavy
                       : softVegetation           ? CoverageWeight::kNone
                                                  : CoverageWeight::kNormal;
  }
  c.propertyClass = model.PropertyValues().className;
  if (const ClassRow* classRow = ClassRowOf(c.propertyClass)) {
    // The class wins over the map type for the kind; a structure keeps its own byte.
    const bool overrides = classRow->kind != ObjectKind::kBuilding || c.kind != ObjectKind::kBuilding;
    c.kind = classRow->kind;
    if (overrides) c.cellFlagByte = classRow->cellFlagByte;
  }
  if (c.kind == ObjectKind::kBuilding && model.Special().roadway >= 0) c.cellFlagByte = kWalkableBuildingByte;
  c.setsKindBit = c.kind == ObjectKind::kBuilding;
  c.hasCellProperty = model.PropertyValues().canOcclude;
  c.recordProperty = !geometry ? kNoGeometry : model.Bounds().mass > 0 ? kSolid : kMasslessGeometry;
  if (geometry) c.configClass = geometry->PropertyValue("configclass");
  if (!c.configClass.empty()) {
    const bool exists = configClasses && configClasses->Find(c.configClass, false, true).entry &&
                        configClasses->Find(c.configClass, false, true).entry->IsClass();
    c.configClassMissing = !exists;
    // A missing class is worth a word only when the model has a property class to go with it.
    if (!exists && c.propertyClass.empty()) c.configClass.clear();
  }
  if (c.kind == ObjectKind::kNetwork) c.roadPoints = RoadPoints(model);
  return c;
}

void ApplyClassification(const ModelClassification& c, LandscapeObject& object) {
  const Matrix4& m = object.transform;
  object.kind = c.kind;
  object.mapType = c.mapType;
  object.footprintSize = c.footprintSize * std::sqrt(Length(m.axisX) * Length(m.axisZ));
  if (!std::isfinite(object.footprintSize)) object.footprintSize = 0;
  object.coverageWeight = c.coverageWeight;
  object.marksCell = c.marksCell;
  object.hasCellProperty = c.hasCellProperty;
  object.setsKindBit = c.setsKindBit;
  object.cellFlagByte = c.cellFlagByte;
  object.recordProperty = c.recordProperty;
  object.configClass = c.configClass;
  object.propertyClass = c.propertyClass;
  object.configClassMissing = c.configClassMissing;
  object.entityValue = static_cast<uint64_t>(static_cast<uint32_t>(object.id));
  object.roadPoints.clear();
  for (const Vector3& p : c.roadPoints) object.roadPoints.push_back(ToWorld(m, p));
}
