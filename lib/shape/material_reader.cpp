#include "lib/shape/material_reader.h"

#include <string>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_class.h"
#include "engine/texture_bank.h"
#include "lib/shape/material_stage_check.h"
#include "lib/shape/tex_material.h"
#include "platform/ascii.h"

namespace {

// Reads keys of one class; the first key that cannot be read clears ok().
class ClassReader {
 public:
  explicit ClassReader(const ParamClass& cls) : cls_(cls) {}
  bool ok() const { return ok_; }

  // The entry `key` of the class or its bases, or an empty handle.
  ParamEntryVal Entry(std::string_view key) const { return cls_.Find(key, false, true); }

  void Floats(std::string_view key, float* values, int count) {
    ParamEntryVal entry = Entry(key);
    if (!entry) return;
    const ParamArray* array = entry.GetEntry()->GetArrayInterface();
    if (!array || array->GetSize() < count) {
      Fail();
      return;
    }
    const ParamFile* file = ParamFileOf(entry.GetHolder());
    for (int i = 0; i < count; ++i) {
      const IParamArrayValue& item = (*array)[i];
      if (item.IsArrayValue()) {
        Fail();
        return;
      }
      values[i] = item.GetFloat(file);
    }
  }
  void Color(std::string_view key, MaterialColor& color) {
    float values[4] = {color.r, color.g, color.b, color.a};
    Floats(key, values, 4);
    color = {values[0], values[1], values[2], values[3]};
  }
  void Vector(std::string_view key, Vector3& vector) {
    float values[3] = {vector.x, vector.y, vector.z};
    Floats(key, values, 3);
    vector = {values[0], values[1], values[2]};
  }
  void Float(std::string_view key, float& value) {
    if (ParamEntryVal entry = Value(key)) value = entry.GetFloat();
  }
  void Int(std::string_view key, int& value) {
    if (ParamEntryVal entry = Value(key)) value = entry.GetInt();
  }
  void Bool(std::string_view key, bool& value) {
    if (ParamEntryVal entry = Value(key)) value = entry.GetBool();
  }
  void String(std::string_view key, RString& value) {
    if (ParamEntryVal entry = Value(key)) value = entry.GetValue();
  }
  // A value given by name (or by its number).
  void Enum(std::string_view key, MaterialEnum kind, int& value) {
    ParamEntryVal entry = Value(key);
    if (!entry) return;
    if (!EnumValue(kind, entry.GetEntry()->GetValueType(), entry.GetValue(), value)) Fail();
  }
  void RenderFlags(std::string_view key, uint32_t& flags) {
    ParamEntryVal entry = Entry(key);
    if (!entry) return;
    const ParamArray* array = entry.GetEntry()->GetArrayInterface();
    if (!array) {
      Fail();
      return;
    }
    const ParamFile* file = ParamFileOf(entry.GetHolder());
    for (int i = 0; i < array->GetSize(); ++i) {
      const IParamArrayValue& item = (*array)[i];
      int flag = 0;
      if (item.IsArrayValue() || !EnumValue(MaterialEnum::RenderFlag, item.GetValueType(), item.GetValue(file), flag)) {
        Fail();
        return;
      }
      flags |= 1u << flag;
    }
  }
  // A nested class, or null (a key that is not a class fails the read).
  const ParamClass* Class(std::string_view key) {
    ParamEntryVal entry = Entry(key);
    if (!entry) return nullptr;
    const ParamClass* cls = entry.GetEntry()->GetClassInterface();
    if (!cls || !cls->IsDefined()) {
      Fail();
      return nullptr;
    }
    return cls;
  }
  void Transform(std::string_view key, Matrix4& matrix) {
    ParamEntryVal entry = Entry(key);
    if (!entry) return;
    if (entry.GetEntry()->IsArray()) {
      float values[12];
      Floats(key, values, 12);
      if (ok_) matrix = {{values[0], values[1], values[2]}, {values[3], values[4], values[5]},
                         {values[6], values[7], values[8]}, {values[9], values[10], values[11]}};
      return;
    }
    const ParamClass* cls = Class(key);
    if (!cls) return;
    ClassReader nested(*cls);
    nested.Vector("aside", matrix.axisX);
    nested.Vector("up", matrix.axisY);
    nested.Vector("dir", matrix.axisZ);
    nested.Vector("pos", matrix.position);
    if (!nested.ok()) Fail();
  }
  void Fail() { ok_ = false; }

 private:
  // A plain value entry; arrays and classes fail the read.
  ParamEntryVal Value(std::string_view key) {
    ParamEntryVal entry = Entry(key);
    if (entry && !entry.GetEntry()->IsValue()) {
      Fail();
      return {};
    }
    return entry;
  }
  static bool EnumValue(MaterialEnum kind, ParamValueType type, const RString& text, int& value) {
    if (type == ParamValueType::Int || type == ParamValueType::Float || type == ParamValueType::Int64) {
      int number = std::atoi(text.c_str());
      if (number < 0 || number >= MaterialEnumCount(kind) || MaterialEnumName(kind, number).empty()) return false;
      value = number;
      return true;
    }
    std::optional<int> named = MaterialEnumValue(kind, text);
    if (!named) return false;
    value = *named;
    return true;
  }

  const ParamClass& cls_;
  bool ok_ = true;
};

void ReadStage(ClassReader& owner, const ParamClass& cls, TexStageInfo& stage) {
  ClassReader reader(cls);
  reader.Enum("filter", MaterialEnum::Filter, stage.filter);
  reader.String("texture", stage.texture);
  stage.texture = AsciiLowerCopy(stage.texture);
  reader.Int("texGen", stage.texGen);
  reader.Bool("useWorldEnvMap", stage.useWorldEnvMap);
  if (stage.texGen < 0 || stage.texGen >= TexMaterial::kTexGenSlots) reader.Fail();
  if (!reader.ok()) owner.Fail();
}

void ReadTexGen(ClassReader& owner, const ParamClass& cls, TexGenInfo& texGen) {
  ClassReader reader(cls);
  reader.Enum("uvSource", MaterialEnum::UVSource, texGen.uvSource);
  reader.Transform("uvTransform", texGen.uvTransform);
  if (!reader.ok()) owner.Fail();
}

void ReadStages(ClassReader& reader, TexMaterial& m) {
  if (reader.Entry("texGen0")) {
    for (int i = 0; i < TexMaterial::kMaxTexGens; ++i)
      if (const ParamClass* cls = reader.Class("texGen" + std::to_string(i)))
        ReadTexGen(reader, *cls, m.texGens[static_cast<size_t>(i)]);
    for (int i = 0; i < TexMaterial::kMaxStages; ++i)
      if (const ParamClass* cls = reader.Class("stage" + std::to_string(i)))
        ReadStage(reader, *cls, m.stages[static_cast<size_t>(i)]);
  } else {
    // The older layout: a stage carries its own texture coordinates.
    for (int i = 0; i < TexMaterial::kMaxTexGens; ++i) {
      if (const ParamClass* cls = reader.Class("stage" + std::to_string(i))) {
        ReadTexGen(reader, *cls, m.texGens[static_cast<size_t>(i)]);
        ReadStage(reader, *cls, m.stages[static_cast<size_t>(i)]);
      }
    }
  }
  if (const ParamClass* cls = reader.Class("stageTI")) {
    m.hasStageTI = true;
    ReadStage(reader, *cls, m.stageTI);
  }
}

void ReadKeys(ClassReader& r, TexMaterial& m) {
  r.Color("emmisive", m.emmisive);
  r.Color("ambient", m.ambient);
  r.Color("diffuse", m.diffuse);
  r.Color("forcedDiffuse", m.forcedDiffuse);
  r.Color("specular", m.specular);
  r.Color("treeColorization", m.treeColorization);
  r.Floats("plantWind", m.plantWind.data(), 4);
  r.Floats("superExt", m.superExt.data(), 4);
  r.Float("specularPower", m.specularPower);
  r.Float("parallaxScale", m.parallaxScale);
  r.Float("terrainIndirectLocalShadowBias", m.terrainIndirectLocalShadowBias);
  r.Float("shadowBias", m.shadowBias);
  r.Int("sortBias", m.sortBias);
  r.Int("superAllowProjectionLayer", m.superAllowProjectionLayer);
  r.Int("treeAllowProjectionLayer", m.treeAllowProjectionLayer);
  r.Int("multiTopProjectionLayer", m.multiTopProjectionLayer);
  r.Float("degAngleTopProjectionStart", m.degAngleTopProjectionStart);
  r.Float("degAngleTopProjectionEnd", m.degAngleTopProjectionEnd);
  r.Int("multiTopProjectionBlend", m.multiTopProjectionBlend);
  r.Int("multiTopProjectionLayerNormal", m.multiTopProjectionLayerNormal);
  r.Vector("projectionVector", m.projectionVector);
  r.Enum("pixelShaderID", MaterialEnum::PixelShader, m.pixelShaderID);
  r.Enum("vertexShaderID", MaterialEnum::VertexShader, m.vertexShaderID);
  r.Enum("mainLight", MaterialEnum::MainLight, m.mainLight);
  r.Enum("fogMode", MaterialEnum::FogMode, m.fogMode);
  r.RenderFlags("renderFlags", m.renderFlags);
  r.String("nextPass", m.nextPass);
  r.String("surfaceInfo", m.surfaceInfo);
  ReadStages(r, m);
}

}  // namespace

bool ReadMaterialClass(TexMaterial& material, const ParamClass& cls) {
  material.Reset();
  ClassReader reader(cls);
  ReadKeys(reader, material);
  if (!reader.ok()) {
    ErrorMessage("Error while loading material %s", material.Name().c_str());
    material.Reset();
    return false;
  }
  material.DeriveCounts();
  CheckMaterialStages(material);
  material.DeriveCounts();
  // The engine knows the textures its materials use.
  for (const RString& texture : material.TextureNames()) Textures().Load(texture);
  return true;
}
