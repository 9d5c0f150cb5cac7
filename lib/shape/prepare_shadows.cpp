#include "lib/shape/prepare_shadows.h"

#include "el/appframe/app_frame.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/prepare_properties.h"
#include "platform/ascii.h"

namespace {

enum ShadowBufferSource { kSourceVisual = 0, kSourceShadowVolume = 1, kSourceExplicit = 2, kSourceNone = 3 };

constexpr uint32_t kModelNoShadow = 0x2;
constexpr float kFirstConvertedResolution = 11000.0f;
constexpr float kConvertedResolutionStep = 10.0f;

bool PropertyIs(const LODShape& model, std::string_view name, std::string_view value) {
  const RString* text = GeometryProperty(model, name);
  return text && AsciiEqualIgnoreCase(*text, value);
}

// Adds the set-aside shadow volumes as shadow-buffer LODs 11000, 11010, ...
void AddSetAsideLods(LODShape& model, const AutoArray<SetAsideLod>& setAside, const LodPreparationSettings& settings) {
  Vector3 offset = model.Bounds().center;
  for (size_t k = 0; k < setAside.size(); ++k) {
    ShapeRef lod = setAside[k].lod;
    if (!lod) continue;
    for (Vector3& p : lod->Points()) p = {p.x - offset.x, p.y - offset.y, p.z - offset.z};
    for (Vector3& p : lod->Vertices().Positions()) p = {p.x - offset.x, p.y - offset.y, p.z - offset.z};
    float resolution = kFirstConvertedResolution + kConvertedResolutionStep * static_cast<float>(k);
    if (!model.AddLod(lod, resolution)) break;
    PrepareLod(model, model.NLods() - 1, kLodShadowBuffer, settings);
  }
}

}  // namespace

bool VisualShadowsPossible(const LODShape& model) {
  const SpecialLodIndices& special = model.Special();
  if ((model.ModelSpecial() & kModelNoShadow) || !(special.shadowLodLimit < special.visualLodCount)) return false;
  if (special.shadowVolumeCount == 0) return true;
  return model.GeometryLod() && PropertyIs(model, "shadow", "hybrid");
}

void PrepareShadows(LODShape& model, const AutoArray<SetAsideLod>& setAside, const LodPreparationSettings& settings) {
  bool visualPossible = VisualShadowsPossible(model);
  const char* name = model.Name().c_str();
  bool hasShadowBuffers = model.Special().shadowBufferCount > 0;
  const RString* sbSource = GeometryProperty(model, "sbsource");
  RString source = sbSource ? AsciiLowerCopy(*sbSource) : RString();
  LODShapePropertyValues& values = model.PropertyValues();
  bool preferForced = false;
  if (source == "visual") {
    values.sbSource = kSourceVisual;
    if (hasShadowBuffers)
      WarningMessage(
          "Warning: %s: Shadow buffer levels are present, but visual LODs for SB rendering are required (in sbsource "
          "property)",
          name);
    if (!visualPossible) {
      ErrorMessage("Error: %s: Shadows cannot be drawn for this model, but 'visual' source is specified (in sbsource "
                   "property)",
                   name);
      values.sbSource = kSourceNone;
    }
  } else if (source == "explicit") {
    if (hasShadowBuffers) {
      values.sbSource = kSourceExplicit;
    } else {
      ErrorMessage("Error: %s: Explicit shadow buffer levels are required (in sbsource property), but no one is "
                   "present - forcing 'none'",
                   name);
      values.sbSource = kSourceNone;
    }
  } else if (source == "shadowvolume") {
    AddSetAsideLods(model, setAside, settings);
    LogMessage("Info: %s: Overriding shadow volume to autoselect from suitable geometrical LOD", name);
    values.sbSource = kSourceExplicit;
  } else if (source == "none") {
    values.sbSource = kSourceNone;
  } else if (PropertyIs(model, "shadow", "hybrid")) {
    values.sbSource = visualPossible ? kSourceVisual : kSourceNone;
    values.preferShadowVolume = false;
    preferForced = true;
  } else if (!setAside.empty()) {
    AddSetAsideLods(model, setAside, settings);
    values.sbSource = kSourceShadowVolume;
  } else {
    values.sbSource = visualPossible ? kSourceVisual : kSourceNone;
  }
  if (!preferForced) values.preferShadowVolume = GeometryNumber(model, "prefershadowvolume", 1.0f) != 0.0f;
}
