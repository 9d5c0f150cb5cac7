#pragma once
// Shape: one level of detail of a model.
//
// The source reader fills the points, the vertex table, the faces with their texture,
// material and special flags, the named selections and properties and the key frames;
// the preparation sorts the faces into sections, weights the vertices and builds the
// subskeleton; the runtime writer stores the result.
#include <cstdint>
#include <memory>

#include "el/qstream/basic_types.h"
#include "el/qstream/vector3.h"
#include "lib/shape/face_data.h"
#include "lib/shape/key_frame.h"
#include "lib/shape/named_properties.h"
#include "lib/shape/named_selection.h"
#include "lib/shape/proxy_object.h"
#include "lib/shape/shape_section.h"
#include "lib/shape/vertex_table.h"

class Texture;
class TexMaterial;
using TextureRef = std::shared_ptr<Texture>;
using TexMaterialRef = std::shared_ptr<TexMaterial>;

// What a face is drawn with, until the faces are sorted into sections.
struct FaceProperties {
  int textureIndex = -1;   // into the LOD's texture list, -1 = none
  int materialIndex = -1;  // into the LOD's material list, -1 = none
  uint32_t special = 0;    // special flags
};

namespace face_flags {
constexpr uint32_t kAlphaSorted = 0x20000;       // the texture may have alpha: drawn after the others
constexpr uint32_t kFromSourceModel = 0x400000;  // read from a "P3DM" or "SP3X" record
constexpr uint32_t kFogMask = 0xC000;            // cleared on faces of shadow-volume and geometry LODs
constexpr uint32_t kSpecialLodFace = 0x2000;     // set on faces of shadow-volume and geometry LODs
}  // namespace face_flags

class Shape {
 public:
  // --- Points: positions, clip flags and hidden marks from the source model.
  int NPoints() const { return static_cast<int>(points_.size()); }
  AutoArray<Vector3>& Points() { return points_; }
  const AutoArray<Vector3>& Points() const { return points_; }
  AutoArray<uint32_t>& PointClipFlags() { return pointClipFlags_; }
  const AutoArray<uint32_t>& PointClipFlags() const { return pointClipFlags_; }
  AutoArray<uint8_t>& PointHidden() { return pointHidden_; }
  const AutoArray<uint8_t>& PointHidden() const { return pointHidden_; }
  // For each point its first vertex (65535 = none); for each vertex its point.
  AutoArray<uint16_t>& PointToVertex() { return pointToVertex_; }
  const AutoArray<uint16_t>& PointToVertex() const { return pointToVertex_; }
  AutoArray<uint16_t>& VertexToPoint() { return vertexToPoint_; }
  const AutoArray<uint16_t>& VertexToPoint() const { return vertexToPoint_; }

  // --- Vertices and faces.
  int NVertices() const { return vertices_.NVertices(); }
  VertexTable& Vertices() { return vertices_; }
  const VertexTable& Vertices() const { return vertices_; }
  int NFaces() const { return faces_.NFaces(); }
  FaceData& Faces() { return faces_; }
  const FaceData& Faces() const { return faces_; }
  // One entry per face, in face order.
  AutoArray<FaceProperties>& FaceProps() { return faceProps_; }
  const AutoArray<FaceProperties>& FaceProps() const { return faceProps_; }

  // --- Textures and materials used by the faces, each once, in order of first use.
  const AutoArray<TextureRef>& Textures() const { return textures_; }
  const AutoArray<TexMaterialRef>& Materials() const { return materials_; }
  // The index of `texture` in the list, appending it when missing; -1 for null.
  int AddTexture(const TextureRef& texture);
  int AddMaterial(const TexMaterialRef& material);
  AutoArray<TextureRef>& TextureList() { return textures_; }
  AutoArray<TexMaterialRef>& MaterialList() { return materials_; }

  // --- Sections, selections, properties, proxies.
  AutoArray<ShapeSection>& Sections() { return sections_; }
  const AutoArray<ShapeSection>& Sections() const { return sections_; }
  AutoArray<NamedSelection>& Selections() { return selections_; }
  const AutoArray<NamedSelection>& Selections() const { return selections_; }
  // The index of the selection `name` (ignoring ASCII case), -1 when none.
  int FindSelection(std::string_view name) const;
  // Recomputes the vertices of `selection` from its points.
  void DeriveSelectionVertices(NamedSelection& selection) const;
  NamedProperties& Properties() { return properties_; }
  const NamedProperties& Properties() const { return properties_; }
  // The value of the property `name`, empty when there is none.
  RString PropertyValue(std::string_view name) const { return properties_.Value(name); }
  AutoArray<ProxyObject>& Proxies() { return proxies_; }
  const AutoArray<ProxyObject>& Proxies() const { return proxies_; }

  // --- Subskeleton: slot -> skeleton bone, and skeleton bone -> slots.
  AutoArray<int>& SubSkeletonToSkeleton() { return subSkeletonToSkeleton_; }
  const AutoArray<int>& SubSkeletonToSkeleton() const { return subSkeletonToSkeleton_; }
  AutoArray<AutoArray<int>>& SkeletonToSubSkeleton() { return skeletonToSubSkeleton_; }
  const AutoArray<AutoArray<int>>& SkeletonToSubSkeleton() const { return skeletonToSubSkeleton_; }

  // --- Key frames of a vertex-animated LOD.
  AutoArray<ShapeKeyFrame>& KeyFrames() { return keyFrames_; }
  const AutoArray<ShapeKeyFrame>& KeyFrames() const { return keyFrames_; }

  // --- LOD values.
  uint32_t Special() const { return special_; }
  void SetSpecial(uint32_t special) { special_ = special; }
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t color) { color_ = color; }
  uint32_t ColorTop() const { return colorTop_; }
  void SetColorTop(uint32_t color) { colorTop_ = color; }
  float Area() const { return area_; }
  void SetArea(float area) { area_ = area; }
  uint8_t LodByte() const { return lodByte_; }
  void SetLodByte(uint8_t value) { lodByte_ = value; }
  // Set when reading or preparing the LOD raised a warning.
  bool HadWarnings() const { return hadWarnings_; }
  void MarkWarnings() { hadWarnings_ = true; }

 private:
  AutoArray<Vector3> points_;
  AutoArray<uint32_t> pointClipFlags_;
  AutoArray<uint8_t> pointHidden_;
  AutoArray<uint16_t> pointToVertex_;
  AutoArray<uint16_t> vertexToPoint_;
  VertexTable vertices_;
  FaceData faces_;
  AutoArray<FaceProperties> faceProps_;
  AutoArray<TextureRef> textures_;
  AutoArray<TexMaterialRef> materials_;
  AutoArray<ShapeSection> sections_;
  AutoArray<NamedSelection> selections_;
  NamedProperties properties_;
  AutoArray<ProxyObject> proxies_;
  AutoArray<int> subSkeletonToSkeleton_;
  AutoArray<AutoArray<int>> skeletonToSubSkeleton_;
  AutoArray<ShapeKeyFrame> keyFrames_;
  uint32_t special_ = 0;
  uint32_t color_ = 0xFFFFFFFFu;
  uint32_t colorTop_ = 0xFFFFFFFFu;
  float area_ = 0.0f;
  uint8_t lodByte_ = 0;
  bool hadWarnings_ = false;
};

using ShapeRef = std::shared_ptr<Shape>;
