#include "lib/shape/source_model_dump.h"

#include <cstdio>
#include <vector>

#include "el/appframe/forwarding_sink.h"
#include "el/appframe/message_recorder.h"
#include "el/qstream/qi_file_stream.h"
#include "engine/engine_file.h"
#include "engine/texture_bank.h"
#include "lib/dump/dump_json.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/source_model_reader.h"
#include "lib/shape/tex_material.h"

namespace {

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

DumpJson JsonDump(const LODShape& model, const std::vector<std::string>& messages, bool ok) {
  const SourceModelInfo& info = model.SourceInfo();
  DumpJson top = {{"file", JsonText(model.Name())}, {"ok", ok}, {"messages", JsonTexts(messages)}};
  if (!ok) return top;
  top["container"] = JsonText(info.container.empty() ? "none" : info.container);
  top["version"] = info.version;
  top["versionText"] = VersionText(info);
  DumpJson& lods = top["lods"] = DumpJson::array();
  for (int i = 0; i < model.NLods(); ++i) {
    const Shape& lod = *model.Lod(i);
    float r = model.Resolution(i);
    DumpJson selections = DumpJson::array(), properties = DumpJson::array(), keyFrames = DumpJson::array();
    for (const NamedSelection& sel : lod.Selections())
      selections.push_back({{"name", JsonText(sel.Name())},
                            {"points", sel.Points().size()},
                            {"faces", sel.Faces().size()},
                            {"vertices", sel.Vertices().size()},
                            {"weighted", sel.HasWeights()}});
    const NamedProperties& props = lod.Properties();
    for (int p = 0; p < props.Size(); ++p)
      properties.push_back({{"name", JsonText(props[p].name)}, {"value", JsonText(props[p].value)}});
    for (const ShapeKeyFrame& frame : lod.KeyFrames()) keyFrames.push_back(JsonFloat(frame.time));
    lods.push_back({{"index", i},
                    {"resolution", JsonFloat(r)},
                    {"name", JsonText(LodKindName(r))},
                    {"kind", SpecialLodKind(r)},
                    {"special", IsSpecialLod(r)},
                    {"points", lod.NPoints()},
                    {"vertices", lod.NVertices()},
                    {"faces", lod.NFaces()},
                    {"uvSets", lod.Vertices().HasSecondUVSet() ? 2 : 1},
                    {"warnings", lod.HadWarnings()},
                    {"textures", JsonTexts(TextureNames(lod))},
                    {"materials", JsonTexts(MaterialNames(lod))},
                    {"selections", std::move(selections)},
                    {"properties", std::move(properties)},
                    {"keyFrames", std::move(keyFrames)}});
  }
  top["masses"] = {{"count", model.Masses().size()}, {"total", JsonFloat(MassTotal(model))}};
  return top;
}

std::string Join(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
  return items.empty() ? "(none)" : text;
}

std::string TextDump(const LODShape& model, const std::vector<std::string>& messages) {
  const SourceModelInfo& info = model.SourceInfo();
  std::string out = "file: " + model.Name() + "\n";
  out += "container: " + (info.container.empty() ? std::string("none (single LOD)") : info.container) + ", version " +
         VersionText(info) + "\n";
  out += "lods: " + std::to_string(model.NLods()) + "\n";
  for (int i = 0; i < model.NLods(); ++i) {
    const Shape& lod = *model.Lod(i);
    float r = model.Resolution(i);
    out += "lod " + std::to_string(i) + ": " + LodKindName(r) + " (resolution " + ShortestFloatText(r) + ", kind " +
           std::to_string(SpecialLodKind(r)) + (IsSpecialLod(r) ? ", special" : "") + ")" +
           (lod.HadWarnings() ? ", had warnings" : "") + "\n";
    out += "  points " + std::to_string(lod.NPoints()) + ", vertices " + std::to_string(lod.NVertices()) + ", faces " +
           std::to_string(lod.NFaces()) + ", UV sets " + (lod.Vertices().HasSecondUVSet() ? "2" : "1") + "\n";
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
      for (const ShapeKeyFrame& frame : lod.KeyFrames()) out += " " + ShortestFloatText(frame.time);
      out += "\n";
    }
  }
  out += "masses: " + std::to_string(model.Masses().size()) + " points, total " + ShortestFloatText(MassTotal(model)) +
         "\n";
  for (const std::string& line : messages) out += "message: " + line + "\n";
  return out;
}

}  // namespace

std::string FormatSourceModelDump(const LODShape& model, const std::vector<std::string>& messages, bool json) {
  return json ? PrintedJson(JsonDump(model, messages, true)) : TextDump(model, messages);
}

bool DumpSourceModel(const RString& path, bool json, std::string& out) {
  LODShape model;
  model.SetName(path);
  bool ok = false;
  MessageRecorder recorder;
  {
    ScopedSink keeping(recorder);
    QIFStreamB in;
    if (!OpenEngineFile(in, path)) {
      ErrorMessage("Cannot open object %s", path.c_str());
    } else {
      SourceModelIntake intake;
      ok = ReadSourceModel(in, path, model, intake);
    }
  }
  // The error-channel lines are part of the dump; every line is also told as usual.
  const std::vector<std::string> lines = recorder.ErrorChannelTexts();
  recorder.Replay();
  if (ok) {
    out = FormatSourceModelDump(model, lines, json);
  } else if (json) {
    model.SetName(path);
    out = PrintedJson(JsonDump(model, lines, false));
  } else {
    out.clear();
    for (const std::string& line : lines) out += line + "\n";
  }
  return ok;
}
