#include "lib/shape/source_shape_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "engine/texture_bank.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/material_bank.h"
#include "lib/shape/packed_normal.h"
#include "lib/shape/shape.h"
#include "lib/shape/tex_material.h"
#include "lib/shape/texture_flags.h"
#include "platform/ascii.h"

namespace {

constexpr float kInvalidUV = 100000.0f;     // a coordinate this large is thrown away
constexpr float kLargeUV = 100.0f;          // a coordinate this large marks the LOD
constexpr float kSuspiciousUV1 = 50.0f;     // the second set packs badly beyond this
constexpr float kSamePosition2 = 0.0001f;   // squared distances of the vertex reuse rule
constexpr float kSameNormal2 = 0.01f;

float Distance2(const Vector3& a, const Vector3& b) {
  float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return dx * dx + dy * dy + dz * dz;
}

struct UVRange {
  float minU = 0.0f, minV = 0.0f, maxU = 0.0f, maxV = 0.0f;
  bool empty = true;
  void Add(float u, float v) {
    if (empty) {
      minU = maxU = u;
      minV = maxV = v;
      empty = false;
      return;
    }
    minU = std::min(minU, u);
    maxU = std::max(maxU, u);
    minV = std::min(minV, v);
    maxV = std::max(maxV, v);
  }
};

// The UV pairs of every face corner, faces in order, after replacement and repair.
class CornerUVs {
 public:
  AutoArray<float> values[2];
  bool hasSecond = false;
  UVRange range[2];
};

void CollectCornerUVs(const SourceLodRecord& record, SourceLodTags& tags, float resolution, int kind,
                      LodReadContext& context, CornerUVs& uvs) {
  size_t corners = record.cornerCount;
  AutoArray<float>& first = uvs.values[0];
  if (tags.hasUV[0]) {
    first = std::move(tags.uv[0]);
  } else {
    first.resize(corners * 2);
    size_t c = 0;
    for (const SourceFace& face : record.faces)
      for (uint32_t i = 0; i < face.n; ++i, ++c) {
        first[2 * c] = face.corners[i].u;
        first[2 * c + 1] = face.corners[i].v;
      }
  }
  if (tags.hasUV[1]) {
    if (resolution > lod_resolution::kVisualLimit) {
      WarningMessage("Warning: special LOD contains 2nd UV set.");
    } else {
      uvs.values[1] = std::move(tags.uv[1]);
      uvs.hasSecond = true;
    }
  }
  int sets = uvs.hasSecond ? 2 : 1;
  for (int set = 0; set < sets; ++set) {
    AutoArray<float>& values = uvs.values[set];
    if (kind == kLodShadowVolume || kind == kLodGeometry) {
      std::fill(values.begin(), values.end(), 0.0f);
      continue;
    }
    for (size_t c = 0; c < corners; ++c) {
      float& u = values[2 * c];
      float& v = values[2 * c + 1];
      bool uBad = !std::isfinite(u) || std::fabs(u) >= kInvalidUV;
      bool vBad = !std::isfinite(v) || std::fabs(v) >= kInvalidUV;
      if (uBad || vBad) {
        if (context.TakeReport())
          WarningMessage("Warning: %s: invalid UV coordinates (%g, %g) in UV set %d", context.modelName.c_str(),
                         static_cast<double>(u), static_cast<double>(v), set);
        context.MarkWarnings();
        u = v = 0.0f;
      } else if (std::fabs(u) > kLargeUV || std::fabs(v) > kLargeUV) {
        context.MarkWarnings();
      }
    }
  }
  for (int set = 0; set < sets; ++set) {
    const AutoArray<float>& values = uvs.values[set];
    for (size_t c = 0; c < corners; ++c) uvs.range[set].Add(values[2 * c], values[2 * c + 1]);
  }
  if (uvs.hasSecond && !uvs.range[1].empty) {
    const UVRange& r = uvs.range[1];
    if (r.minU < -kSuspiciousUV1 || r.minV < -kSuspiciousUV1 || r.maxU > kSuspiciousUV1 || r.maxV > kSuspiciousUV1)
      WarningMessage(
          "Warning: Suspicious values in the UV set 1 (minU=%f, minV=%f, maxU=%f, maxV=%f). The UV set may appear "
          "broken because of the compression.",
          static_cast<double>(r.minU), static_cast<double>(r.minV), static_cast<double>(r.maxU),
          static_cast<double>(r.maxV));
  }
}

uint32_t FaceSpecialFlags(const SourceLodRecord& record, const SourceFace& face, int kind) {
  uint32_t special = face.flags;
  if (record.form != SourceLodForm::SP3D) special |= face_flags::kFromSourceModel;
  const RString& texture = record.textureNames[static_cast<size_t>(face.texture)];
  if (TextureSetsAlphaSorted(texture)) special |= face_flags::kAlphaSorted;
  if (kind == kLodShadowVolume || kind == kLodGeometry)
    special = (special & ~face_flags::kFogMask) | face_flags::kSpecialLodFace;
  return special;
}

// Builds the vertex table and the polygons.
class VertexBuilder {
 public:
  VertexBuilder(const SourceLodRecord& record, Shape& shape, LodReadContext& context)
      : record_(record), shape_(shape), table_(shape.Vertices()), context_(context),
        firstOfPoint_(record.points.size(), -1), lastOfPoint_(record.points.size(), -1) {}

  // The vertex for one corner: an equal vertex of the same point, or a new one. -1 after
  // reporting when the LOD has too many vertices.
  int Vertex(uint32_t point, const Vector3& normal, uint32_t uv0, uint32_t uv1) {
    const Vector3& position = record_.points[point];
    uint32_t clip = record_.clipFlags[point];
    bool second = table_.HasSecondUVSet();
    for (int v = firstOfPoint_[point]; v >= 0; v = next_[static_cast<size_t>(v)]) {
      if (table_.ClipFlags(v) != clip) continue;
      if (table_.UV(0).Packed()[v] != uv0) continue;
      if (second && table_.UV(1).Packed()[v] != uv1) continue;
      if (Distance2(table_.Position(v), position) > kSamePosition2) continue;
      if (Distance2(table_.UnpackedNormal(v), normal) > kSameNormal2) continue;
      return v;
    }
    if (table_.NVertices() >= VertexTable::kMaxVertices) {
      ErrorMessage("Error: %s: Too many vertices", context_.modelName.c_str());
      return -1;
    }
    int v = table_.Add(position, PackNormal(normal), clip, uv0, uv1);
    next_.push_back(-1);
    vertexToPoint_.push_back(static_cast<uint16_t>(point));
    if (lastOfPoint_[point] < 0) firstOfPoint_[point] = v;
    else next_[static_cast<size_t>(lastOfPoint_[point])] = v;
    lastOfPoint_[point] = v;
    return v;
  }

  bool IsPointUsed(uint32_t point) const { return firstOfPoint_[point] >= 0; }

  void Finish() {
    AutoArray<uint16_t>& pointToVertex = shape_.PointToVertex();
    pointToVertex.resize(record_.points.size());
    for (size_t p = 0; p < firstOfPoint_.size(); ++p)
      pointToVertex[p] = firstOfPoint_[p] >= 0 ? static_cast<uint16_t>(firstOfPoint_[p]) : VertexTable::kNoVertex;
    shape_.VertexToPoint() = std::move(vertexToPoint_);
  }

 private:
  const SourceLodRecord& record_;
  Shape& shape_;
  VertexTable& table_;
  LodReadContext& context_;
  AutoArray<int> firstOfPoint_;
  AutoArray<int> lastOfPoint_;
  AutoArray<int> next_;  // next vertex of the same point
  AutoArray<uint16_t> vertexToPoint_;
};

bool BuildVerticesAndFaces(const SourceLodRecord& record, const CornerUVs& uvs, int kind, Shape& shape,
                           LodReadContext& context) {
  size_t nPoints = record.points.size();
  if (nPoints > static_cast<size_t>(VertexTable::kMaxVertices)) {
    ErrorMessage("Error: %s: Too many vertices", context.modelName.c_str());
    return false;
  }
  // Points no face uses get a vertex at u = v = 0; the UV range must hold it.
  AutoArray<uint8_t> used(nPoints, 0);
  for (const SourceFace& face : record.faces)
    for (uint32_t i = 0; i < face.n; ++i) {
      uint32_t point = face.corners[i].point;
      if (point >= nPoints) {
        ErrorMessage("Bad object.");
        return false;
      }
      used[point] = 1;
    }
  bool anyUnused = std::find(used.begin(), used.end(), 0) != used.end();

  VertexTable& table = shape.Vertices();
  table.SetSecondUVSet(uvs.hasSecond);
  int sets = uvs.hasSecond ? 2 : 1;
  for (int set = 0; set < sets; ++set) {
    UVRange range = uvs.range[set];
    if (anyUnused) range.Add(0.0f, 0.0f);
    table.UV(set).SetRange(range.minU, range.minV, range.maxU, range.maxV);
  }
  table.Reserve(static_cast<int>(std::min<size_t>(record.cornerCount + nPoints, VertexTable::kMaxVertices)));

  bool flatNormals = kind == kLodShadowBuffer || kind == kLodGeometry;
  const Vector3 up{0.0f, 1.0f, 0.0f};
  VertexBuilder builder(record, shape, context);
  FaceData& faces = shape.Faces();
  faces.Reserve(static_cast<int>(record.faces.size()), static_cast<int>(record.cornerCount));
  AutoArray<FaceProperties>& props = shape.FaceProps();
  props.reserve(record.faces.size());
  const UVSet& set0 = table.UV(0);
  const UVSet& set1 = table.UV(1);
  size_t corner = 0;
  uint32_t lodSpecial = 0;
  for (size_t f = 0; f < record.faces.size(); ++f) {
    const SourceFace& face = record.faces[f];
    uint16_t polygon[SourceFace::kMaxCorners];
    for (uint32_t i = 0; i < face.n; ++i, ++corner) {
      const SourceCorner& c = face.corners[i];
      Vector3 normal;
      if (flatNormals) {
        normal = up;
      } else if (c.normal < record.normals.size()) {
        normal = record.normals[c.normal];
      } else {
        if (context.TakeReport())
          WarningMessage("Warning: %s: face %d refers to normal %u of %d", context.modelName.c_str(),
                         static_cast<int>(f), c.normal, static_cast<int>(record.normals.size()));
        context.MarkWarnings();
      }
      uint32_t uv0 = set0.Pack(uvs.values[0][2 * corner], uvs.values[0][2 * corner + 1]);
      uint32_t uv1 = uvs.hasSecond ? set1.Pack(uvs.values[1][2 * corner], uvs.values[1][2 * corner + 1]) : 0;
      int v = builder.Vertex(c.point, normal, uv0, uv1);
      if (v < 0) return false;
      polygon[i] = static_cast<uint16_t>(v);
    }
    faces.Add(polygon, static_cast<int>(face.n));
    uint32_t special = FaceSpecialFlags(record, face, kind);
    props.push_back({face.texture - 1, face.material - 1, special});
    lodSpecial |= special;
  }
  shape.SetSpecial(lodSpecial);
  if (anyUnused) {
    uint32_t uv0 = set0.Pack(0.0f, 0.0f);
    uint32_t uv1 = uvs.hasSecond ? set1.Pack(0.0f, 0.0f) : 0;
    for (uint32_t p = 0; p < nPoints; ++p)
      if (!used[p] && builder.Vertex(p, Vector3{}, uv0, uv1) < 0) return false;
  }
  builder.Finish();
  return true;
}

// Resolves the names of the record to shared textures and materials; the faces refer to
// them by index (name index - 1, the lists keep the order of first use).
void ResolveTexturesAndMaterials(const SourceLodRecord& record, Shape& shape) {
  for (size_t i = 1; i < record.textureNames.size(); ++i)
    shape.TextureList().push_back(Textures().Load(record.textureNames[i]));
  for (size_t i = 1; i < record.materialNames.size(); ++i)
    shape.MaterialList().push_back(MaterialByName(record.materialNames[i]));
  for (const TexMaterialRef& material : shape.Materials()) {
    int passes = MaterialPassCount(*material);
    if (passes > 2) WarningMessage("More than 2-pass material used - %s (%d passes)", material->Name().c_str(), passes);
  }
}

bool HasKeyFrameProperty(const Shape& shape) {
  const RString* value = shape.Properties().Find("keyframe");
  return value && std::atof(value->c_str()) != 0.0;
}

}  // namespace

bool BuildSourceShape(const SourceLodRecord& record, SourceLodTags& tags, float resolution, int kind, Shape& shape,
                      LodReadContext& context) {
  shape.Points() = record.points;
  shape.PointClipFlags() = record.clipFlags;
  shape.PointHidden() = record.hidden;

  CornerUVs uvs;
  CollectCornerUVs(record, tags, resolution, kind, context, uvs);
  if (!BuildVerticesAndFaces(record, uvs, kind, shape, context)) return false;
  ResolveTexturesAndMaterials(record, shape);

  shape.Properties() = std::move(tags.properties);
  shape.Selections() = std::move(tags.selections);
  for (NamedSelection& selection : shape.Selections()) shape.DeriveSelectionVertices(selection);
  shape.KeyFrames() = std::move(tags.keyFrames);
  if (!shape.KeyFrames().empty() && !HasKeyFrameProperty(shape)) {
    WarningMessage("Key frame animation, no 'keyframe' property");
    shape.MarkWarnings();
  }
  return true;
}
