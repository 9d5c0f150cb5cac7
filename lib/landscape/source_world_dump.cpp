#include "lib/landscape/source_world_dump.h"

#include <map>
#include <utility>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/appframe/forwarding_sink.h"
#include "el/appframe/message_recorder.h"
#include "el/qstream/qi_file_stream.h"
#include "engine/engine_file.h"
#include "lib/dump/dump_json.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/source_world_reader.h"

namespace {

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
  return out;
}

struct Summary {
  RString path;
  int version = 0;
  const Landscape* land = nullptr;
  std::vector<std::string> messages;
  std::vector<size_t> textureCells;    // cells per texture entry
  std::map<RString, int> modelCounts;  // objects per model name
};

DumpJson Head(const RString& path, bool ok, const std::vector<std::string>& messages) {
  return {{"file", JsonText(path)}, {"ok", ok}, {"messages", JsonTexts(messages)}};
}

std::string Json(const Summary& s) {
  const Landscape& land = *s.land;
  DumpJson top = Head(s.path, true, s.messages);
  top["magic"] = std::to_string(s.version) + "WVR";
  top["version"] = s.version;
  top["landGrid"] = {land.landWidth, land.landHeight};
  top["terrainGrid"] = {land.terrainWidth, land.terrainHeight};
  top["cellSize"] = JsonFloat(land.cellSize);
  top["heights"] = {{"min", JsonFloat(land.minHeight)}, {"max", JsonFloat(land.maxHeight)}};
  DumpJson textures = DumpJson::array(), models = DumpJson::array(), objects = DumpJson::array();
  for (size_t i = 0; i < land.textures.size(); ++i) {
    if (land.textures[i].name.empty() && s.textureCells[i] == 0) continue;
    textures.push_back({{"index", i},
                        {"name", JsonText(land.textures[i].name)},
                        {"attribute", land.textures[i].attribute},
                        {"cells", s.textureCells[i]}});
  }
  top["textureCount"] = land.textures.size();
  top["textures"] = std::move(textures);
  for (const auto& [name, count] : s.modelCounts) models.push_back({{"name", JsonText(name)}, {"count", count}});
  for (size_t i = 0; i < land.objects.size() && i < static_cast<size_t>(kDumpedObjects); ++i) {
    const LandscapeObject& o = land.objects[i];
    objects.push_back({{"id", o.id}, {"model", JsonText(o.modelName)}, {"position", JsonVector(o.transform.position)}});
  }
  top["objects"] = {{"count", land.objects.size()},
                    {"maxId", land.nextIdBase},
                    {"models", std::move(models)},
                    {"first", std::move(objects)}};
  return PrintedJson(top);
}

std::string Text(const Summary& s) {
  const Landscape& land = *s.land;
  std::string out =
      "file: " + s.path + "\nmagic: " + std::to_string(s.version) + "WVR\nversion: " + std::to_string(s.version) + "\n";
  out += "land grid: " + std::to_string(land.landWidth) + " x " + std::to_string(land.landHeight) + "\n";
  out += "terrain grid: " + std::to_string(land.terrainWidth) + " x " + std::to_string(land.terrainHeight) + "\n";
  out += "cell size: " + ShortestFloatText(land.cellSize) + "\n";
  out += "heights: " + ShortestFloatText(land.minHeight) + " to " + ShortestFloatText(land.maxHeight) + "\n";
  out += "textures: " + std::to_string(land.textures.size()) + " entries\n";
  for (size_t i = 0; i < land.textures.size(); ++i) {
    if (land.textures[i].name.empty() && s.textureCells[i] == 0) continue;
    out += "  " + std::to_string(i) + ": " + (land.textures[i].name.empty() ? "(unset)" : land.textures[i].name) +
           ", attribute " + std::to_string(land.textures[i].attribute) + ", " + std::to_string(s.textureCells[i]) +
           " cells\n";
  }
  out += "objects: " + std::to_string(land.objects.size()) + ", max. id " + std::to_string(land.nextIdBase) + "\n";
  for (const auto& [name, count] : s.modelCounts) out += "  " + std::to_string(count) + " x " + name + "\n";
  for (size_t i = 0; i < land.objects.size() && i < static_cast<size_t>(kDumpedObjects); ++i) {
    const LandscapeObject& o = land.objects[i];
    const Vector3& p = o.transform.position;
    out += "  object " + std::to_string(o.id) + ": " + o.modelName + " at " + ShortestFloatText(p.x) + " " +
           ShortestFloatText(p.y) + " " + ShortestFloatText(p.z) + "\n";
  }
  for (const std::string& line : s.messages) out += "message: " + line + "\n";
  return out;
}

std::string Failure(const RString& path, const std::vector<std::string>& messages, bool json) {
  if (!json) return Join(messages, "\n") + (messages.empty() ? "" : "\n");
  return PrintedJson(Head(path, false, messages));
}

}  // namespace

bool DumpSourceWorld(const RString& path, bool json, std::string& out) {
  Landscape land;
  Summary summary;
  summary.path = path;
  int result = kSourceWorldFailed;
  {
    MessageRecorder recorder;
    ScopedSink keeping(recorder);
    QIFStreamB in;
    if (OpenEngineFile(in, path)) {
      char magic[4] = {};
      in.read(magic, 4);
      summary.version = SourceWorldVersion(magic);
      SourceWorldSettings settings;
      settings.derive = false;
      result = LoadSourceWorld(land, in, path, settings);
    } else {
      ErrorMessage("Cannot load world '%s'", path.c_str());
    }
    summary.messages = recorder.Texts();
  }
  if (result != 0) {
    out = Failure(path, summary.messages, json);
    return false;
  }
  summary.land = &land;
  summary.textureCells.assign(land.textures.size(), 0);
  for (uint16_t index : land.textureIndices)
    if (index < summary.textureCells.size()) ++summary.textureCells[index];
  for (const LandscapeObject& object : land.objects) ++summary.modelCounts[object.modelName];
  out = json ? Json(summary) : Text(summary);
  return true;
}
