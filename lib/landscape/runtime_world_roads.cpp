// The road block of a runtime world: per land cell (column outer, row inner) an int32
// element count and the elements; the block is written into memory first and stored
// behind its int32 byte size.
#include <algorithm>
#include <unordered_map>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/runtime_world.h"
#include "lib/landscape/runtime_world_parts.h"

namespace {

constexpr int16_t kMaxRoadPoints = 4;
// int16 count, int64 id, an empty name's 0 byte and the 48-byte transform.
constexpr QFileSize kMinRoadElementBytes = 2 + 8 + 1 + 48;
constexpr const char* kUnknownShape = "(shape name not known)";

using ObjectById = std::unordered_map<int64_t, const LandscapeObject*>;

// Save: the element's name and transform come from its road object, or are the unknown
// shape and the identity when the object is gone.
void NameRoadElement(RoadElement& element, const ObjectById& objects) {
  const auto found = objects.find(element.objectId);
  if (found != objects.end()) {
    element.modelName = found->second->modelName;
    element.transform = found->second->transform;
    return;
  }
  element.modelName = kUnknownShape;
  element.transform = Matrix4::Identity();
  float x = 0, z = 0;
  for (const Vector3& point : element.points) {
    x += point.x;
    z += point.z;
  }
  if (!element.points.empty()) {
    x /= static_cast<float>(element.points.size());
    z /= static_cast<float>(element.points.size());
  }
  LogMessage("%s position=(%.2f,%.2f)", kUnknownShape, x, z);
}

bool TransferRoadElement(SerializeBinStream& f, RoadElement& element) {
  if (f.IsSaving()) {  // an element holds at most four points, each with its byte
    if (element.points.size() > static_cast<size_t>(kMaxRoadPoints)) element.points.resize(kMaxRoadPoints);
    element.pointBytes.resize(element.points.size());
  }
  int16_t count = static_cast<int16_t>(element.points.size());
  f.Transfer(count);
  if (!f.Ok()) return false;
  if (f.IsLoading()) {
    if (count < 0 || count > kMaxRoadPoints) {
      f.SetError(SerializeBinStream::EFileStructure);
      return false;
    }
    element.points.resize(count);
    element.pointBytes.resize(count);
  }
  for (int i = 0; i < count; ++i) f.Transfer(element.points[i]);
  for (int i = 0; i < count; ++i) f.Transfer(element.pointBytes[i]);
  f.Transfer(element.objectId);
  f.TransferString(element.modelName);
  f.TransferBinary(&element.transform, sizeof(element.transform), false);
  return f.Ok();
}

// Cells without roads (most of them) are only a 0 count; the grid is read or written
// only for the others.
bool TransferRoadCells(SerializeBinStream& f, Landscape& land, const ObjectById& objects) {
  const int width = land.landWidth;
  AutoArray<uint8_t> filled(land.roads.size(), 0);
  if (f.IsSaving())
    for (size_t cell = 0; cell < land.roads.size(); ++cell) filled[cell] = !land.roads[cell].empty();
  for (int x = 0; x < width; ++x) {
    for (int z = 0; z < width; ++z) {
      const int index = land.LandIndex(x, z);
      int32_t count = filled[index] ? static_cast<int32_t>(land.roads[index].size()) : 0;
      f.Transfer(count);
      if (!f.Ok()) return false;
      if (count == 0) continue;
      AutoArray<RoadElement>& cell = land.roads[index];
      if (f.IsLoading()) {
        if (count < 0 || count > f.GetRest() / kMinRoadElementBytes) {
          f.SetError(SerializeBinStream::EFileStructure);
          return false;
        }
        cell.resize(count);
      }
      for (RoadElement& element : cell) {
        if (f.IsSaving()) NameRoadElement(element, objects);
        if (!TransferRoadElement(f, element)) return false;
      }
    }
  }
  return f.Ok();
}

}  // namespace

bool TransferWorldRoads(SerializeBinStream& f, Landscape& land) {
  if (!f.Ok()) return false;
  if (f.IsSaving()) {
    ObjectById objects;
    for (const AutoArray<RoadElement>& cell : land.roads) {
      if (cell.empty()) continue;
      objects.reserve(land.objects.size());
      for (const LandscapeObject& object : land.objects) objects.emplace(object.id, &object);
      break;
    }
    QOStrStream block;
    SerializeBinStream blockStream(&block);
    TransferRoadCells(blockStream, land, objects);
    if (!blockStream.Ok()) {
      f.SetError(blockStream.GetError());
      return false;
    }
    const std::string_view bytes = block.View();
    int32_t size = static_cast<int32_t>(bytes.size());
    if (auto* info = f.Context<RuntimeWorldInfo>()) info->roadBlockBytes = size;
    f.Transfer(size);
    f.TransferBinary(const_cast<char*>(bytes.data()), bytes.size(), false);
    return f.Ok();
  }
  int32_t size = 0;
  f.Transfer(size);
  if (!f.Ok()) return false;
  if (size < 0 || size > f.GetRest()) {
    f.SetError(SerializeBinStream::EFileStructure);
    return false;
  }
  if (auto* info = f.Context<RuntimeWorldInfo>()) info->roadBlockBytes = size;
  std::string bytes(static_cast<size_t>(size), '\0');
  if (!f.TransferBinary(bytes.data(), bytes.size(), false)) return false;
  QIStrStream block(bytes.data(), size);
  SerializeBinStream blockStream(&block);
  TransferRoadCells(blockStream, land, {});
  // The block must hold exactly the road cells.
  if (!blockStream.Ok() || blockStream.GetRest() != 0) f.SetError(SerializeBinStream::EFileStructure);
  return f.Ok();
}
