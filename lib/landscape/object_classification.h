#pragma once
// What a model makes of the objects placed from it in a world: their kind, map meaning,
// footprint, cell flags, record property, entity entry and road connection points.
//
// Every choice is made here, once per model, from what the model file itself says:
//   - the "map" named property of its geometry level (the model's map type, e.g. "TREE",
//     "HOUSE", "ROAD") picks a row of the map table in object_classification.cpp;
//   - the "class" named property (the model's property class: "house", "vehicle",
//     "road", ...) can move the object to another kind (the class table);
//   - its levels and bounds: a geometry level (the object collides), its mass, a roadway
//     level (surfaces to walk on), "canocclude", the bounding box (footprint);
//   - the "configclass" named property names the configuration class of an entity entry,
//     looked up among the classes of CfgVehicles;
//   - the memory level's points in the selections "connect1" to "connect4" are the
//     connection points of a road piece.
// The derivations and the runtime format only read the fields this fills.
#include <cstdint>

#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"
#include "lib/landscape/landscape.h"

class LODShape;
class ParamClass;

// The classification of one model; object-independent.
struct ModelClassification {
  ObjectKind kind = ObjectKind::kPrimary;
  MapType mapType = MapType::kHide;
  float footprintSize = 0;  // side of the square footprint at scale 1; 0: not in coverage
  CoverageWeight coverageWeight = CoverageWeight::kNone;
  bool marksCell = false;
  bool hasCellProperty = false;
  bool setsKindBit = false;
  uint8_t cellFlagByte = 0;
  int32_t recordProperty = 2;
  RString configClass;
  RString propertyClass;
  bool configClassMissing = false;
  AutoArray<Vector3> roadPoints;  // model space
};

// Classifies `model` by the tables of object_classification.cpp. `configClasses` holds
// the configuration classes an entity entry may name (CfgVehicles; null: none exist).
ModelClassification ClassifyModel(const LODShape& model, const ParamClass* configClasses);

// Sets the classification fields of `object` (placed at its transform): the footprint
// grows with the transform's horizontal scale, road points move into world space, and
// the entity value is the object's id.
void ApplyClassification(const ModelClassification& classification, LandscapeObject& object);
