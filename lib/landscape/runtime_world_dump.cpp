#include "lib/landscape/runtime_world_dump.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "engine/engine_file.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/runtime_world.h"

namespace {

// Keeps every message of the load (instead of printing it).
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

const char* ErrorText(int error) {
  switch (error) {
    case SerializeBinStream::EBadFileType: return "not a runtime world (no \"OPRW\" magic)";
    case SerializeBinStream::EBadVersion: return "unsupported version";
    case SerializeBinStream::EFileStructure: return "corrupt data";
    case SerializeBinStream::ENoFile: return "file not found";
    default: return "cannot be read";
  }
}

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

std::string Vec(const Vector3& v, bool json) {
  return json ? "[" + Number(v.x) + ", " + Number(v.y) + ", " + Number(v.z) + "]"
              : Number(v.x) + " " + Number(v.y) + " " + Number(v.z);
}

// One object of the account: "key: value" lines (indented) or a JSON object.
class Record {
 public:
  Record(bool json, int indent) : json_(json), indent_(indent) {}
  Record& Raw(const std::string& key, const std::string& jsonValue, const std::string& textValue) {
    if (json_)
      out_ += (first_ ? "" : ", ") + Quote(key) + ": " + jsonValue;
    else
      out_ += std::string(static_cast<size_t>(indent_), ' ') + key + ": " + textValue + "\n";
    first_ = false;
    return *this;
  }
  Record& Int(const std::string& key, int64_t value) { return Raw(key, std::to_string(value), std::to_string(value)); }
  Record& Float(const std::string& key, float value) { return Raw(key, Number(value), Number(value)); }
  Record& Bool(const std::string& key, bool value) { return Raw(key, value ? "true" : "false", value ? "yes" : "no"); }
  Record& Str(const std::string& key, const std::string& value) { return Raw(key, Quote(value), value); }
  Record& Vector(const std::string& key, const Vector3& v) { return Raw(key, Vec(v, true), Vec(v, false)); }
  Record& Strings(const std::string& key, const std::vector<std::string>& values) {
    std::string j = "[", t;
    for (size_t i = 0; i < values.size(); ++i) {
      j += (i ? ", " : "") + Quote(values[i]);
      t += (i ? ", " : "") + values[i];
    }
    return Raw(key, j + "]", t);
  }
  // A record inside this one: its lines follow the key's (text), or its JSON object.
  Record& Nested(const std::string& key, const std::string& record) {
    const bool endsLine = !record.empty() && record.back() == '\n';
    return Raw(key, record, "\n" + record.substr(0, record.size() - (endsLine ? 1 : 0)));
  }
  Record& List(const std::string& key, const std::vector<std::string>& items, const std::string& itemTitle) {
    if (json_) {
      std::string j = "[";
      for (size_t i = 0; i < items.size(); ++i)
        j += (i ? ",\n" + std::string(static_cast<size_t>(indent_) + 2, ' ') : "") + items[i];
      return Raw(key, j + "]", "");
    }
    out_ += std::string(static_cast<size_t>(indent_), ' ') + key + ": " + std::to_string(items.size()) + "\n";
    for (size_t i = 0; i < items.size(); ++i)
      out_ +=
          std::string(static_cast<size_t>(indent_) + 2, ' ') + itemTitle + " " + std::to_string(i) + ":\n" + items[i];
    return *this;
  }
  std::string Done() const { return json_ ? "{" + out_ + "}" : out_; }

 private:
  bool json_;
  int indent_;
  bool first_ = true;
  std::string out_;
};

std::string ObjectCounts(const Landscape& land, bool json) {
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
  return Record(json, 4)
      .Int("primary", counts[1])
      .Int("network", counts[2])
      .Int("building", counts[3])
      .Int("temporary", counts[4])
      .Int("vehicle", counts[5])
      .Int("none", counts[0])
      .Done();
}

std::string Dump(const RString& path, const Landscape& land, const RuntimeWorldInfo& info,
                 const std::vector<std::string>& messages, int error, bool json) {
  Record top(json, 0);
  top.Str("file", path).Bool("ok", error == 0);
  if (error) top.Int("error", error).Str("reason", ErrorText(error));
  top.Strings("messages", messages);
  if (error) return top.Done() + (json ? "\n" : "");

  std::vector<std::string> textures, records;
  for (size_t i = 0; i < land.textures.size(); ++i)
    textures.push_back(Record(json, 4).Int("index", static_cast<int64_t>(i)).Str("name", land.textures[i].name).Done());
  for (const RuntimeWorldInfo::Record& r : info.firstRecords) {
    const bool named = r.modelIndex >= 0 && static_cast<size_t>(r.modelIndex) < info.modelNames.size();
    records.push_back(Record(json, 4)
                          .Int("id", r.id)
                          .Str("model", named ? info.modelNames[static_cast<size_t>(r.modelIndex)] : std::string())
                          .Vector("position", r.position)
                          .Int("property", r.property)
                          .Done());
  }
  int64_t roadCells = 0, roadElements = 0;
  for (const AutoArray<RoadElement>& cell : land.roads) {
    roadCells += !cell.empty();
    roadElements += static_cast<int64_t>(cell.size());
  }
  const std::string trees = Record(json, 4)
                                .Int("cellFlags", static_cast<int64_t>(info.cellFlagTreeBytes))
                                .Int("soundMap", static_cast<int64_t>(info.soundMapTreeBytes))
                                .Int("textureIndices", static_cast<int64_t>(info.textureTreeBytes))
                                .Int("firstRecord", static_cast<int64_t>(info.firstRecordTreeBytes))
                                .Int("cellData", static_cast<int64_t>(info.cellDataTreeBytes))
                                .Done();
  const std::string roads = Record(json, 4)
                                .Int("blockBytes", info.roadBlockBytes)
                                .Int("cells", roadCells)
                                .Int("elements", roadElements)
                                .Done();
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
  return top.Done() + (json ? "\n" : "");
}

}  // namespace

bool DumpRuntimeWorld(const RString& path, bool json, std::string& out) {
  Landscape land;
  RuntimeWorldInfo info;
  int error = 0;
  std::vector<std::string> messages;
  {
    MessageKeeper keeper;
    QIFStreamB in;
    if (!OpenEngineFile(in, path))
      error = SerializeBinStream::ENoFile;
    else
      error = LoadRuntimeWorld(land, in, path, &info);
    messages = keeper.lines;
  }
  out = Dump(path, land, info, messages, error, json);
  return error == 0;
}
