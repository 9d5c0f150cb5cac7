#include "lib/shape/odol_animation.h"

#include <iterator>

#include "el/qstream/serialize_bin_stream.h"
#include "platform/ascii.h"

namespace {

constexpr const char* kTypeNames[] = {"rotation",     "rotationX",    "rotationY",    "rotationZ", "translation",
                                      "translationX", "translationY", "translationZ", "direct",    "hide"};

void TransferAxis(SerializeBinStream& f, RuntimeAnimationAxis& axis) {
  f.TransferString(axis.axis);
  f.TransferString(axis.begin);
  f.TransferString(axis.end);
}

void TransferAnimation(SerializeBinStream& f, RuntimeAnimation& animation) {
  int32_t type = static_cast<int32_t>(animation.type);
  f.Transfer(type);
  if (f.IsLoading()) {
    if (type < 0 || type > static_cast<int32_t>(RuntimeAnimationType::Hide)) {
      f.SetError(SerializeBinStream::EFileStructure);
      return;
    }
    animation.type = static_cast<RuntimeAnimationType>(type);
  }
  f.TransferString(animation.name);
  f.TransferString(animation.source);
  f.Transfer(animation.minPhase);
  f.Transfer(animation.maxPhase);
  f.Transfer(animation.minValue);
  f.Transfer(animation.maxValue);
  f.Transfer(animation.sourceAddress);
  if (animation.type == RuntimeAnimationType::Hide) {
    f.Transfer(animation.value0);
  } else if (animation.type == RuntimeAnimationType::Direct) {
    f.Transfer(animation.directPoints[0]);
    f.Transfer(animation.directPoints[1]);
    f.Transfer(animation.directValues[0]);
    f.Transfer(animation.directValues[1]);
  } else {
    f.Transfer(animation.value0);
    f.Transfer(animation.value1);
  }
  TransferAxis(f, animation.axis);
}

void TransferLodRecord(SerializeBinStream& f, const RuntimeAnimation& animation, RuntimeAnimationLod& record) {
  f.Transfer(record.selection);
  if (record.selection != -1 && (IsRotationAnimation(animation.type) || IsTranslationAnimation(animation.type))) {
    f.Transfer(record.axisBegin);
    f.Transfer(record.axisEnd);
  }
}

}  // namespace

int RuntimeAnimationTypeCode(std::string_view type) {
  for (int i = 0; i < static_cast<int>(std::size(kTypeNames)); ++i)
    if (AsciiEqualIgnoreCase(type, kTypeNames[i])) return i;
  return -1;
}

bool IsRotationAnimation(RuntimeAnimationType type) {
  return type >= RuntimeAnimationType::Rotation && type <= RuntimeAnimationType::RotationZ;
}

bool IsTranslationAnimation(RuntimeAnimationType type) {
  return type >= RuntimeAnimationType::Translation && type <= RuntimeAnimationType::TranslationZ;
}

bool TransferRuntimeAnimations(SerializeBinStream& f, RuntimeAnimations& animations, int nLods) {
  if (!f.TransferArray(animations.animations, TransferAnimation)) return false;
  size_t count = animations.animations.size();
  if (f.IsLoading()) {
    // Each per-LOD record takes at least four bytes.
    if (static_cast<QFileSize>(count) * nLods * 4 > f.GetRest()) {
      f.SetError(SerializeBinStream::EFileStructure);
      return false;
    }
    animations.perLod.assign(static_cast<size_t>(nLods), AutoArray<RuntimeAnimationLod>(count));
  } else if (animations.perLod.size() != static_cast<size_t>(nLods)) {
    f.SetError(SerializeBinStream::EGeneric);
    return false;
  }
  for (AutoArray<RuntimeAnimationLod>& lod : animations.perLod) {
    if (lod.size() != count) {
      f.SetError(SerializeBinStream::EGeneric);
      return false;
    }
    for (size_t a = 0; a < count; ++a) TransferLodRecord(f, animations.animations[a], lod[a]);
    if (!f.Ok()) return false;
  }
  return f.Ok();
}
