#include "lib/shape/prepare_shrink.h"

#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"

bool ShrinkDropsResolution(float resolution) {
  using namespace lod_resolution;
  if (IsShadowVolumeResolution(resolution)) return true;
  for (float value : {kShadowVolumeViewCargo, kShadowVolumeViewPilot, kShadowVolumeViewGunner, kGeometryViewCargo,
                      kGeometryViewPilot, kGeometryViewGunner, kGeometryViewCommander})
    if (ResolutionMatches(resolution, value)) return true;
  return false;
}

void ShrinkVisualLods(LODShape& model) {
  model.Bounds().centerBeforeShrink = model.Bounds().center;
  int kept = -1;
  for (int i = 0; i < model.NLods(); ++i)
    if (model.Resolution(i) < lod_resolution::kVisualLimit) kept = i;
  if (kept < 0) return;
  for (int i = 0; i < model.NLods(); ++i)
    if (i != kept && model.Resolution(i) < lod_resolution::kVisualLimit) model.SetLod(i, std::make_shared<Shape>());
  if (kept != 0 && model.Resolution(0) < lod_resolution::kVisualLimit) model.SetLod(0, model.Lod(kept));
}
