#pragma once
// LODShape: a model, the ordered list of its levels of detail and its model-wide values.
//
// The conversion creates one per source model, loads it (source reader, then the
// preparation of each LOD), writes it in the runtime format and releases it. Model-wide
// values are grouped by the step that fills them; their defaults are those a model has
// before anything is read.
#include <cstdint>
#include <memory>

#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"
#include "lib/shape/shape.h"
#include "lib/shape/skeleton.h"

class QIStream;
class AnimationHolder;
class ParamClass;
class ParamFile;

// Indices of the LODs of each special kind (-1 = none). Each kind holds the last LOD of
// that kind; shadow LODs keep the first index and a count.
struct SpecialLodIndices {
  int memory = -1;
  int geometry = -1;
  int geometrySimple = -1;
  int geometryFire = -1;
  int geometryView = -1;
  int geometryViewPilot = -1;
  int geometryViewGunner = -1;
  int geometryViewCargo = -1;
  int landContact = -1;
  int roadway = -1;
  int paths = -1;
  int hitpoints = -1;
  int wreck = -1;
  int shadowVolumeViewCargo = -1;   // resolution 1.8e16
  int shadowVolumeViewPilot = -1;   // resolution 1.9e16
  int shadowVolumeViewGunner = -1;  // resolution 2e16
  int shadowVolume = -1;            // first shadow-volume LOD
  int shadowVolumeCount = 0;
  int shadowBuffer = -1;            // first shadow-buffer LOD
  int shadowBufferCount = 0;
  int shadowLodLimit = -1;
  int visualLodCount = 0;           // LODs before the first one with resolution above 900
};

// Bounding and physical values of the whole model.
struct LODShapeBounds {
  Vector3 min, max;              // over all points of all LODs
  Vector3 visualMin, visualMax;  // over the visual LODs
  Vector3 center;                // where the source origin lies relative to the model
  Vector3 centerBeforeShrink;    // saved before the LOD reduction
  float radius = 0.0f;           // bounding sphere about the centre
  float radius2 = 0.0f;          // a second radius value
  Vector3 pointA, pointB;        // two further model points
  Vector3 centerOfMass;
  float inertia[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  float invInertia[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  float mass = 0.0f;
  float invMass = 1e10f;
  float armor = 200.0f;
  float invArmor = 1.0f / 200.0f;
  float lodDensityCoef = 0.0f;
  bool lodDensityCoefSet = false;
};

// Values taken from the named properties of the geometry LOD.
struct LODShapePropertyValues {
  int mapType = 22;
  bool autoCenter = true;
  bool lockAutoCenter = false;
  bool canOcclude = false;
  bool canBeOccluded = false;
  bool generateOffMeshConnections = true;
  bool forceNotAlpha = false;
  int sbSource = 0;
  bool preferShadowVolume = true;
  float drawImportance = 1.0f;
  RString className;
  RString damage;
  bool frequent = false;
  bool avoidGrassUpdate = false;
  float shadowOffset = 3.4028235e38f;  // FLT_MAX: not set
};

// Values taken from the model configuration.
struct ModelConfigValues {
  float htMin = 0.0f, htMax = 0.0f, afMax = 0.0f, mfMax = 0.0f, mFact = 0.0f, tBody = 0.0f;
  SkeletonRef skeleton;
  AutoArray<RString> removedSelections;
  AutoArray<RString> vertexSelections;
  std::shared_ptr<AnimationHolder> animations;
  // The merged model configuration and the model's class in it ("CfgModels" >> name;
  // null when the configuration has none), for what is read from it later ("Animations").
  std::shared_ptr<const ParamFile> file;
  const ParamClass* modelClass = nullptr;
};

// How the source file was stored, as the reader found it.
struct SourceModelInfo {
  RString container;     // "MLOD", "NLOD" or "" for a bare single LOD
  uint32_t version = 0;  // container version (0 for "NLOD" and bare LODs)
  int declaredLods = 0;  // LOD count of the header
};

enum class ModelAnimationType : int { None = 0, Software = 1, Skeletal = 2 };

class LODShape {
 public:
  // The most LODs one model holds.
  static constexpr int kMaxLods = 32;
  // Bones per section unless the command line says otherwise.
  static constexpr int kDefaultBonesInterval = 55;

  LODShape();
  ~LODShape();
  LODShape(const LODShape&) = delete;
  LODShape& operator=(const LODShape&) = delete;

  // Loads the source model `name` (an engine path): reads every LOD and prepares it for
  // the runtime format, sections limited to `targetBonesInterval` bones. Returns false
  // (after reporting why) when the file cannot be used.
  bool Load(const RString& name, int targetBonesInterval = kDefaultBonesInterval);
  // The same for a model already opened as `in`; `name` is used in messages.
  bool Load(QIStream& in, const RString& name, int targetBonesInterval = kDefaultBonesInterval);

  // Back to the state of a new model.
  void Reset();

  const RString& Name() const { return name_; }
  void SetName(RString name) { name_ = std::move(name); }
  int TargetBonesInterval() const { return targetBonesInterval_; }
  void SetTargetBonesInterval(int bones) { targetBonesInterval_ = bones; }

  // --- LODs in file order.
  int NLods() const { return static_cast<int>(lods_.size()); }
  const ShapeRef& Lod(int index) const { return lods_[static_cast<size_t>(index)]; }
  float Resolution(int index) const { return resolutions_[static_cast<size_t>(index)]; }
  // Appends a LOD; false (nothing added) when the model already holds kMaxLods. The
  // special-LOD indices are recomputed.
  bool AddLod(ShapeRef lod, float resolution);
  // Replaces the LOD at `index` (the resolution stays unless given).
  void SetLod(int index, ShapeRef lod);
  void SetResolution(int index, float resolution);
  // Removes the LOD at `index`.
  void RemoveLod(int index);
  // The index of the LOD whose resolution matches `resolution`, -1 when none.
  int FindLod(float resolution) const;
  // The geometry LOD, or null.
  Shape* GeometryLod() const;

  SpecialLodIndices& Special() { return special_; }
  const SpecialLodIndices& Special() const { return special_; }
  // Recomputes the special-LOD indices and the visual LOD count from the resolutions.
  void RecomputeSpecialIndices();

  // --- Model-wide values.
  LODShapeBounds& Bounds() { return bounds_; }
  const LODShapeBounds& Bounds() const { return bounds_; }
  LODShapePropertyValues& PropertyValues() { return propertyValues_; }
  const LODShapePropertyValues& PropertyValues() const { return propertyValues_; }
  ModelConfigValues& Config() { return config_; }
  const ModelConfigValues& Config() const { return config_; }
  // Per-point masses ("#Mass#" of the source).
  AutoArray<float>& Masses() { return masses_; }
  const AutoArray<float>& Masses() const { return masses_; }

  uint32_t ClipFlagsAnd() const { return clipAnd_; }
  uint32_t ClipFlagsOr() const { return clipOr_; }
  void SetClipFlags(uint32_t andFlags, uint32_t orFlags) {
    clipAnd_ = andFlags;
    clipOr_ = orFlags;
  }
  uint32_t ModelSpecial() const { return specialFlags_; }
  void SetModelSpecial(uint32_t flags) { specialFlags_ = flags; }
  bool Mirrored() const { return mirrored_; }
  void SetMirrored(bool mirrored) { mirrored_ = mirrored; }
  ModelAnimationType AnimationType() const { return animationType_; }
  void SetAnimationType(ModelAnimationType type) { animationType_ = type; }
  uint8_t ShaderMarker() const { return shaderMarker_; }
  void SetShaderMarker(uint8_t marker) { shaderMarker_ = marker; }
  uint32_t Color() const { return color_; }
  uint32_t ColorTop() const { return colorTop_; }
  void SetColors(uint32_t color, uint32_t colorTop) {
    color_ = color;
    colorTop_ = colorTop;
  }
  float ViewDensity() const { return viewDensity_; }
  void SetViewDensity(float density) { viewDensity_ = density; }

  // How the source file was stored.
  SourceModelInfo& SourceInfo() { return sourceInfo_; }
  const SourceModelInfo& SourceInfo() const { return sourceInfo_; }

 private:
  RString name_;
  int targetBonesInterval_ = kDefaultBonesInterval;
  AutoArray<ShapeRef> lods_;
  AutoArray<float> resolutions_;
  SpecialLodIndices special_;
  LODShapeBounds bounds_;
  LODShapePropertyValues propertyValues_;
  ModelConfigValues config_;
  AutoArray<float> masses_;
  uint32_t clipAnd_ = 0;
  uint32_t clipOr_ = 0;
  uint32_t specialFlags_ = 0;
  bool mirrored_ = false;
  ModelAnimationType animationType_ = ModelAnimationType::None;
  uint8_t shaderMarker_ = 0;
  uint32_t color_ = 0xFFFFFFFFu;
  uint32_t colorTop_ = 0xFFFFFFFFu;
  float viewDensity_ = 0.0f;
  SourceModelInfo sourceInfo_;
};

using LODShapeRef = std::shared_ptr<LODShape>;
