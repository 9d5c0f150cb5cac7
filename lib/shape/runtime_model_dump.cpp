#include "lib/shape/runtime_model_dump.h"

#include <utility>
#include <vector>

#include "el/appframe/forwarding_sink.h"
#include "el/appframe/message_recorder.h"
#include "el/qstream/qi_file_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "engine/engine_file.h"
#include "engine/texture_bank.h"
#include "lib/dump/dump_record.h"
#include "lib/dump/loaded_file_record.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_model.h"
#include "lib/shape/tex_material.h"

namespace {

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

DumpRecord MaterialRecord(const TexMaterial& m, bool json, int indent) {
  std::vector<std::string> stages;
  for (int i = 0; i < m.StageCount(); ++i) stages.push_back(m.stages[static_cast<size_t>(i)].texture);
  DumpRecord record(json, indent);
  record.Str("name", m.Name())
      .Int("pixelShader", m.pixelShaderID)
      .Int("vertexShader", m.vertexShaderID)
      .Str("surface", m.surfaceInfo)
      .Strings("stages", stages)
      .Str("stageTI", m.stageTI.texture);
  return record;
}

DumpRecord LodRecord(const LODShape& model, const RuntimeModelInfo& info, int i, bool json, int indent) {
  const Shape& lod = *model.Lod(i);
  size_t slot = static_cast<size_t>(i);
  float r = model.Resolution(i);
  const RuntimeLodValues& values = info.lodValues[slot];
  std::vector<DumpRecord> sections, materials, selections, properties;
  for (const ShapeSection& s : lod.Sections())
    sections.emplace_back(json, indent + 4)
        .Int("begin", s.beg)
        .Int("end", s.end)
        .Str("texture", TextureOf(lod, s.textureIndex))
        .Str("material", MaterialOf(lod, s.materialIndex))
        .Flags("special", s.special)
        .Int("boneWindowStart", s.boneWindowStart)
        .Int("boneWindowLength", s.boneWindowLength);
  for (const TexMaterialRef& m : lod.Materials())
    if (m) materials.push_back(MaterialRecord(*m, json, indent + 4));
  for (const NamedSelection& s : lod.Selections())
    selections.emplace_back(json, indent + 4)
        .Str("name", s.Name())
        .Int("faces", static_cast<int64_t>(s.Faces().size()))
        .Int("vertices", static_cast<int64_t>(s.Vertices().size()))
        .Int("sections", static_cast<int64_t>(s.Sections().size()));
  for (const NamedProperty& p : lod.Properties().Items())
    properties.emplace_back(json, indent + 4).Str("name", p.name).Str("value", p.value);
  std::vector<std::string> textures;
  for (size_t t = 0; t < lod.Textures().size(); ++t) textures.push_back(TextureOf(lod, static_cast<int>(t)));
  DumpRecord record(json, indent + 2);
  record.Int("index", i)
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
      .List("properties", properties, "property");
  return record;
}

DumpRecord ModelRecord(const LODShape& model, bool json) {
  const LODShapeBounds& b = model.Bounds();
  const LODShapePropertyValues& p = model.PropertyValues();
  const SpecialLodIndices& s = model.Special();
  const ModelConfigValues& c = model.Config();
  DumpRecord special(json, 4);
  special.Int("memory", s.memory)
      .Int("geometry", s.geometry)
      .Int("geometrySimple", s.geometrySimple)
      .Int("geometryFire", s.geometryFire)
      .Int("geometryView", s.geometryView)
      .Int("landContact", s.landContact)
      .Int("roadway", s.roadway)
      .Int("paths", s.paths)
      .Int("hitpoints", s.hitpoints);
  DumpRecord record(json, 2);
  record.Flags("special", model.ModelSpecial())
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
      .Raw("specialLods", special.Json(), "\n" + special.Text());
  return record;
}

std::string Dump(const LODShape& model, const RuntimeModelInfo& info, const std::vector<std::string>& messages,
                 int error, bool json) {
  DumpRecord top = LoadedFileRecord(json, model.Name(), error, messages, "not a runtime model (no \"ODOL\" magic)");
  if (error) return top.Printed();
  std::vector<DumpRecord> lods, animations;
  for (int i = 0; i < model.NLods(); ++i) lods.push_back(LodRecord(model, info, i, json, 2));
  if (info.animations)
    for (const RuntimeAnimation& a : info.animations->animations)
      animations.emplace_back(json, 4)
          .Str("name", a.name)
          .Int("type", static_cast<int>(a.type))
          .Str("source", a.source);
  DumpRecord modelRecord = ModelRecord(model, json);
  top.Str("magic", "ODOL")
      .Int("version", info.version)
      .Int("lodCount", model.NLods())
      .Raw("model", modelRecord.Json(), "\n" + modelRecord.Text())
      .List("animations", animations, "animation")
      .List("lods", lods, "lod");
  return top.Printed();
}

}  // namespace

bool DumpRuntimeModel(const RString& path, bool json, std::string& out) {
  LODShape model;
  RuntimeModelInfo info;
  int error = 0;
  std::vector<std::string> messages;
  {
    MessageRecorder recorder;
    ScopedSink keeping(recorder);
    QIFStreamB in;
    if (!OpenEngineFile(in, path)) {
      error = SerializeBinStream::ENoFile;
      model.SetName(path);
    } else {
      error = LoadRuntimeModel(model, in, path, &info);
    }
    messages = recorder.Texts();
  }
  model.SetName(path);
  out = Dump(model, info, messages, error, json);
  return error == 0;
}
