#pragma once
// The animation records of a runtime model: one record per animation of the model
// configuration's "Animations", then per LOD and animation the selection it moves.
#include <cstdint>
#include <string_view>

#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"

class SerializeBinStream;

enum class RuntimeAnimationType : int32_t {
  Rotation = 0,
  RotationX = 1,
  RotationY = 2,
  RotationZ = 3,
  Translation = 4,
  TranslationX = 5,
  TranslationY = 6,
  TranslationZ = 7,
  Direct = 8,
  Hide = 9,
};

// The type code of a configuration "type" value ("rotation", "hide", ...; ASCII case
// ignored), or -1 when it names none.
int RuntimeAnimationTypeCode(std::string_view type);
bool IsRotationAnimation(RuntimeAnimationType type);
bool IsTranslationAnimation(RuntimeAnimationType type);

// The names of the memory points and selection that give an animation its axis.
struct RuntimeAnimationAxis {
  RString axis;   // "axis": a selection of the memory LOD holding both ends
  RString begin;  // "begin": the first end's memory point
  RString end;    // "end": the second end's memory point
  friend bool operator==(const RuntimeAnimationAxis&, const RuntimeAnimationAxis&) = default;
};

struct RuntimeAnimation {
  RuntimeAnimationType type = RuntimeAnimationType::Rotation;
  RString name;    // the animation's class name
  RString source;  // "source"
  float minPhase = 0.0f, maxPhase = 1.0f, minValue = 0.0f, maxValue = 1.0f;
  int32_t sourceAddress = 0;  // 0 clamp, 1 loop, 2 mirror
  // Rotation: angle0, angle1; translation: offset0, offset1; hide: hideValue, 0.
  float value0 = 0.0f, value1 = 0.0f;
  // "direct" only: two points and two values.
  Vector3 directPoints[2];
  float directValues[2] = {0.0f, 0.0f};
  RuntimeAnimationAxis axis;
  friend bool operator==(const RuntimeAnimation&, const RuntimeAnimation&) = default;
};

// What one animation moves in one LOD.
struct RuntimeAnimationLod {
  int32_t selection = -1;  // named selection index in the LOD, -1 when none
  Vector3 axisBegin, axisEnd;  // rotations and translations with a selection
  friend bool operator==(const RuntimeAnimationLod&, const RuntimeAnimationLod&) = default;
};

struct RuntimeAnimations {
  AutoArray<RuntimeAnimation> animations;
  // perLod[lod][animation]
  AutoArray<AutoArray<RuntimeAnimationLod>> perLod;
  friend bool operator==(const RuntimeAnimations&, const RuntimeAnimations&) = default;
};

// Transfers the animation records for a model of `nLods` LODs (save: perLod must hold
// nLods lists of one record per animation). Returns f.Ok().
bool TransferRuntimeAnimations(SerializeBinStream& f, RuntimeAnimations& animations, int nLods);
