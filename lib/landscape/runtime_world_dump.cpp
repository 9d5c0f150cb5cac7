#include "lib/landscape/runtime_world_dump.h"

#include <utility>
#include <vector>

#include "el/appframe/forwarding_sink.h"
#include "el/appframe/message_recorder.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "engine/engine_file.h"
#include "lib/dump/dump_record.h"
#include "lib/dump/loaded_file_record.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/runtime_world.h"

namespace {

DumpRecord ObjectCounts(const Landscape& land, bool json) {
  int64_t counts[6] = {};  // none, primary, network, building, temporary, vehicle
  for (const LandscapeObject& object : land.objects) {
    switch (object.kind) {
      case ObjectKind::kPrimary: ++counts[1]; break;
      case ObjectKind::kNetwork: ++counts[2]; break;
      case ObjectKind::kBuilding: ++counts[3]; break;
      case ObjectKind::kTemporary: ++counts[4]; break;
      case ObjectKind::kVehicle: ++counts[5]; break;
      default: ++counts[0]; break;
    }
  }
  DumpRecord record(json, 4);
  record.Int("primary", counts[1])
      .Int("network", counts[2])
      .Int("building", counts[3])
      .Int("temporary", counts[4])
      .Int("vehicle", counts[5])
      .Int("none", counts[0]);
  return record;
}

std::string Dump(const RString& path, const Landscape& land, const RuntimeWorldInfo& info,
                 const std::vector<std::string>& messages, int error, bool json) {
  DumpRecord top = LoadedFileRecord(json, path, error, messages, "not a runtime world (no \"OPRW\" magic)");
  if (error) return top.Printed();

  std::vector<DumpRecord> textures, records;
  for (size_t i = 0; i < land.textures.size(); ++i)
    textures.emplace_back(json, 4).Int("index", static_cast<int64_t>(i)).Str("name", land.textures[i].name);
  for (const RuntimeWorldInfo::Record& r : info.firstRecords) {
    const bool named = r.modelIndex >= 0 && static_cast<size_t>(r.modelIndex) < info.modelNames.size();
    records.emplace_back(json, 4)
        .Int("id", r.id)
        .Str("model", named ? info.modelNames[static_cast<size_t>(r.modelIndex)] : std::string())
        .Vector("position", r.position)
        .Int("property", r.property);
  }
  int64_t roadCells = 0, roadElements = 0;
  for (const AutoArray<RoadElement>& cell : land.roads) {
    roadCells += !cell.empty();
    roadElements += static_cast<int64_t>(cell.size());
  }
  DumpRecord trees(json, 4);
  trees.Int("cellFlags", static_cast<int64_t>(info.cellFlagTreeBytes))
      .Int("soundMap", static_cast<int64_t>(info.soundMapTreeBytes))
      .Int("textureIndices", static_cast<int64_t>(info.textureTreeBytes))
      .Int("firstRecord", static_cast<int64_t>(info.firstRecordTreeBytes))
      .Int("cellData", static_cast<int64_t>(info.cellDataTreeBytes));
  DumpRecord roads(json, 4);
  roads.Int("blockBytes", info.roadBlockBytes).Int("cells", roadCells).Int("elements", roadElements);
  std::vector<std::string> modelNames(info.modelNames.begin(), info.modelNames.end());
  top.Str("magic", "OPRW")
      .Int("version", info.version)
      .Int("landWidth", land.landWidth)
      .Int("landHeight", land.landHeight)
      .Int("terrainWidth", land.terrainWidth)
      .Int("terrainHeight", land.terrainHeight)
      .Float("cellSize", land.cellSize)
      .Float("minHeight", land.minHeight)
      .Float("maxHeight", land.maxHeight)
      .Int("peaks", static_cast<int64_t>(land.peaks.size()))
      .List("textures", textures, "texture")
      .Int("objectCount", static_cast<int64_t>(land.objects.size()))
      .Nested("objectsByKind", ObjectCounts(land, json))
      .Int("maxObjectId", land.nextIdBase)
      .Nested("quadTreeBytes", trees)
      .Int("recordBytes", info.recordBytes)
      .Int("cellDataBytes", info.cellDataBytes)
      .Int("entityCount", static_cast<int64_t>(info.entityCount))
      .Strings("modelNames", modelNames)
      .Nested("roads", roads)
      .List("firstRecords", records, "record");
  return top.Printed();
}

}  // namespace

bool DumpRuntimeWorld(const RString& path, bool json, std::string& out) {
  Landscape land;
  RuntimeWorldInfo info;
  int error = 0;
  std::vector<std::string> messages;
  {
    MessageRecorder recorder;
    ScopedSink keeping(recorder);
    QIFStreamB in;
    if (!OpenEngineFile(in, path))
      error = SerializeBinStream::ENoFile;
    else
      error = LoadRuntimeWorld(land, in, path, &info);
    messages = recorder.Texts();
  }
  out = Dump(path, land, info, messages, error, json);
  return error == 0;
}
