#include "lib/shape/prepare_lod.h"

#include "el/appframe/app_frame.h"
#include "lib/shape/bone_sections.h"
#include "lib/shape/bone_weights.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/prepare_area.h"
#include "lib/shape/prepare_materials.h"
#include "lib/shape/prepare_proxies.h"
#include "lib/shape/section_sort.h"
#include "lib/shape/tex_material.h"
#include "lib/shape/vertex_tangents.h"

namespace {

// Special-flag bits that faces of shadow LODs keep.
constexpr uint32_t kShadowFaceFlags = 0x10000020;
// Kept on shadow-buffer faces whose material is kept.
constexpr uint32_t kShadowBufferMaterialFlag = 0x200;

const TexMaterial* MaterialOf(const Shape& shape, int index) {
  const auto& list = shape.Materials();
  return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)].get() : nullptr;
}

void PrepareShadowFaces(Shape& shape, int kind) {
  uint32_t lodSpecial = 0;
  for (FaceProperties& face : shape.FaceProps()) {
    if (kind == kLodShadowVolume) {
      face.textureIndex = -1;
      face.materialIndex = -1;
      face.special &= kShadowFaceFlags;
    } else {
      bool keep = IsShadowBufferMaterial(MaterialOf(shape, face.materialIndex));
      if (!keep) face.materialIndex = -1;
      face.special &= kShadowFaceFlags | (keep ? kShadowBufferMaterialFlag : 0u);
    }
    lodSpecial |= face.special;
  }
  shape.SetSpecial(lodSpecial);
}

void CheckSecondUVSet(Shape& shape, const BoneMessageNames& names) {
  const VertexTable& table = shape.Vertices();
  bool hasSecond = table.HasSecondUVSet() && table.UV(1).Size() == table.NVertices();
  if (hasSecond) return;
  for (const ShapeSection& section : shape.Sections()) {
    if (!NeedsSecondUVSet(MaterialOf(shape, section.materialIndex))) continue;
    WarningMessage("Warning: %s:%s: 2nd UV set needed, but not defined", names.model.c_str(), names.lod.c_str());
    shape.MarkWarnings();
    return;
  }
}

}  // namespace

void PrepareLod(LODShape& model, int index, int kind, const LodPreparationSettings& settings) {
  Shape& shape = *model.Lod(index);
  float resolution = model.Resolution(index);
  BoneMessageNames names{model.Name(), LodKindName(resolution)};

  if (resolution < lod_resolution::kVisualLimit && shape.NVertices() == 0 && index > 0)
    ErrorMessage("Error: Empty LOD (%s) detected in shape %s", names.lod.c_str(), model.Name().c_str());

  FindProxies(shape, names.model, names.lod);
  if (kind == kLodShadowVolume || kind == kLodShadowBuffer) PrepareShadowFaces(shape, kind);
  SortFacesIntoSections(shape);

  AutoArray<SkeletonWeights> weights;
  if (settings.skeleton) {
    weights = ComputeBoneWeights(shape, *settings.skeleton, names);
    BuildBoneSections(shape, *settings.skeleton, weights, settings.bonesInterval, kind == kLodShadowVolume, names);
  } else {
    // Every vertex has a weight record; without a skeleton it names no bone.
    shape.Vertices().Weights().assign(static_cast<size_t>(shape.NVertices()), VertexWeights{});
  }
  FinishProxies(shape, weights);
  CheckSecondUVSet(shape, names);
  ComputeVertexTangents(shape);
  ComputeAreaValues(shape);
}
