#include "lib/shape/model_animations.h"

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_class.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/shape.h"
#include "platform/ascii.h"

namespace {

// The entry `name` of `cls` or its bases, without a message when there is none.
ParamEntryVal Member(const ParamClass& cls, const char* name) { return cls.Find(name, false, true); }

float FloatOr(const ParamClass& cls, const char* name, float fallback) {
  ParamEntryVal value = Member(cls, name);
  return value ? value.GetFloat() : fallback;
}

RString StringOr(const ParamClass& cls, const char* name) {
  ParamEntryVal value = Member(cls, name);
  return value ? value.GetValue() : RString();
}

int32_t SourceAddress(const ParamClass& cls) {
  RString address = StringOr(cls, "sourceAddress");
  if (AsciiEqualIgnoreCase(address, "loop")) return 1;
  if (AsciiEqualIgnoreCase(address, "mirror")) return 2;
  return 0;
}

bool ReadAnimation(const ParamClass& cls, RuntimeAnimation& animation) {
  RString type = StringOr(cls, "type");
  if (AsciiEqualIgnoreCase(type, "disabled")) return false;
  int code = RuntimeAnimationTypeCode(type);
  if (code < 0) {
    ErrorMessage("Unknown animation type %s", type.c_str());
    return false;
  }
  animation.type = static_cast<RuntimeAnimationType>(code);
  animation.name = cls.GetName().Str();
  animation.source = StringOr(cls, "source");
  animation.minValue = FloatOr(cls, "minValue", 0.0f);
  animation.maxValue = FloatOr(cls, "maxValue", 1.0f);
  animation.minPhase = FloatOr(cls, "phaseBeg", animation.minValue);
  animation.maxPhase = FloatOr(cls, "phaseEnd", animation.maxValue);
  animation.sourceAddress = SourceAddress(cls);
  if (IsRotationAnimation(animation.type)) {
    animation.value0 = FloatOr(cls, "angle0", 0.0f);
    animation.value1 = FloatOr(cls, "angle1", 0.0f);
  } else if (IsTranslationAnimation(animation.type)) {
    animation.value0 = FloatOr(cls, "offset0", 0.0f);
    animation.value1 = FloatOr(cls, "offset1", 0.0f);
  } else if (animation.type == RuntimeAnimationType::Hide) {
    animation.value0 = FloatOr(cls, "hideValue", 0.0f);
  }
  animation.axis.axis = StringOr(cls, "axis");
  animation.axis.begin = StringOr(cls, "begin");
  animation.axis.end = StringOr(cls, "end");
  return true;
}

// The position of the first point of the memory LOD's selection `name`.
std::optional<Vector3> MemoryPoint(const Shape& memory, const RString& name, bool last) {
  int index = memory.FindSelection(name);
  if (index < 0) return std::nullopt;
  const auto& points = memory.Selections()[static_cast<size_t>(index)].Points();
  if (points.empty()) return std::nullopt;
  int point = last ? points.back() : points.front();
  if (point < 0 || point >= memory.NPoints()) return std::nullopt;
  return memory.Points()[static_cast<size_t>(point)];
}

// The ends of the animation's axis: the two points of the "axis" selection, or the
// "begin" and "end" points.
void AxisEnds(const LODShape& model, const RuntimeAnimation& animation, RuntimeAnimationLod& record) {
  int memoryIndex = model.Special().memory;
  if (memoryIndex < 0 || memoryIndex >= model.NLods() || !model.Lod(memoryIndex)) return;
  const Shape& memory = *model.Lod(memoryIndex);
  auto begin = MemoryPoint(memory, animation.axis.axis, false);
  auto end = MemoryPoint(memory, animation.axis.axis, true);
  if (!begin || !end) {
    begin = MemoryPoint(memory, animation.axis.begin, false);
    end = MemoryPoint(memory, animation.axis.end, false);
  }
  if (begin) record.axisBegin = *begin;
  if (end) record.axisEnd = *end;
}

}  // namespace

std::optional<RuntimeAnimations> ModelAnimations(const LODShape& model) {
  const ParamClass* modelClass = model.Config().modelClass;
  if (!modelClass) return std::nullopt;
  ParamEntryVal holder = Member(*modelClass, "Animations");
  const ParamClass* animationsClass = holder ? holder.GetEntry()->GetClassInterface() : nullptr;
  if (!animationsClass) return std::nullopt;

  RuntimeAnimations result;
  AutoArray<RString> selections;
  for (int i = 0; i < animationsClass->GetEntryCount(); ++i) {
    const ParamClass* cls = animationsClass->GetEntry(i).GetClassInterface();
    RuntimeAnimation animation;
    if (!cls || !cls->IsDefined() || !ReadAnimation(*cls, animation)) continue;
    result.animations.push_back(animation);
    selections.push_back(StringOr(*cls, "selection"));
  }
  for (int lod = 0; lod < model.NLods(); ++lod) {
    AutoArray<RuntimeAnimationLod> records;
    for (size_t a = 0; a < result.animations.size(); ++a) {
      RuntimeAnimationLod record;
      if (model.Lod(lod)) record.selection = model.Lod(lod)->FindSelection(selections[a]);
      const RuntimeAnimation& animation = result.animations[a];
      if (record.selection >= 0 &&
          (IsRotationAnimation(animation.type) || IsTranslationAnimation(animation.type))) {
        AxisEnds(model, animation, record);
      }
      records.push_back(record);
    }
    result.perLod.push_back(std::move(records));
  }
  return result;
}
