#include "lib/shape/prepare_animation_type.h"

#include "el/appframe/app_frame.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/prepare_properties.h"

namespace {

constexpr uint32_t kAnimatedMask = 0x3F00;
constexpr uint32_t kLandMask = 0xF00;
constexpr uint32_t kLandOnSurface = 0x100;
constexpr uint32_t kLandKeepHeight = 0x800;
constexpr uint32_t kLightingMask = 0xF0000;
constexpr uint32_t kLightingSoftware = 0x80000;

}  // namespace

void DecideAnimationType(LODShape& model) {
  uint32_t o = model.ClipFlagsOr();
  uint32_t a = model.ClipFlagsAnd();
  const char* name = model.Name().c_str();
  if (o & kAnimatedMask) {
    uint32_t landO = o & kLandMask, landA = a & kLandMask;
    if (landO) {
      if (!(landO == kLandKeepHeight && landA == kLandKeepHeight)) {
        model.SetAnimationType(ModelAnimationType::Software);
        if (landO == kLandOnSurface && landA != kLandOnSurface)
          WarningMessage("%s - Not all levels have On Surface set", name);
        if (landO != kLandOnSurface && landA != kLandOnSurface)
          WarningMessage("SW animation used for %s - Not all levels have Keep Height set", name);
      }
    } else {
      model.SetAnimationType(ModelAnimationType::Software);
      WarningMessage("Warning: %s - Decal flags, no longer supported, forcing SW rendering", name);
    }
  }
  uint32_t lighting = o & kLightingMask;
  if (lighting == (a & kLightingMask) && lighting) {
    if (lighting & ~kLightingSoftware) WarningMessage("Warning: %s using obsolete lighting flags %x", name, lighting);
    if (lighting & kLightingSoftware) model.SetAnimationType(ModelAnimationType::Software);
  }
  if (model.AnimationType() == ModelAnimationType::None && GeometryNumber(model, "animated", 0.0f) != 0.0f)
    model.SetAnimationType(ModelAnimationType::Software);
}
