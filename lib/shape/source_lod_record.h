#pragma once
// The mesh part of one LOD record of a source model: header, points, normals, faces,
// as stored. Texture and material names are kept once each, faces refer to them.
#include <cstdint>

#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"

class Shape;
class SourceStream;

enum class SourceLodForm { P3DM, SP3X, SP3D };

struct SourceCorner {
  uint32_t point = 0;
  uint32_t normal = 0;
  float u = 0.0f;
  float v = 0.0f;
};
static_assert(sizeof(SourceCorner) == 16, "a face corner is stored as 16 bytes");

struct SourceFace {
  static constexpr uint32_t kMaxCorners = 4;
  uint32_t n = 0;  // 0 to 4 corners used
  SourceCorner corners[kMaxCorners];
  uint32_t flags = 0;
  int texture = 0;   // index into SourceLodRecord::textureNames (0 = no texture)
  int material = 0;  // index into SourceLodRecord::materialNames (0 = no material)
};

struct SourceLodRecord {
  SourceLodForm form = SourceLodForm::P3DM;
  uint32_t version = 0;
  uint32_t flags = 0;
  AutoArray<Vector3> points;
  AutoArray<uint32_t> clipFlags;  // converted from the point flags
  AutoArray<uint8_t> hidden;
  AutoArray<Vector3> normals;
  AutoArray<SourceFace> faces;
  AutoArray<RString> textureNames{RString()};   // entry 0: no texture
  AutoArray<RString> materialNames{RString()};  // entry 0: no material
  // Sum of the faces' corner counts.
  size_t cornerCount = 0;
};

// What the reader of one LOD shares between its steps: names for messages, the container
// version, the report budget and the LOD it marks with warnings.
struct LodReadContext {
  static constexpr int kReportBudget = 5;
  RString modelName;
  uint32_t containerVersion = 0;
  Shape* shape = nullptr;
  int reportsLeft = kReportBudget;
  // Reports a LOD problem within the budget; false when the budget is used up.
  bool TakeReport() {
    if (reportsLeft <= 0) return false;
    --reportsLeft;
    return true;
  }
  void MarkWarnings();
};

// Reads the header, points, normals and faces of one LOD record. On failure the reason
// has been reported and false is returned.
bool ReadSourceLodRecord(SourceStream& in, SourceLodRecord& record, LodReadContext& context);
