// The object tables and cell data of a runtime world, versions 15 to 28: the model-name
// table, the entity list, the per-cell record and cell-data trees, the cell object flags,
// the road block, the 60-byte static records and the cell data.
#include <algorithm>
#include <unordered_map>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/landscape/cell_walk.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_derive.h"
#include "lib/landscape/landscape_surface.h"
#include "lib/landscape/object_cell_data.h"
#include "lib/landscape/packed_quad_tree.h"
#include "lib/landscape/runtime_world.h"
#include "lib/landscape/runtime_world_parts.h"

namespace {

// The 60-byte record of a static object.
struct StaticRecord {
  int32_t id;
  int32_t modelIndex;
  Matrix4 transform;
  int32_t property;
};
static_assert(sizeof(StaticRecord) == 60, "a static record is 60 packed bytes");

struct EntityEntry {
  RString configClass;
  RString modelName;
  Vector3 position;
  uint64_t value = 0;
};

constexpr uint32_t kNoOffset = 0xFFFFFFFFu;
// An object above the surface by more than this, or below it by more, is reported.
constexpr float kHighAboveSurface = 500.0f;
constexpr float kLowBelowSurface = 100.0f;

// The cell lists must name every object once; a world whose lists are stale is regrouped.
void EnsureCellObjects(Landscape& land) {
  const size_t cells = static_cast<size_t>(land.landWidth) * static_cast<size_t>(land.landWidth);
  bool valid = land.cellObjects.size() == cells;
  size_t listed = 0;
  for (size_t cell = 0; valid && cell < cells; ++cell) {
    listed += land.cellObjects[cell].size();
    for (int32_t index : land.cellObjects[cell])
      valid = valid && index >= 0 && static_cast<size_t>(index) < land.objects.size();
  }
  if (!valid || listed != land.objects.size()) BuildCellObjects(land);
}

// Save: the classification pass (column outer, row inner) collects the model names of the
// static objects in first-seen order and their entity entries.
void ClassifyStaticObjects(const Landscape& land, AutoArray<RString>& modelNames,
                           std::unordered_map<RString, int32_t>& modelIndex, AutoArray<EntityEntry>& entities) {
  const AutoArray<int> cells = FilledCellsByColumn(land.landWidth, land.cellObjects);
  VisitCellLists(cells, land.cellObjects, land.objects, [&](int, const AutoArray<int32_t>& list) {
    for (int32_t index : list) {
      const LandscapeObject& object = land.objects[index];
      if (!IsStaticKind(object.kind)) continue;
      if (modelIndex.emplace(object.modelName, static_cast<int32_t>(modelNames.size())).second)
        modelNames.push_back(object.modelName);
      if (object.configClass.empty()) continue;
      if (object.propertyClass.empty()) {
        LogMessage("Class %s exists, but there is no property class in %s", object.configClass.c_str(),
                   object.modelName.c_str());
        continue;
      }
      if (object.configClassMissing) {
        LogMessage("%s: %s, config class '%s' missing", object.modelName.c_str(), object.propertyClass.c_str(),
                   object.configClass.c_str());
        continue;
      }
      entities.push_back({object.configClass, object.modelName, object.transform.position, object.entityValue});
    }
  });
}

void TransferEntity(SerializeBinStream& f, EntityEntry& entry) {
  f.TransferString(entry.configClass);
  f.TransferString(entry.modelName);
  f.Transfer(entry.position);
  f.Transfer(entry.value);
}

// Save: writes the records one by one (no second copy of them) with their bad-position
// reports; the first ones are kept in `firstRecords` for the layout report.
void SaveRecords(SerializeBinStream& f, const Landscape& land, const AutoArray<int>& walk,
                 const std::unordered_map<RString, int32_t>& modelIndex, AutoArray<StaticRecord>& firstRecords) {
  VisitCellLists(walk, land.cellObjects, land.objects, [&](int, const AutoArray<int32_t>& list) {
    for (int32_t index : list) {
      const LandscapeObject& object = land.objects[index];
      if (!IsStaticKind(object.kind)) continue;
      StaticRecord record{object.id, modelIndex.at(object.modelName), object.transform, object.recordProperty};
      f.TransferBinary(&record, sizeof(record), false);
      if (firstRecords.size() < RuntimeWorldInfo::kFirstRecords) firstRecords.push_back(record);
      const Vector3& p = object.transform.position;
      const float surface = SurfaceHeight(land, p.x, p.z);
      if (p.y > surface + kHighAboveSurface || p.y < surface - kLowBelowSurface)
        LogMessage("%d:%s - Bad position %g,%g,%g (surface %.1f)", object.id, object.modelName.c_str(), p.x, p.y, p.z,
                   surface);
    }
  });
}

bool Corrupt(SerializeBinStream& f) {
  f.SetError(SerializeBinStream::EFileStructure);
  return false;
}

// Load: rebuilds the objects from the records and the cell data, cell by cell in walk
// order; the offsets of the trees must follow the walk.
bool RebuildObjects(SerializeBinStream& f, Landscape& land, const AutoArray<int>& walk,
                    const AutoArray<uint32_t>& firstRecord, const AutoArray<uint32_t>& cellDataOffset,
                    const AutoArray<StaticRecord>& records, const AutoArray<RString>& modelNames,
                    const std::string& cellData) {
  QIStrStream cellIn(cellData.data(), static_cast<QFileSize>(cellData.size()));
  SerializeBinStream c(&cellIn);
  AutoArray<LandscapeObject> placed;
  AutoArray<int32_t> listIndex;
  AutoArray<int> cellOf;
  size_t recordCursor = 0;
  // The end of each cell's data: the next listed offset in walk order, or the end.
  AutoArray<size_t> dataEnd(walk.size(), cellData.size());
  for (size_t i = walk.size(), next = cellData.size(); i-- > 0;) {
    dataEnd[i] = next;
    if (cellDataOffset[walk[i]] != kNoOffset) next = cellDataOffset[walk[i]];
  }
  for (size_t i = 0; i < walk.size(); ++i) {
    const int cell = walk[i];
    if (firstRecord[cell] != kNoOffset && firstRecord[cell] != recordCursor * sizeof(StaticRecord)) return Corrupt(f);
    if (cellDataOffset[cell] == kNoOffset) continue;
    if (cellDataOffset[cell] != static_cast<uint64_t>(c.TellG())) return Corrupt(f);
    while (static_cast<size_t>(c.TellG()) < dataEnd[i]) {
      LandscapeObject object;
      int32_t index = -1;
      if (!TransferObjectCellData(c, object, index)) return Corrupt(f);
      if (IsStaticKind(object.kind)) {
        if (recordCursor >= records.size()) return Corrupt(f);
        const StaticRecord& record = records[recordCursor++];
        if (record.modelIndex < 0 || static_cast<size_t>(record.modelIndex) >= modelNames.size()) return Corrupt(f);
        object.id = record.id;
        object.modelName = modelNames[record.modelIndex];
        object.transform = record.transform;
        object.recordProperty = record.property;
      }
      placed.push_back(std::move(object));
      listIndex.push_back(index);
      cellOf.push_back(cell);
    }
    if (static_cast<size_t>(c.TellG()) != dataEnd[i]) return Corrupt(f);
  }
  if (recordCursor != records.size() || c.GetRest() != 0) return Corrupt(f);
  // The list indices must name each place of the object list once.
  AutoArray<uint8_t> taken(placed.size(), 0);
  for (int32_t index : listIndex) {
    if (index < 0 || static_cast<size_t>(index) >= placed.size() || taken[index]) return Corrupt(f);
    taken[index] = 1;
  }
  land.objects.resize(placed.size());
  for (size_t k = 0; k < placed.size(); ++k) {
    land.objects[listIndex[k]] = std::move(placed[k]);
    land.cellObjects[cellOf[k]].push_back(listIndex[k]);
  }
  return true;
}

}  // namespace

bool TransferWorldObjects(SerializeBinStream& f, Landscape& land, const RString& worldName) {
  if (!f.Ok()) return false;
  const int width = land.landWidth;
  const size_t cells = static_cast<size_t>(width) * static_cast<size_t>(width);
  if (f.IsSaving()) {
    EnsureCellObjects(land);
    if (width > 0 && !IsPowerOfFour(width))
      WarningMessage("World %s: land grid %dx%d is not a power of 4; its cells are stored in the padded walk order",
                     worldName.c_str(), width, width);
  }
  AutoArray<int> walk;
  walk.reserve(cells);
  WalkLandCells(width, [&](int x, int z) { walk.push_back(land.LandIndex(x, z)); });

  // 1-3. Model names and entity entries.
  AutoArray<RString> modelNames;
  std::unordered_map<RString, int32_t> modelIndex;
  AutoArray<EntityEntry> entities;
  if (f.IsSaving()) ClassifyStaticObjects(land, modelNames, modelIndex, entities);
  f.TransferArray(modelNames, [](SerializeBinStream& s, RString& name) { s.TransferString(name); });
  f.TransferArray(entities, TransferEntity);
  if (!f.Ok()) return false;

  // 4-5. Record offsets, cell object flags and the cell data of each cell, in walk order.
  AutoArray<uint32_t> firstRecord(cells, kNoOffset), cellDataOffset(cells, kNoOffset);
  AutoArray<uint8_t> cellObjectFlags(cells, 0);
  int32_t recordBytes = 0, cellDataSize = 0;
  int32_t maxId = 0;
  QOStrStream cellOut;
  if (f.IsSaving()) {
    SerializeBinStream c(&cellOut);
    int64_t total = 0;
    VisitCellLists(walk, land.cellObjects, land.objects, [&](int cell, const AutoArray<int32_t>& list) {
      firstRecord[cell] = static_cast<uint32_t>(total);
      cellDataOffset[cell] = static_cast<uint32_t>(c.TellP());
      for (int32_t index : list) {
        LandscapeObject& object = land.objects[index];
        if (IsStaticKind(object.kind)) {
          total += static_cast<int64_t>(sizeof(StaticRecord));
          maxId = std::max(maxId, object.id);
        }
        if (!object.modelName.empty()) cellObjectFlags[cell] |= object.cellFlagByte;
        TransferObjectCellData(c, object, index);
      }
    });
    if (total > INT32_MAX || c.TellP() > INT32_MAX || !c.Ok()) {
      f.SetError(SerializeBinStream::EGeneric);
      return false;
    }
    recordBytes = static_cast<int32_t>(total);
    cellDataSize = static_cast<int32_t>(c.TellP());
    land.nextIdBase = maxId;
  }

  // 6. The trees, sizes, cell object flags, the unused terrain grid and the maximum id.
  PackedQuadTree recordTree(width, width, 4, kNoOffset), cellDataTree(width, width, 4, kNoOffset);
  if (f.IsSaving()) {
    recordTree.Build(firstRecord.data(), kNoOffset);
    cellDataTree.Build(cellDataOffset.data(), kNoOffset);
  }
  recordTree.Transfer(f);
  f.Transfer(recordBytes);
  cellDataTree.Transfer(f);
  f.Transfer(cellDataSize);
  if (!f.Ok()) return false;
  if (f.IsLoading()) {
    if (recordBytes < 0 || recordBytes % static_cast<int32_t>(sizeof(StaticRecord)) != 0 || recordBytes > f.GetRest() ||
        cellDataSize < 0 || cellDataSize > f.GetRest())
      return Corrupt(f);
    recordTree.Extract(firstRecord.data());
    cellDataTree.Extract(cellDataOffset.data());
  }
  f.TransferBinary(cellObjectFlags.data(), cells, true);
  const size_t samples = static_cast<size_t>(land.terrainWidth) * static_cast<size_t>(land.terrainWidth);
  if (f.IsSaving()) {
    // The terrain byte map of a world read from the source format is all 0 already: its
    // bytes serve without a second terrain-sized buffer.
    AutoArray<uint8_t> zeros;
    uint8_t* unused = land.terrainByteMap.data();
    if (land.terrainByteMap.size() != samples ||
        std::any_of(land.terrainByteMap.begin(), land.terrainByteMap.end(), [](uint8_t b) { return b != 0; })) {
      zeros.assign(samples, 0);
      unused = zeros.data();
    }
    f.TransferBinary(unused, samples, true);
  } else {
    f.SkipBinary(samples, true);
  }
  f.Transfer(maxId);
  if (!f.Ok()) return false;
  if (f.IsLoading()) land.nextIdBase = maxId;

  // 7. Roads.
  if (!TransferWorldRoads(f, land)) return false;

  // 8. The static records, cell by cell in walk order.
  AutoArray<StaticRecord> records;  // save: the first records only
  if (f.IsSaving()) {
    SaveRecords(f, land, walk, modelIndex, records);
  } else {
    records.resize(static_cast<size_t>(recordBytes) / sizeof(StaticRecord));
    f.TransferBinary(records.data(), records.size() * sizeof(StaticRecord), false);
  }

  if (auto* info = f.Context<RuntimeWorldInfo>()) {
    info->modelNames = modelNames;
    info->entityCount = entities.size();
    info->firstRecordTreeBytes = recordTree.SerializedSize();
    info->cellDataTreeBytes = cellDataTree.SerializedSize();
    info->recordBytes = recordBytes;
    info->cellDataBytes = cellDataSize;
    info->maxObjectId = maxId;
    info->firstRecords.clear();
    for (size_t i = 0; i < records.size() && i < RuntimeWorldInfo::kFirstRecords; ++i)
      info->firstRecords.push_back(
          {records[i].id, records[i].modelIndex, records[i].transform.position, records[i].property});
  }

  // 9. The cell data.
  if (f.IsSaving()) {
    const std::string_view cellData = cellOut.View();
    f.TransferBinary(const_cast<char*>(cellData.data()), cellData.size(), false);
    return f.Ok();
  }
  std::string cellData(static_cast<size_t>(cellDataSize), '\0');
  if (!f.TransferBinary(cellData.data(), cellData.size(), false)) return false;
  return RebuildObjects(f, land, walk, firstRecord, cellDataOffset, records, modelNames, cellData);
}
