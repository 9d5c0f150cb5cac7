#include "lib/landscape/source_world_dump.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_file_stream.h"
#include "engine/engine_file.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/source_world_reader.h"

namespace {

// Keeps every message of the load instead of printing it.
class MessageKeeper : public AppFrameFunctions {
 public:
  MessageKeeper() : previous_(CurrentAppFrameFunctions()) { SetAppFrameFunctions(this); }
  ~MessageKeeper() override { SetAppFrameFunctions(&previous_); }
  void LogLine(const char* format, va_list args) override { lines.push_back(FormatMessage(format, args)); }
  void ErrorLine(const char* format, va_list args) override { lines.push_back(FormatMessage(format, args)); }
  std::vector<std::string> lines;

 private:
  AppFrameFunctions& previous_;
};

std::string Number(float value) {
  if (!std::isfinite(value)) return "null";
  char text[64];
  for (int precision = 6; precision <= 9; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) break;
  }
  return text;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

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

std::string Json(const Summary& s) {
  const Landscape& land = *s.land;
  std::vector<std::string> fields, messages, textures, models, objects;
  for (const std::string& line : s.messages) messages.push_back(Quote(line));
  fields.push_back("\"file\": " + Quote(s.path));
  fields.push_back("\"ok\": true");
  fields.push_back("\"messages\": [" + Join(messages, ", ") + "]");
  fields.push_back("\"magic\": " + Quote(std::to_string(s.version) + "WVR"));
  fields.push_back("\"version\": " + std::to_string(s.version));
  fields.push_back("\"landGrid\": [" + std::to_string(land.landWidth) + ", " + std::to_string(land.landHeight) + "]");
  fields.push_back("\"terrainGrid\": [" + std::to_string(land.terrainWidth) + ", " +
                   std::to_string(land.terrainHeight) + "]");
  fields.push_back("\"cellSize\": " + Number(land.cellSize));
  fields.push_back("\"heights\": {\"min\": " + Number(land.minHeight) + ", \"max\": " + Number(land.maxHeight) + "}");
  for (size_t i = 0; i < land.textures.size(); ++i) {
    if (land.textures[i].name.empty() && s.textureCells[i] == 0) continue;
    textures.push_back("{\"index\": " + std::to_string(i) + ", \"name\": " + Quote(land.textures[i].name) +
                       ", \"attribute\": " + std::to_string(land.textures[i].attribute) +
                       ", \"cells\": " + std::to_string(s.textureCells[i]) + "}");
  }
  fields.push_back("\"textureCount\": " + std::to_string(land.textures.size()));
  fields.push_back("\"textures\": [" + Join(textures, ", ") + "]");
  for (const auto& [name, count] : s.modelCounts)
    models.push_back("{\"name\": " + Quote(name) + ", \"count\": " + std::to_string(count) + "}");
  for (size_t i = 0; i < land.objects.size() && i < static_cast<size_t>(kDumpedObjects); ++i) {
    const LandscapeObject& o = land.objects[i];
    const Vector3& p = o.transform.position;
    objects.push_back("{\"id\": " + std::to_string(o.id) + ", \"model\": " + Quote(o.modelName) + ", \"position\": [" +
                      Number(p.x) + ", " + Number(p.y) + ", " + Number(p.z) + "]}");
  }
  fields.push_back("\"objects\": {\"count\": " + std::to_string(land.objects.size()) +
                   ", \"maxId\": " + std::to_string(land.nextIdBase) + ", \"models\": [" + Join(models, ", ") +
                   "], \"first\": [" + Join(objects, ", ") + "]}");
  return "{" + Join(fields, ", ") + "}\n";
}

std::string Text(const Summary& s) {
  const Landscape& land = *s.land;
  std::string out =
      "file: " + s.path + "\nmagic: " + std::to_string(s.version) + "WVR\nversion: " + std::to_string(s.version) + "\n";
  out += "land grid: " + std::to_string(land.landWidth) + " x " + std::to_string(land.landHeight) + "\n";
  out += "terrain grid: " + std::to_string(land.terrainWidth) + " x " + std::to_string(land.terrainHeight) + "\n";
  out += "cell size: " + Number(land.cellSize) + "\n";
  out += "heights: " + Number(land.minHeight) + " to " + Number(land.maxHeight) + "\n";
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
    out += "  object " + std::to_string(o.id) + ": " + o.modelName + " at " + Number(p.x) + " " + Number(p.y) + " " +
           Number(p.z) + "\n";
  }
  for (const std::string& line : s.messages) out += "message: " + line + "\n";
  return out;
}

std::string Failure(const RString& path, const std::vector<std::string>& messages, bool json) {
  if (!json) return Join(messages, "\n") + (messages.empty() ? "" : "\n");
  std::vector<std::string> quoted;
  for (const std::string& line : messages) quoted.push_back(Quote(line));
  return "{\"file\": " + Quote(path) + ", \"ok\": false, \"messages\": [" + Join(quoted, ", ") + "]}\n";
}

}  // namespace

bool DumpSourceWorld(const RString& path, bool json, std::string& out) {
  Landscape land;
  Summary summary;
  summary.path = path;
  int result = kSourceWorldFailed;
  {
    MessageKeeper keeper;
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
    summary.messages = std::move(keeper.lines);
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
