#include "lib/shape/material_transfer.h"

#include "el/appframe/app_frame.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/shape/tex_material.h"

namespace {

// Versions that no record of ours has.
constexpr int kRefusedVersion = 8;

void TransferColor(SerializeBinStream& f, MaterialColor& color) {
  f.Transfer(color.r);
  f.Transfer(color.g);
  f.Transfer(color.b);
  f.Transfer(color.a);
}

void TransferFloats(SerializeBinStream& f, std::array<float, 4>& values) {
  for (float& value : values) f.Transfer(value);
}

void TransferMatrix(SerializeBinStream& f, Matrix4& m) {
  f.Transfer(m.axisX);
  f.Transfer(m.axisY);
  f.Transfer(m.axisZ);
  f.Transfer(m.position);
}

void TransferStage(SerializeBinStream& f, TexStageInfo& stage) {
  f.Transfer(stage.filter);
  // Unknown filters (and negative ones) read as the default anisotropic filter.
  if (f.IsLoading() && static_cast<unsigned>(stage.filter) > texture_filter::kMax)
    stage.filter = texture_filter::kAnizotropic;
  f.TransferString(stage.texture);
  f.Transfer(stage.texGen);
  if (f.IsLoading() && (stage.texGen < 0 || stage.texGen >= TexMaterial::kTexGenSlots))
    f.SetError(SerializeBinStream::EFileStructure);
  f.Transfer(stage.useWorldEnvMap);
}

void TransferTexGen(SerializeBinStream& f, TexGenInfo& texGen) {
  f.Transfer(texGen.uvSource);
  TransferMatrix(f, texGen.uvTransform);
}

// Stage and generator counts, checked against the arrays a material has.
bool TransferCount(SerializeBinStream& f, int& count, int limit) {
  f.Transfer(count);
  if (f.IsLoading() && f.Ok() && (count < 0 || count > limit)) f.SetError(SerializeBinStream::EFileStructure);
  return f.Ok();
}

}  // namespace

bool TransferMaterialRecord(SerializeBinStream& f, TexMaterial& m) {
  int version = material_record::kVersion;
  f.Transfer(version);
  if (!f.Ok()) return false;
  if (version > material_record::kVersion || version == kRefusedVersion || version < 0) {
    ErrorMessage("Cannot load material %s - bad version %d (%d expected)", m.Name().c_str(), version,
                 material_record::kVersion);
    f.SetError(SerializeBinStream::EBadVersion);
    return false;
  }
  TransferColor(f, m.emmisive);
  TransferColor(f, m.ambient);
  TransferColor(f, m.diffuse);
  TransferColor(f, m.forcedDiffuse);
  TransferColor(f, m.specular);
  if (version >= 12) TransferColor(f, m.treeColorization);
  if (version >= 13) TransferFloats(f, m.plantWind);
  // The specular colour goes a second time; the second copy is the one kept.
  TransferColor(f, m.specular);
  f.Transfer(m.specularPower);
  if (version >= 14) f.Transfer(m.parallaxScale);
  if (version >= 15) f.Transfer(m.shadowBias);
  if (version >= 16) TransferFloats(f, m.superExt);
  if (version >= 17) f.Transfer(m.sortBias);
  if (version >= 18) {
    f.Transfer(m.superAllowProjectionLayer);
    f.Transfer(m.multiTopProjectionLayer);
    f.Transfer(m.degAngleTopProjectionStart);
    f.Transfer(m.degAngleTopProjectionEnd);
    f.Transfer(m.multiTopProjectionBlend);
    f.Transfer(m.multiTopProjectionLayerNormal);
  }
  if (version >= 19) {
    f.Transfer(m.projectionVector);
    f.Transfer(m.treeAllowProjectionLayer);
  }
  if (version >= 20) f.Transfer(m.terrainIndirectLocalShadowBias);
  f.Transfer(m.pixelShaderID);
  f.Transfer(m.vertexShaderID);
  f.Transfer(m.mainLight);
  f.Transfer(m.fogMode);
  f.TransferString(m.surfaceInfo);

  // Render flags: a list of words; the material keeps one word of flag bits.
  AutoArray<uint32_t> renderFlags{m.renderFlags};
  f.TransferCompressedArray(renderFlags, false);
  if (f.IsLoading()) m.renderFlags = renderFlags.empty() ? 0u : renderFlags.front();

  int stageCount = m.StageCount();
  int texGenCount = m.TexGenCount();
  if (!TransferCount(f, stageCount, TexMaterial::kMaxStages)) return false;
  if (!TransferCount(f, texGenCount, TexMaterial::kTexGenSlots)) return false;
  for (int i = 0; i < stageCount && f.Ok(); ++i) TransferStage(f, m.stages[static_cast<size_t>(i)]);
  for (int i = 0; i < texGenCount && f.Ok(); ++i) TransferTexGen(f, m.texGens[static_cast<size_t>(i)]);
  TransferStage(f, m.stageTI);
  if (f.IsLoading() && f.Ok()) {
    m.hasStageTI = !m.stageTI.texture.empty();
    m.DeriveCounts();
  }
  return f.Ok();
}
