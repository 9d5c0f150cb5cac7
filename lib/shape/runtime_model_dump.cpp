#include "lib/shape/runtime_model_dump.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "engine/engine_file.h"
#include "engine/texture_bank.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_model.h"
#include "lib/shape/tex_material.h"

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
    case SerializeBinStream::EBadFileType: return "not a runtime model (no \"ODOL\" magic)";
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

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
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

std::string TextureOf(const Shape& lod, int index) {
  if (index < 0 || static_cast<size_t>(index) >= lod.Textures().size() || !lod.Textures()[static_cast<size_t>(index)])
    return {};
  return lod.Textures()[static_cast<size_t>(index)]->Name();
}

std::string MaterialOf(const Shape& lod, int index) {
  if (index < 0 || static_cast<size_t>(index) >= lod.Materials().size() || !lod.Materials()[static_cast<size_t>(index)])
    return {};
  return lod.Materials()[static_cast<size_t>(index)]->Name();
}

// Builds one JSON object or a block of "key: value" lines with the same keys.
class Record {
 public:
  Record(bool json, int indent) : json_(json), indent_(indent) {}
  Record& Raw(const std::string& key, const std::string& jsonValue, const std::string& textValue) {
    if (json_) out_ += (first_ ? "" : ", ") + Quote(key) + ": " + jsonValue;
    else out_ += std::string(static_cast<size_t>(indent_), ' ') + key + ": " + textValue + "\n";
    first_ = false;
    return *this;
  }
  Record& Int(const std::string& key, int64_t value) { return Raw(key, std::to_string(value), std::to_string(value)); }
  Record& Flags(const std::string& key, uint32_t value) { return Raw(key, std::to_string(value), Hex(value)); }
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
  // A list of records: JSON array of objects; text: one indented block per item.
  Record& List(const std::string& key, const std::vector<std::string>& items, const std::string& itemTitle) {
    if (json_) {
      std::string j = "[";
      for (size_t i = 0; i < items.size(); ++i) j += (i ? ",\n" + std::string(static_cast<size_t>(indent_) + 2, ' ') : "") + items[i];
      return Raw(key, j + "]", "");
    }
    out_ += std::string(static_cast<size_t>(indent_), ' ') + key + ": " + std::to_string(items.size()) + "\n";
    for (size_t i = 0; i < items.size(); ++i)
      out_ += std::string(static_cast<size_t>(indent_) + 2, ' ') + itemTitle + " " + std::to_string(i) + ":\n" + items[i];
    return *this;
  }
  std::string Done() const { return json_ ? "{" + out_ + "}" : out_; }

 private:
  bool json_;
  int indent_;
  bool first_ = true;
  std::string out_;
};

std::string MaterialRecord(const TexMaterial& m, bool json, int indent) {
  std::vector<std::string> stages;
  for (int i = 0; i < m.StageCount(); ++i) stages.push_back(m.stages[static_cast<size_t>(i)].texture);
  return Record(json, indent)
      .Str("name", m.Name())
      .Int("pixelShader", m.pixelShaderID)
      .Int("vertexShader", m.vertexShaderID)
      .Str("surface", m.surfaceInfo)
      .Strings("stages", stages)
      .Str("stageTI", m.stageTI.texture)
      .Done();
}

std::string LodRecord(const LODShape& model, const RuntimeModelInfo& info, int i, bool json, int indent) {
  const Shape& lod = *model.Lod(i);
  size_t slot = static_cast<size_t>(i);
  float r = model.Resolution(i);
  const RuntimeLodValues& values = info.lodValues[slot];
  std::vector<std::string> sections, materials, selections, properties;
  for (const ShapeSection& s : lod.Sections())
    sections.push_back(Record(json, indent + 4)
                           .Int("begin", s.beg)
                           .Int("end", s.end)
                           .Str("texture", TextureOf(lod, s.textureIndex))
                           .Str("material", MaterialOf(lod, s.materialIndex))
                           .Flags("special", s.special)
                           .Int("boneWindowStart", s.boneWindowStart)
                           .Int("boneWindowLength", s.boneWindowLength)
                           .Done());
  for (const TexMaterialRef& m : lod.Materials())
    if (m) materials.push_back(MaterialRecord(*m, json, indent + 4));
  for (const NamedSelection& s : lod.Selections())
    selections.push_back(Record(json, indent + 4)
                             .Str("name", s.Name())
                             .Int("faces", static_cast<int64_t>(s.Faces().size()))
                             .Int("vertices", static_cast<int64_t>(s.Vertices().size()))
                             .Int("sections", static_cast<int64_t>(s.Sections().size()))
                             .Done());
  for (const NamedProperty& p : lod.Properties().Items())
    properties.push_back(Record(json, indent + 4).Str("name", p.name).Str("value", p.value).Done());
  std::vector<std::string> textures;
  for (size_t t = 0; t < lod.Textures().size(); ++t) textures.push_back(TextureOf(lod, static_cast<int>(t)));
  return Record(json, indent + 2)
      .Int("index", i)
      .Float("resolution", r)
      .Str("name", LodKindName(r))
      .Bool("permanent", info.permanent[slot] != 0)
      .Int("start", info.lodStart[slot])
      .Int("end", info.lodEnd[slot])
      .Int("points", static_cast<int64_t>(lod.PointToVertex().size()))
      .Int("vertices", lod.NVertices())
      .Int("faces", lod.NFaces())
      .Int("sectionCount", static_cast<int64_t>(lod.Sections().size()))
      .Int("uvSets", lod.Vertices().HasSecondUVSet() ? 2 : 1)
      .Int("tangents", static_cast<int64_t>(lod.Vertices().Tangents().size()))
      .Int("boneWeights", static_cast<int64_t>(lod.Vertices().Weights().size()))
      .Int("neighbourRecords", static_cast<int64_t>(lod.Vertices().Neighbors().size()))
      .Int("vertexDataSize", values.vertexDataSize)
      .Float("area", values.area)
      .Flags("clipOr", values.clipOr)
      .Flags("clipAnd", values.clipAnd)
      .Vector("boundingMin", values.min)
      .Vector("boundingMax", values.max)
      .Float("radius", values.radius)
      .Flags("special", lod.Special())
      .Flags("color", lod.Color())
      .Int("proxies", static_cast<int64_t>(lod.Proxies().size()))
      .Int("subSkeleton", static_cast<int64_t>(lod.SubSkeletonToSkeleton().size()))
      .Int("keyFrames", static_cast<int64_t>(lod.KeyFrames().size()))
      .Strings("textures", textures)
      .List("sections", sections, "section")
      .List("materials", materials, "material")
      .List("selections", selections, "selection")
      .List("properties", properties, "property")
      .Done();
}

std::string ModelRecord(const LODShape& model, bool json) {
  const LODShapeBounds& b = model.Bounds();
  const LODShapePropertyValues& p = model.PropertyValues();
  const SpecialLodIndices& s = model.Special();
  const ModelConfigValues& c = model.Config();
  std::string special = Record(json, 4)
                            .Int("memory", s.memory)
                            .Int("geometry", s.geometry)
                            .Int("geometrySimple", s.geometrySimple)
                            .Int("geometryFire", s.geometryFire)
                            .Int("geometryView", s.geometryView)
                            .Int("landContact", s.landContact)
                            .Int("roadway", s.roadway)
                            .Int("paths", s.paths)
                            .Int("hitpoints", s.hitpoints)
                            .Done();
  return Record(json, 2)
      .Flags("special", model.ModelSpecial())
      .Float("radius", b.radius)
      .Float("radius2", b.radius2)
      .Flags("clipAnd", model.ClipFlagsAnd())
      .Flags("clipOr", model.ClipFlagsOr())
      .Flags("color", model.Color())
      .Flags("colorTop", model.ColorTop())
      .Float("viewDensity", model.ViewDensity())
      .Vector("boundingMin", b.min)
      .Vector("boundingMax", b.max)
      .Vector("visualMin", b.visualMin)
      .Vector("visualMax", b.visualMax)
      .Vector("boundingCenter", b.center)
      .Vector("centerOfMass", b.centerOfMass)
      .Float("mass", b.mass)
      .Int("masses", static_cast<int64_t>(model.Masses().size()))
      .Float("armor", b.armor)
      .Int("mapType", p.mapType)
      .Bool("autoCenter", p.autoCenter)
      .Int("sbSource", p.sbSource)
      .Float("drawImportance", p.drawImportance)
      .Str("class", p.className)
      .Str("damage", p.damage)
      .Str("skeleton", c.skeleton ? c.skeleton->Name() : std::string())
      .Int("bones", c.skeleton ? c.skeleton->NBones() : 0)
      .Int("animationType", static_cast<int>(model.AnimationType()))
      .Int("shaderMarker", model.ShaderMarker())
      .Int("shadowLodLimit", s.shadowLodLimit)
      .Strings("removedSelections", std::vector<std::string>(c.removedSelections.begin(), c.removedSelections.end()))
      .Raw("specialLods", special, "\n" + special)
      .Done();
}

std::string Dump(const LODShape& model, const RuntimeModelInfo& info, const std::vector<std::string>& messages,
                 int error, bool json) {
  Record top(json, 0);
  top.Str("file", model.Name()).Bool("ok", error == 0);
  if (error) top.Int("error", error).Str("reason", ErrorText(error));
  top.Strings("messages", messages);
  if (error) return top.Done() + (json ? "\n" : "");
  std::vector<std::string> lods, animations;
  for (int i = 0; i < model.NLods(); ++i) lods.push_back(LodRecord(model, info, i, json, 2));
  if (info.animations)
    for (const RuntimeAnimation& a : info.animations->animations)
      animations.push_back(Record(json, 4)
                               .Str("name", a.name)
                               .Int("type", static_cast<int>(a.type))
                               .Str("source", a.source)
                               .Done());
  std::string modelRecord = ModelRecord(model, json);
  top.Str("magic", "ODOL")
      .Int("version", info.version)
      .Int("lodCount", model.NLods())
      .Raw("model", modelRecord, "\n" + modelRecord)
      .List("animations", animations, "animation")
      .List("lods", lods, "lod");
  return top.Done() + (json ? "\n" : "");
}

}  // namespace

bool DumpRuntimeModel(const RString& path, bool json, std::string& out) {
  LODShape model;
  RuntimeModelInfo info;
  int error = 0;
  std::vector<std::string> messages;
  {
    MessageKeeper keeper;
    QIFStreamB in;
    if (!OpenEngineFile(in, path)) {
      error = SerializeBinStream::ENoFile;
      model.SetName(path);
    } else {
      error = LoadRuntimeModel(model, in, path, &info);
    }
    messages = keeper.lines;
  }
  model.SetName(path);
  out = Dump(model, info, messages, error, json);
  return error == 0;
}
