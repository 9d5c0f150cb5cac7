#include "lib/shape/source_model_dump.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/qstream/qi_file_stream.h"
#include "engine/engine_file.h"
#include "engine/texture_bank.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/source_model_reader.h"
#include "lib/shape/tex_material.h"

namespace {

// Keeps the error-channel lines and passes every line on to the sink it replaced.
class MessageRecorder : public AppFrameFunctions {
 public:
  MessageRecorder() : previous_(CurrentAppFrameFunctions()) { SetAppFrameFunctions(this); }
  ~MessageRecorder() override { SetAppFrameFunctions(&previous_); }

  void LogLine(const char* format, va_list args) override { Forward(false, FormatMessage(format, args)); }
  void ErrorLine(const char* format, va_list args) override {
    std::string text = FormatMessage(format, args);
    lines.push_back(text);
    Forward(true, text);
  }

  std::vector<std::string> lines;

 private:
  void Forward(bool error, const std::string& text) { Call(error, "%s", text.c_str()); }
  void Call(bool error, const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (error) previous_.ErrorLine(format, args);
    else previous_.LogLine(format, args);
    va_end(args);
  }

  AppFrameFunctions& previous_;
};

// The shortest text that reads back as the same float ("null" when not finite).
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
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out + "\"";
}

std::string VersionText(const SourceModelInfo& info) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%02u", info.version >> 8, info.version & 0xFF);
  return text;
}

std::vector<std::string> TextureNames(const Shape& lod) {
  std::vector<std::string> names;
  for (const TextureRef& texture : lod.Textures()) names.push_back(texture ? texture->Name() : std::string());
  return names;
}

std::vector<std::string> MaterialNames(const Shape& lod) {
  std::vector<std::string> names;
  for (const TexMaterialRef& material : lod.Materials()) names.push_back(material ? material->Name() : std::string());
  return names;
}

float MassTotal(const LODShape& model) {
  double total = 0.0;
  for (float mass : model.Masses()) total += mass;
  return static_cast<float>(total);
}

class JsonWriter {
 public:
  std::string out;
  void List(const std::vector<std::string>& items) {
    out += "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + Quote(items[i]);
    out += "]";
  }
};

std::string JsonDump(const LODShape& model, const std::vector<std::string>& messages, bool ok) {
  JsonWriter j;
  const SourceModelInfo& info = model.SourceInfo();
  j.out += "{\n  \"file\": " + Quote(model.Name()) + ",\n  \"ok\": " + (ok ? "true" : "false") + ",\n";
  j.out += "  \"messages\": ";
  j.List(messages);
  if (!ok) return j.out + "\n}\n";
  j.out += ",\n  \"container\": " + Quote(info.container.empty() ? "none" : info.container) + ",\n";
  j.out += "  \"version\": " + std::to_string(info.version) + ",\n";
  j.out += "  \"versionText\": " + Quote(VersionText(info)) + ",\n";
  j.out += "  \"lods\": [";
  for (int i = 0; i < model.NLods(); ++i) {
    const Shape& lod = *model.Lod(i);
    float r = model.Resolution(i);
    j.out += i ? ",\n    {" : "\n    {";
    j.out += "\"index\": " + std::to_string(i) + ", \"resolution\": " + Number(r) + ", \"name\": " +
             Quote(LodKindName(r)) + ", \"kind\": " + std::to_string(SpecialLodKind(r)) +
             ", \"special\": " + (IsSpecialLod(r) ? "true" : "false") + ",\n     ";
    j.out += "\"points\": " + std::to_string(lod.NPoints()) + ", \"vertices\": " + std::to_string(lod.NVertices()) +
             ", \"faces\": " + std::to_string(lod.NFaces()) + ", \"uvSets\": " +
             (lod.Vertices().HasSecondUVSet() ? "2" : "1") + ", \"warnings\": " +
             (lod.HadWarnings() ? "true" : "false") + ",\n     \"textures\": ";
    j.List(TextureNames(lod));
    j.out += ", \"materials\": ";
    j.List(MaterialNames(lod));
    j.out += ",\n     \"selections\": [";
    const AutoArray<NamedSelection>& selections = lod.Selections();
    for (size_t s = 0; s < selections.size(); ++s) {
      const NamedSelection& sel = selections[s];
      j.out += (s ? ", " : "") + std::string("{\"name\": ") + Quote(sel.Name()) +
               ", \"points\": " + std::to_string(sel.Points().size()) +
               ", \"faces\": " + std::to_string(sel.Faces().size()) +
               ", \"vertices\": " + std::to_string(sel.Vertices().size()) +
               ", \"weighted\": " + (sel.HasWeights() ? "true" : "false") + "}";
    }
    j.out += "],\n     \"properties\": [";
    const NamedProperties& props = lod.Properties();
    for (int p = 0; p < props.Size(); ++p)
      j.out += (p ? ", " : "") + std::string("{\"name\": ") + Quote(props[p].name) + ", \"value\": " +
               Quote(props[p].value) + "}";
    j.out += "],\n     \"keyFrames\": [";
    const AutoArray<ShapeKeyFrame>& frames = lod.KeyFrames();
    for (size_t k = 0; k < frames.size(); ++k) j.out += (k ? ", " : "") + Number(frames[k].time);
    j.out += "]}";
  }
  j.out += model.NLods() ? "\n  ],\n" : "],\n";
  j.out += "  \"masses\": {\"count\": " + std::to_string(model.Masses().size()) + ", \"total\": " +
           Number(MassTotal(model)) + "}\n}\n";
  return j.out;
}

std::string Join(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
  return items.empty() ? "(none)" : text;
}

std::string TextDump(const LODShape& model, const std::vector<std::string>& messages) {
  const SourceModelInfo& info = model.SourceInfo();
  std::string out = "file: " + model.Name() + "\n";
  out += "container: " + (info.container.empty() ? std::string("none (single LOD)") : info.container) +
         ", version " + VersionText(info) + "\n";
  out += "lods: " + std::to_string(model.NLods()) + "\n";
  for (int i = 0; i < model.NLods(); ++i) {
    const Shape& lod = *model.Lod(i);
    float r = model.Resolution(i);
    out += "lod " + std::to_string(i) + ": " + LodKindName(r) + " (resolution " + Number(r) + ", kind " +
           std::to_string(SpecialLodKind(r)) + (IsSpecialLod(r) ? ", special" : "") + ")" +
           (lod.HadWarnings() ? ", had warnings" : "") + "\n";
    out += "  points " + std::to_string(lod.NPoints()) + ", vertices " + std::to_string(lod.NVertices()) +
           ", faces " + std::to_string(lod.NFaces()) + ", UV sets " +
           (lod.Vertices().HasSecondUVSet() ? "2" : "1") + "\n";
    out += "  textures: " + Join(TextureNames(lod)) + "\n";
    out += "  materials: " + Join(MaterialNames(lod)) + "\n";
    for (const NamedSelection& sel : lod.Selections())
      out += "  selection " + sel.Name() + ": points " + std::to_string(sel.Points().size()) + ", faces " +
             std::to_string(sel.Faces().size()) + ", vertices " + std::to_string(sel.Vertices().size()) +
             (sel.HasWeights() ? ", weighted" : "") + "\n";
    const NamedProperties& props = lod.Properties();
    for (int p = 0; p < props.Size(); ++p) out += "  property " + props[p].name + " = " + props[p].value + "\n";
    if (!lod.KeyFrames().empty()) {
      out += "  key frames:";
      for (const ShapeKeyFrame& frame : lod.KeyFrames()) out += " " + Number(frame.time);
      out += "\n";
    }
  }
  out += "masses: " + std::to_string(model.Masses().size()) + " points, total " + Number(MassTotal(model)) + "\n";
  for (const std::string& line : messages) out += "message: " + line + "\n";
  return out;
}

}  // namespace

std::string FormatSourceModelDump(const LODShape& model, const std::vector<std::string>& messages, bool json) {
  return json ? JsonDump(model, messages, true) : TextDump(model, messages);
}

bool DumpSourceModel(const RString& path, bool json, std::string& out) {
  MessageRecorder recorder;
  LODShape model;
  model.SetName(path);
  bool ok = false;
  QIFStreamB in;
  if (!OpenEngineFile(in, path)) {
    ErrorMessage("Cannot open object %s", path.c_str());
  } else {
    SourceModelIntake intake;
    ok = ReadSourceModel(in, path, model, intake);
  }
  if (ok) {
    out = FormatSourceModelDump(model, recorder.lines, json);
  } else if (json) {
    model.SetName(path);
    out = JsonDump(model, recorder.lines, false);
  } else {
    out.clear();
    for (const std::string& line : recorder.lines) out += line + "\n";
  }
  return ok;
}
