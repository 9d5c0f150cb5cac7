#include "lib/landscape/object_cell_data.h"

#include <algorithm>

#include "el/qstream/serialize_bin_stream.h"
#include "lib/landscape/landscape.h"

namespace {

bool IsKnownKind(int32_t code) {
  switch (static_cast<ObjectKind>(code)) {
    case ObjectKind::kNone:
    case ObjectKind::kPrimary:
    case ObjectKind::kNetwork:
    case ObjectKind::kTemporary:
    case ObjectKind::kVehicle:
    case ObjectKind::kBuilding: return true;
  }
  return false;
}

enum FlagBits : uint8_t {
  kMarksCell = 1,
  kCellProperty = 2,
  kKindBit = 4,
  kConfigClassMissing = 8,
};

}  // namespace

bool TransferObjectCellData(SerializeBinStream& f, LandscapeObject& object, int32_t& listIndex) {
  f.Transfer(listIndex);
  int32_t kind = static_cast<int32_t>(object.kind);
  f.Transfer(kind);
  if (!f.Ok()) return false;
  if (!IsKnownKind(kind)) {
    f.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  object.kind = static_cast<ObjectKind>(kind);
  if (!IsStaticKind(object.kind)) {
    f.Transfer(object.id);
    f.TransferString(object.modelName);
    f.TransferBinary(&object.transform, sizeof(object.transform), false);
    f.Transfer(object.recordProperty);
  }

  uint8_t mapType = static_cast<uint8_t>(object.mapType);
  f.Transfer(mapType);
  f.Transfer(object.footprintSize);
  uint8_t weight = static_cast<uint8_t>(object.coverageWeight);
  f.Transfer(weight);
  uint8_t flags = (object.marksCell ? kMarksCell : 0) | (object.hasCellProperty ? kCellProperty : 0) |
                  (object.setsKindBit ? kKindBit : 0) | (object.configClassMissing ? kConfigClassMissing : 0);
  f.Transfer(flags);
  f.Transfer(object.cellFlagByte);
  f.TransferString(object.configClass);
  f.TransferString(object.propertyClass);
  f.Transfer(object.entityValue);
  uint8_t pointCount = static_cast<uint8_t>(std::min<size_t>(object.roadPoints.size(), 255));
  f.Transfer(pointCount);
  if (!f.Ok()) return false;
  if (f.IsLoading()) {
    if (mapType > static_cast<uint8_t>(MapType::kWater) || weight > static_cast<uint8_t>(CoverageWeight::kHeavy) ||
        flags > 15 || f.GetRest() / static_cast<QFileSize>(sizeof(Vector3)) < pointCount) {
      f.SetError(SerializeBinStream::EFileStructure);
      return false;
    }
    object.mapType = static_cast<MapType>(mapType);
    object.coverageWeight = static_cast<CoverageWeight>(weight);
    object.marksCell = flags & kMarksCell;
    object.hasCellProperty = flags & kCellProperty;
    object.setsKindBit = flags & kKindBit;
    object.configClassMissing = flags & kConfigClassMissing;
    object.roadPoints.resize(pointCount);
  }
  for (uint8_t i = 0; i < pointCount; ++i) f.Transfer(object.roadPoints[i]);
  return f.Ok();
}
