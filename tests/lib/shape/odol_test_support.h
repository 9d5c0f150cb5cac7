#pragma once
// Shared pieces of the runtime model tests: a model filled field by field, saving and
// loading through memory, reading values out of saved bytes, and field-wise comparison.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "el/qstream/qi_stream.h"
#include "el/qstream/qo_stream.h"
#include "el/qstream/serialize_bin_stream.h"
#include "engine/texture_bank.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/lod_shape.h"
#include "lib/shape/odol_model.h"
#include "lib/shape/packed_normal.h"
#include "lib/shape/tex_material.h"
#include "tests/lib/shape/shape_test_support.h"

namespace odol_test {

inline std::string Save(LODShape& model, RuntimeModelInfo* info = nullptr) {
  QOStrStream out;
  EXPECT_EQ(SaveRuntimeModel(model, out, info), 0);
  return out.Str();
}

inline int Load(const std::string& bytes, LODShape& model, RuntimeModelInfo* info = nullptr) {
  QIStrStream in(bytes.data(), static_cast<QFileSize>(bytes.size()));
  return LoadRuntimeModel(model, in, "test.p3d", info);
}

template <class T>
T ReadAt(const std::string& bytes, size_t offset) {
  T value{};
  if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

template <class T>
void WriteAt(std::string& bytes, size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof(T));
}

// The bytes of `value` as saved (little-endian).
template <class T>
std::string Le(T value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// Where the model block starts in a model of `n` LODs: after magic, version, count and
// the resolutions.
inline size_t BlockStart(int n) { return 12 + 4 * static_cast<size_t>(n); }

// A triangle LOD: `n` triangles over 3n vertices (one point each), all drawn with one
// section of `texture` and `material`.
inline ShapeRef TriangleShape(int n, const TexMaterialRef& material = nullptr,
                              const std::string& texture = "data\\a_co.paa") {
  auto shape = std::make_shared<Shape>();
  VertexTable& table = shape->Vertices();
  table.UV(0).SetRange(0, 0, 1, 1);
  for (int i = 0; i < 3 * n; ++i) {
    float x = static_cast<float>(i);
    table.Add({x, x * 0.5f, -x}, PackNormal({0, 1, 0}), 0, table.UV(0).Pack(x / (3 * n), 1.0f - x / (3 * n)));
    shape->Points().push_back({x, x * 0.5f, -x});
    shape->PointToVertex().push_back(static_cast<uint16_t>(i));
    shape->VertexToPoint().push_back(static_cast<uint16_t>(i));
  }
  for (int f = 0; f < n; ++f) {
    uint16_t v[3] = {static_cast<uint16_t>(3 * f), static_cast<uint16_t>(3 * f + 1), static_cast<uint16_t>(3 * f + 2)};
    shape->Faces().Add(v, 3);
  }
  ShapeSection section;
  section.end = shape->Faces().DataSize();
  section.textureIndex = texture.empty() ? -1 : shape->AddTexture(Textures().Load(texture));
  section.materialIndex = shape->AddMaterial(material);
  shape->Sections().push_back(section);
  return shape;
}

// A material with every record field away from its default.
inline TexMaterialRef FilledMaterial(const std::string& name) {
  auto m = std::make_shared<TexMaterial>(name);
  m->emmisive = {0.1f, 0.2f, 0.3f, 0.4f};
  m->ambient = {0.5f, 0.6f, 0.7f, 0.8f};
  m->diffuse = {0.9f, 0.1f, 0.2f, 0.3f};
  m->forcedDiffuse = {0.4f, 0.5f, 0.6f, 0.7f};
  m->specular = {0.8f, 0.9f, 0.1f, 0.2f};
  m->treeColorization = {0.3f, 0.4f, 0.5f, 0.6f};
  m->plantWind = {1, 2, 3, 4};
  m->specularPower = 40;
  m->parallaxScale = 0.25f;
  m->shadowBias = 0.5f;
  m->superExt = {5, 6, 7, 8};
  m->sortBias = 3;
  m->superAllowProjectionLayer = 1;
  m->multiTopProjectionLayer = 2;
  m->degAngleTopProjectionStart = 10;
  m->degAngleTopProjectionEnd = 20;
  m->multiTopProjectionBlend = 1;
  m->multiTopProjectionLayerNormal = 4;
  m->projectionVector = {1, 0, 0};
  m->treeAllowProjectionLayer = 1;
  m->terrainIndirectLocalShadowBias = 0.75f;
  m->pixelShaderID = 107;
  m->vertexShaderID = 5;
  m->mainLight = 1;
  m->fogMode = 2;
  m->renderFlags = 0x12;
  m->surfaceInfo = "data\\metal.bisurf";
  m->stages[0].texture = "data\\a_nohq.paa";
  m->stages[0].filter = 5;
  m->stages[1].texture = "data\\a_smdi.paa";
  m->stages[1].texGen = 0;
  m->stages[1].useWorldEnvMap = true;
  m->texGens[0].uvSource = 2;
  m->texGens[0].uvTransform.position = {1, 2, 3};
  m->texGens[1].uvTransform.axisX = {4, 0, 0};
  m->stageTI.texture = "data\\a_ti.paa";
  m->hasStageTI = true;
  m->DeriveCounts();
  return m;
}

inline std::string MaterialName(const Shape& shape, int index) {
  if (index < 0 || index >= static_cast<int>(shape.Materials().size())) return {};
  const TexMaterialRef& m = shape.Materials()[static_cast<size_t>(index)];
  return m ? m->Name() : std::string();
}

inline std::string TextureName(const Shape& shape, int index) {
  if (index < 0 || index >= static_cast<int>(shape.Textures().size())) return {};
  const TextureRef& t = shape.Textures()[static_cast<size_t>(index)];
  return t ? t->Name() : std::string();
}

template <class T>
AutoArray<T> Expanded(CompactArray<T> array) {
  array.Expand();
  return array.Elements();
}

// Everything a LOD block stores; `expected` is the shape as saved.
inline void ExpectSameShape(const Shape& expected, const Shape& actual) {
  ASSERT_EQ(expected.NVertices(), actual.NVertices());
  ASSERT_EQ(expected.NFaces(), actual.NFaces());
  EXPECT_EQ(expected.Faces().Buffer(), actual.Faces().Buffer());
  const VertexTable& a = expected.Vertices();
  const VertexTable& b = actual.Vertices();
  EXPECT_EQ(a.Positions(), b.Positions());
  EXPECT_EQ(Expanded(a.Normals()), Expanded(b.Normals()));
  EXPECT_EQ(Expanded(a.ClipFlagArray()), Expanded(b.ClipFlagArray()));
  for (int set = 0; set < 2; ++set) {
    if (set == 1 && !(a.HasSecondUVSet() && a.UV(1).Size() == a.NVertices() && a.NVertices() > 0)) {
      EXPECT_FALSE(b.HasSecondUVSet());
      continue;
    }
    EXPECT_EQ(a.UV(set).MinU(), b.UV(set).MinU());
    EXPECT_EQ(a.UV(set).MinV(), b.UV(set).MinV());
    EXPECT_EQ(a.UV(set).MaxU(), b.UV(set).MaxU());
    EXPECT_EQ(a.UV(set).MaxV(), b.UV(set).MaxV());
    EXPECT_EQ(Expanded(a.UV(set).Packed()), Expanded(b.UV(set).Packed()));
  }
  EXPECT_EQ(a.Tangents(), b.Tangents());
  EXPECT_EQ(a.Weights(), b.Weights());
  EXPECT_EQ(a.Neighbors(), b.Neighbors());
  EXPECT_EQ(expected.PointToVertex(), actual.PointToVertex());
  EXPECT_EQ(expected.VertexToPoint(), actual.VertexToPoint());
  EXPECT_EQ(expected.SubSkeletonToSkeleton(), actual.SubSkeletonToSkeleton());
  EXPECT_EQ(expected.SkeletonToSubSkeleton(), actual.SkeletonToSubSkeleton());
  ASSERT_EQ(expected.Textures().size(), actual.Textures().size());
  for (size_t i = 0; i < expected.Textures().size(); ++i)
    EXPECT_EQ(TextureName(expected, static_cast<int>(i)), TextureName(actual, static_cast<int>(i)));
  ASSERT_EQ(expected.Sections().size(), actual.Sections().size());
  for (size_t i = 0; i < expected.Sections().size(); ++i) {
    const ShapeSection& s = expected.Sections()[i];
    const ShapeSection& t = actual.Sections()[i];
    EXPECT_EQ(s.beg, t.beg);
    EXPECT_EQ(s.end, t.end);
    EXPECT_EQ(s.textureIndex, t.textureIndex);
    EXPECT_EQ(s.special, t.special);
    EXPECT_EQ(s.boneWindowStart, t.boneWindowStart);
    EXPECT_EQ(s.boneWindowLength, t.boneWindowLength);
    EXPECT_EQ(s.areaOverTex[0], t.areaOverTex[0]);
    EXPECT_EQ(s.areaOverTex[1], t.areaOverTex[1]);
    EXPECT_EQ(MaterialName(expected, s.materialIndex), MaterialName(actual, t.materialIndex));
    if (t.materialIndex >= 0 && s.materialIndex >= 0 && expected.Materials()[s.materialIndex])
      shape_test::ExpectSameMaterial(*expected.Materials()[s.materialIndex], *actual.Materials()[t.materialIndex], true);
  }
  ASSERT_EQ(expected.Selections().size(), actual.Selections().size());
  for (size_t i = 0; i < expected.Selections().size(); ++i) {
    const NamedSelection& s = expected.Selections()[i];
    const NamedSelection& t = actual.Selections()[i];
    EXPECT_EQ(s.Name(), t.Name());
    EXPECT_EQ(s.Faces(), t.Faces());
    EXPECT_EQ(s.FaceWeights(), t.FaceWeights());
    EXPECT_EQ(s.Sections(), t.Sections());
    EXPECT_EQ(s.Vertices(), t.Vertices());
    EXPECT_EQ(s.VertexWeights(), t.VertexWeights());
  }
  ASSERT_EQ(expected.Properties().Size(), actual.Properties().Size());
  for (int i = 0; i < expected.Properties().Size(); ++i) {
    EXPECT_EQ(expected.Properties()[i].name, actual.Properties()[i].name);
    EXPECT_EQ(expected.Properties()[i].value, actual.Properties()[i].value);
  }
  ASSERT_EQ(expected.Proxies().size(), actual.Proxies().size());
  for (size_t i = 0; i < expected.Proxies().size(); ++i) {
    const ProxyObject& p = expected.Proxies()[i];
    const ProxyObject& q = actual.Proxies()[i];
    EXPECT_EQ(p.name, q.name);
    EXPECT_EQ(p.transform, q.transform);
    EXPECT_EQ(p.id, q.id);
    EXPECT_EQ(p.selection, q.selection);
    EXPECT_EQ(p.boneIndex, q.boneIndex);
    EXPECT_EQ(p.sectionIndex, q.sectionIndex);
  }
  EXPECT_EQ(expected.Area(), actual.Area());
  EXPECT_EQ(expected.Color(), actual.Color());
  EXPECT_EQ(expected.ColorTop(), actual.ColorTop());
  EXPECT_EQ(expected.Special(), actual.Special());
  EXPECT_EQ(expected.LodByte(), actual.LodByte());
}

}  // namespace odol_test
