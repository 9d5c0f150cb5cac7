#include "lib/shape/odol_model_block.h"

#include <algorithm>
#include <cmath>

#include "el/appframe/app_frame.h"
#include "el/qstream/serialize_bin_stream.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_format.h"

namespace {

constexpr float kMinDrawImportance = 0.001f;
constexpr float kMaxDrawImportance = 10000.0f;

// 4 ln(1 - 1.5 alpha/255) of the model colour; -100 for nearly opaque colours.
float ViewDensityOf(uint32_t color) {
  float x = 1.0f - 1.5f * static_cast<float>(color >> 24) / 255.0f;
  return x <= 0.01f ? -100.0f : 4.0f * std::log(x);
}

// An int kept in one byte of the file.
void TransferByte(SerializeBinStream& f, int& value) {
  uint8_t byte = static_cast<uint8_t>(value);
  f.Transfer(byte);
  if (f.IsLoading()) value = byte;
}

// A LOD index kept as a signed byte: -1 or an index of the model.
void TransferLodIndex(SerializeBinStream& f, int& index, int nLods) {
  int8_t byte = static_cast<int8_t>(index);
  f.Transfer(byte);
  if (!f.IsLoading()) return;
  if (byte < -1 || byte >= nLods) f.SetError(SerializeBinStream::EFileStructure);
  else index = byte;
}

void TransferVector(SerializeBinStream& f, Vector3& v) { f.Transfer(v); }

void TransferSkeleton(SerializeBinStream& f, SkeletonRef& skeleton, const RString& name) {
  if (f.IsLoading()) skeleton = std::make_shared<Skeleton>(name);
  bool discrete = skeleton->IsDiscrete();
  f.Transfer(discrete);
  AutoArray<SkeletonBone> bones = f.IsSaving() ? skeleton->Bones() : AutoArray<SkeletonBone>();
  f.TransferArray(bones, [](SerializeBinStream& s, SkeletonBone& bone) {
    s.TransferString(bone.name);
    s.TransferString(bone.parent);
  });
  RString pivots = skeleton->PivotsModel();
  f.TransferString(pivots);
  if (f.IsLoading() && f.Ok()) {
    skeleton->SetDiscrete(discrete);
    for (SkeletonBone& bone : bones) skeleton->AddBone(std::move(bone.name), std::move(bone.parent));
    skeleton->SetPivotsModel(pivots);
  }
}

// The inverse of a 3 x 3 matrix (row major); identity when it has none.
void Invert3(const float m[9], float out[9]) {
  double a = m[0], b = m[1], c = m[2], d = m[3], e = m[4], g = m[5], h = m[6], i = m[7], k = m[8];
  double det = a * (e * k - g * i) - b * (d * k - g * h) + c * (d * i - e * h);
  if (!(std::fabs(det) > 1e-30)) {
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::copy(identity, identity + 9, out);
    return;
  }
  double r[9] = {e * k - g * i, c * i - b * k, b * g - c * e, g * h - d * k, a * k - c * h,
                 c * d - a * g, d * i - e * h, b * h - a * i, a * e - b * d};
  for (int j = 0; j < 9; ++j) out[j] = static_cast<float>(r[j] / det);
}

}  // namespace

bool TransferRuntimeModelBlock(SerializeBinStream& f, LODShape& model) {
  const int version = f.GetVersion();
  const int nLods = model.NLods();
  LODShapeBounds& b = model.Bounds();
  LODShapePropertyValues& p = model.PropertyValues();
  ModelConfigValues& c = model.Config();

  uint32_t special = model.ModelSpecial();
  f.Transfer(special);
  f.Transfer(b.radius);
  f.Transfer(b.radius2);
  uint32_t mirrored = model.Mirrored() ? 1 : 0;
  f.Transfer(mirrored);
  uint32_t clipAnd = model.ClipFlagsAnd(), clipOr = model.ClipFlagsOr();
  f.Transfer(clipAnd);
  f.Transfer(clipOr);
  TransferVector(f, b.pointA);
  uint32_t color = model.Color(), colorTop = model.ColorTop();
  f.Transfer(color);
  f.Transfer(colorTop);
  float viewDensity = ViewDensityOf(color);
  f.Transfer(viewDensity);
  TransferVector(f, b.min);
  TransferVector(f, b.max);
  if (version >= 52) {
    TransferVector(f, b.visualMin);
    TransferVector(f, b.visualMax);
  } else if (f.IsLoading()) {
    b.visualMin = b.min;
    b.visualMax = b.max;
  }
  TransferVector(f, b.center);
  TransferVector(f, b.pointB);
  TransferVector(f, b.centerOfMass);
  for (float& value : b.inertia) f.Transfer(value);
  f.Transfer(p.autoCenter);
  f.Transfer(p.lockAutoCenter);
  f.Transfer(p.canOcclude);
  f.Transfer(p.canBeOccluded);
  if (version >= 53) {
    f.Transfer(p.generateOffMeshConnections);
    float importance = std::clamp(p.drawImportance, kMinDrawImportance, kMaxDrawImportance);
    f.Transfer(importance);
    p.drawImportance = importance;
  }
  if (version >= 42) {
    f.Transfer(c.htMin);
    f.Transfer(c.htMax);
    f.Transfer(c.afMax);
    f.Transfer(c.mfMax);
  }
  if (version >= 43) {
    f.Transfer(c.mFact);
    f.Transfer(c.tBody);
  }
  if (version >= 33) f.Transfer(p.forceNotAlpha);
  if (version >= 37) {
    f.Transfer(p.sbSource);
    f.Transfer(p.preferShadowVolume);
  }
  f.Transfer(p.shadowOffset);
  bool softwareAnimated = model.AnimationType() == ModelAnimationType::Software;
  f.Transfer(softwareAnimated);
  RString skeletonName = c.skeleton ? c.skeleton->Name() : RString();
  f.TransferString(skeletonName);
  if (!skeletonName.empty()) TransferSkeleton(f, c.skeleton, skeletonName);
  else if (f.IsLoading()) c.skeleton.reset();
  TransferByte(f, p.mapType);
  f.TransferCompressedArray(model.Masses(), true);
  f.Transfer(b.mass);
  f.Transfer(b.invMass);
  f.Transfer(b.armor);
  f.Transfer(b.invArmor);

  SpecialLodIndices& s = model.Special();
  TransferLodIndex(f, s.memory, nLods);
  TransferLodIndex(f, s.geometry, nLods);
  if (version >= 54) TransferLodIndex(f, s.geometrySimple, nLods);
  TransferLodIndex(f, s.geometryFire, nLods);
  TransferLodIndex(f, s.geometryView, nLods);
  TransferLodIndex(f, s.geometryViewPilot, nLods);
  TransferLodIndex(f, s.geometryViewGunner, nLods);
  int unused = -1;
  TransferLodIndex(f, unused, nLods);
  TransferLodIndex(f, s.geometryViewCargo, nLods);
  TransferLodIndex(f, s.landContact, nLods);
  TransferLodIndex(f, s.roadway, nLods);
  TransferLodIndex(f, s.paths, nLods);
  TransferLodIndex(f, s.hitpoints, nLods);
  int32_t shadowLimit = static_cast<int8_t>(s.shadowLodLimit);
  f.Transfer(shadowLimit);
  uint8_t marker = model.ShaderMarker();
  if (version >= 38) f.Transfer(marker);
  f.TransferString(p.className);
  f.TransferString(p.damage);
  f.Transfer(p.frequent);
  if (version >= 31)
    f.TransferArray(c.removedSelections, [](SerializeBinStream& st, RString& name) { st.TransferString(name); });
  if (!f.Ok()) return false;

  if (f.IsSaving()) {
    LogMessage("DIAG-SERIALIZED BoundingCenter of %s: %.2f,%.2f", model.Name().c_str(), static_cast<double>(b.center.x),
               static_cast<double>(b.center.z));
    return true;
  }
  model.SetModelSpecial(special);
  model.SetMirrored(mirrored != 0);
  model.SetClipFlags(clipAnd, clipOr);
  model.SetColors(color, colorTop);
  model.SetViewDensity(viewDensity);
  Invert3(b.inertia, b.invInertia);
  model.SetAnimationType(softwareAnimated ? ModelAnimationType::Software
                         : c.skeleton    ? ModelAnimationType::Skeletal
                                         : ModelAnimationType::None);
  s.shadowLodLimit = shadowLimit;
  model.SetShaderMarker(marker);
  return true;
}
