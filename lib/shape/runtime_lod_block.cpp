// One LOD block of a runtime model file, saved and loaded by the same routine.
#include "lib/shape/runtime_lod_block.h"

#include <cstdlib>

#include "el/appframe/app_frame.h"
#include "el/qstream/serialize_bin_stream.h"
#include "engine/texture_bank.h"
#include "lib/shape/lod_kind.h"
#include "lib/shape/material_transfer.h"
#include "lib/shape/odol_format.h"
#include "lib/shape/shape.h"
#include "lib/shape/tex_material.h"

namespace {

using Error = SerializeBinStream::ErrorCode;
constexpr bool kCompressed = true;
// The polygon byte a reader refuses: it stands for a face of 65535 vertices.
constexpr int kBadPolygon = 255;

void Fail(SerializeBinStream& f, int code = Error::EFileStructure) { f.SetError(code); }

// Load: `index` must be -1 or address one of `count` items.
void CheckIndex(SerializeBinStream& f, int index, size_t count) {
  if (f.IsLoading() && (index < -1 || (index >= 0 && static_cast<size_t>(index) >= count))) Fail(f);
}

void TransferProxy(SerializeBinStream& f, ProxyObject& proxy) {
  f.TransferString(proxy.name);
  f.Transfer(proxy.transform.axisX);
  f.Transfer(proxy.transform.axisY);
  f.Transfer(proxy.transform.axisZ);
  f.Transfer(proxy.transform.position);
  f.Transfer(proxy.id);
  f.Transfer(proxy.selection);
  f.Transfer(proxy.boneIndex);
  f.Transfer(proxy.sectionIndex);
}

void TransferSubSkeleton(SerializeBinStream& f, Shape& shape) {
  f.TransferCompressedArray(shape.SubSkeletonToSkeleton(), false);
  f.TransferArray(shape.SkeletonToSubSkeleton(),
                  [](SerializeBinStream& s, AutoArray<int>& slots) { s.TransferCompressedArray(slots, false); });
}

void TransferTextures(SerializeBinStream& f, Shape& shape) {
  AutoArray<RString> names;
  if (f.IsSaving())
    for (const TextureRef& texture : shape.Textures()) names.push_back(texture ? texture->Name() : RString());
  f.TransferArray(names, [](SerializeBinStream& s, RString& name) { s.TransferString(name); });
  if (f.IsLoading() && f.Ok()) {
    AutoArray<TextureRef>& list = shape.TextureList();
    list.clear();
    for (const RString& name : names) list.push_back(Textures().Load(name));
  }
}

// The materials the sections use, each once in section order (only named ones).
AutoArray<TexMaterialRef> SectionMaterials(const Shape& shape) {
  AutoArray<TexMaterialRef> list;
  for (const ShapeSection& section : shape.Sections()) {
    int index = section.materialIndex;
    if (index < 0 || static_cast<size_t>(index) >= shape.Materials().size()) continue;
    const TexMaterialRef& material = shape.Materials()[static_cast<size_t>(index)];
    if (!material || material->Name().empty()) continue;
    bool known = false;
    for (const TexMaterialRef& m : list) known = known || m->Name() == material->Name();
    if (!known) list.push_back(material);
  }
  return list;
}

void TransferMaterials(SerializeBinStream& f, AutoArray<TexMaterialRef>& list) {
  f.TransferArray(list, [](SerializeBinStream& s, TexMaterialRef& material) {
    RString name = material ? material->Name() : RString();
    s.TransferString(name);
    if (s.IsLoading()) material = std::make_shared<TexMaterial>(name);
    TransferMaterialRecord(s, *material);
  });
}

// Faces: count, in-memory size, a 0 word, then per face its vertex count as one byte and
// its vertex indices.
void TransferFaces(SerializeBinStream& f, FaceData& faces, int nVertices) {
  int32_t count = faces.NFaces();
  int32_t dataSize = faces.DataSize();
  uint16_t zero = 0;
  f.Transfer(count);
  f.Transfer(dataSize);
  f.Transfer(zero);
  if (!f.Ok()) return;
  if (f.IsSaving()) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(dataSize));
    for (int o = faces.Begin(); o < faces.End(); o = faces.Next(o)) {
      FaceRef face = faces.Face(o);
      if (face.N() >= kBadPolygon) return Fail(f, Error::EGeneric);
      bytes.push_back(static_cast<char>(face.N()));
      bytes.append(reinterpret_cast<const char*>(face.Vertices()), static_cast<size_t>(face.N()) * 2);
    }
    f.TransferBinary(bytes.data(), bytes.size(), false);
    return;
  }
  // Each face takes at least one byte; the buffer holds (2 + 2n) bytes per face.
  if (count < 0 || count > f.GetRest() || dataSize < 0 || dataSize % 2 != 0 ||
      dataSize > 2 * count + 2 * 254 * static_cast<int64_t>(count))
    return Fail(f);
  AutoArray<uint16_t> buffer;
  buffer.reserve(static_cast<size_t>(dataSize) / 2);
  for (int i = 0; i < count && f.Ok(); ++i) {
    uint8_t n = 0;
    f.Transfer(n);
    if (n == kBadPolygon) return Fail(f);
    uint16_t indices[kBadPolygon];
    f.TransferBinary(indices, static_cast<size_t>(n) * 2, false);
    if (!f.Ok()) return;
    buffer.push_back(n);
    for (int c = 0; c < n; ++c) {
      if (indices[c] >= nVertices) return Fail(f);
      buffer.push_back(indices[c]);
    }
  }
  if (!f.Ok()) return;
  if (buffer.size() * 2 != static_cast<size_t>(dataSize)) return Fail(f);
  faces.SetBuffer(std::move(buffer), count);
}

struct SectionContext {
  const Shape* shape;
  const AutoArray<TexMaterialRef>* written;  // the materials of the block, in order
  const AutoArray<int>* faceStarts;          // load: 1 at each face offset (and the end)
};

// The index of the section's material in the block's list, -1 when it is not there.
int WrittenMaterialIndex(const Shape& shape, const ShapeSection& section, const AutoArray<TexMaterialRef>& written) {
  int index = section.materialIndex;
  if (index < 0 || static_cast<size_t>(index) >= shape.Materials().size()) return -1;
  const TexMaterialRef& material = shape.Materials()[static_cast<size_t>(index)];
  if (!material) return -1;
  for (size_t i = 0; i < written.size(); ++i)
    if (written[i]->Name() == material->Name()) return static_cast<int>(i);
  return -1;
}

RString SectionMaterialName(const Shape& shape, const ShapeSection& section) {
  int index = section.materialIndex;
  if (index < 0 || static_cast<size_t>(index) >= shape.Materials().size()) return {};
  const TexMaterialRef& material = shape.Materials()[static_cast<size_t>(index)];
  return material ? material->Name() : RString();
}

void TransferSection(SerializeBinStream& f, ShapeSection& section, Shape& shape, const SectionContext& context) {
  f.Transfer(section.beg);
  f.Transfer(section.end);
  f.Transfer(section.boneWindowStart);
  f.Transfer(section.boneWindowLength);
  int32_t reserved = 0;
  f.Transfer(reserved);
  int16_t texture = static_cast<int16_t>(section.textureIndex);
  f.Transfer(texture);
  f.Transfer(section.special);
  int32_t material = f.IsSaving() ? WrittenMaterialIndex(shape, section, *context.written) : -1;
  f.Transfer(material);
  RString missing;
  if (material == -1) {
    if (f.IsSaving()) missing = SectionMaterialName(shape, section);
    f.TransferString(missing);
  }
  AutoArray<float> ratios{section.areaOverTex[0], section.areaOverTex[1]};
  f.TransferCompressedArray(ratios, false);
  if (!f.IsLoading() || !f.Ok()) return;

  section.textureIndex = texture;
  for (size_t i = 0; i < 2; ++i) section.areaOverTex[i] = i < ratios.size() ? ratios[i] : 0.0f;
  CheckIndex(f, section.textureIndex, shape.Textures().size());
  CheckIndex(f, material, shape.Materials().size());
  section.materialIndex = material;
  if (material == -1 && !missing.empty()) {
    // A material named here but not embedded: known by its name only.
    shape.MaterialList().push_back(std::make_shared<TexMaterial>(missing));
    section.materialIndex = static_cast<int>(shape.Materials().size()) - 1;
  }
  const AutoArray<int>& starts = *context.faceStarts;
  auto isFaceStart = [&starts](int offset) {
    return offset >= 0 && static_cast<size_t>(offset) / 2 < starts.size() && offset % 2 == 0 && starts[offset / 2];
  };
  if (section.beg > section.end || !isFaceStart(section.beg) || !isFaceStart(section.end)) return Fail(f);
  int bones = static_cast<int>(shape.SubSkeletonToSkeleton().size());
  if (section.boneWindowStart < 0 || section.boneWindowLength < 0 ||
      section.boneWindowStart > bones - section.boneWindowLength)
    Fail(f);
}

// Load: 1 at every face offset of the buffer and at its end.
AutoArray<int> FaceStarts(const FaceData& faces) {
  AutoArray<int> starts(static_cast<size_t>(faces.DataSize()) / 2 + 1, 0);
  for (int o = faces.Begin(); o < faces.End(); o = faces.Next(o)) starts[static_cast<size_t>(o) / 2] = 1;
  starts.back() = 1;
  return starts;
}

template <class T>
bool AllBelow(const AutoArray<T>& values, int64_t limit) {
  for (const T& value : values)
    if (value < 0 || static_cast<int64_t>(value) >= limit) return false;
  return true;
}

void TransferSelection(SerializeBinStream& f, NamedSelection& selection, const Shape& shape, int nVertices) {
  RString name = selection.Name();
  f.TransferString(name);
  if (f.IsLoading()) selection.SetName(name);
  AutoArray<uint16_t> faces;
  if (f.IsSaving()) {
    for (int face : selection.Faces()) {
      if (face < 0 || face > 0xFFFF) return Fail(f, Error::EGeneric);
      faces.push_back(static_cast<uint16_t>(face));
    }
  }
  f.TransferCompressedArray(faces, kCompressed);
  f.TransferCompressedArray(selection.FaceWeights(), kCompressed);
  uint8_t hasSections = selection.Sections().empty() ? 0 : 1;
  f.Transfer(hasSections);
  f.TransferCompressedArray(selection.Sections(), kCompressed);
  f.TransferCompressedArray(selection.Vertices(), kCompressed);
  f.TransferCompressedArray(selection.VertexWeights(), kCompressed);
  if (!f.IsLoading() || !f.Ok()) return;
  selection.Faces().assign(faces.begin(), faces.end());
  selection.Points().clear();
  selection.PointWeights().clear();
  auto weightsFit = [](size_t weights, size_t items) { return weights == 0 || weights == items; };
  if (!AllBelow(faces, shape.NFaces()) || !AllBelow(selection.Sections(), static_cast<int64_t>(shape.Sections().size())) ||
      !AllBelow(selection.Vertices(), nVertices) ||
      !weightsFit(selection.FaceWeights().size(), faces.size()) ||
      !weightsFit(selection.VertexWeights().size(), selection.Vertices().size()))
    Fail(f);
}

void TransferProperties(SerializeBinStream& f, NamedProperties& properties) {
  AutoArray<NamedProperty> items;
  if (f.IsSaving()) items = properties.Items();
  f.TransferArray(items, [](SerializeBinStream& s, NamedProperty& p) {
    s.TransferString(p.name);
    s.TransferString(p.value);
  });
  if (f.IsLoading() && f.Ok()) {
    properties = NamedProperties();
    for (NamedProperty& p : items) properties.Set(std::move(p.name), std::move(p.value));
  }
}

// Key frames are kept only by LODs whose "keyframe" property is a nonzero number.
bool KeepsKeyFrames(const Shape& shape) {
  const RString* value = shape.Properties().Find("keyframe");
  return value && std::atof(value->c_str()) != 0.0;
}

void TransferKeyFrames(SerializeBinStream& f, Shape& shape) {
  AutoArray<ShapeKeyFrame> dropped;
  AutoArray<ShapeKeyFrame>& frames = f.IsSaving() && !KeepsKeyFrames(shape) ? dropped : shape.KeyFrames();
  f.TransferArray(frames, [](SerializeBinStream& s, ShapeKeyFrame& frame) {
    s.Transfer(frame.time);
    s.TransferCompressedArray(frame.points, false);
  });
}

// Load: what the vertex maps and proxies refer to must exist.
bool MapsFit(const Shape& shape) {
  const AutoArray<uint16_t>& pointToVertex = shape.PointToVertex();
  for (uint16_t v : pointToVertex)
    if (v != 0xFFFF && v >= shape.NVertices()) return false;
  if (!AllBelow(shape.VertexToPoint(), static_cast<int64_t>(pointToVertex.size()))) return false;
  for (const ProxyObject& proxy : shape.Proxies()) {
    if (proxy.selection < -1 || proxy.selection >= static_cast<int>(shape.Selections().size())) return false;
    if (proxy.sectionIndex < -1 || proxy.sectionIndex >= static_cast<int>(shape.Sections().size())) return false;
  }
  return true;
}

// Alpha-sorted sections must come last; a load reports any that do not.
void CheckSectionOrder(Shape& shape) {
  const AutoArray<ShapeSection>& sections = shape.Sections();
  for (size_t i = 1; i < sections.size(); ++i) {
    if ((sections[i - 1].special & face_flags::kAlphaSorted) && !(sections[i].special & face_flags::kAlphaSorted)) {
      WarningMessage("  bad section order: %s before %s", SectionMaterialName(shape, sections[i - 1]).c_str(),
                     SectionMaterialName(shape, sections[i]).c_str());
      shape.MarkWarnings();
    }
  }
}

}  // namespace

bool TransferRuntimeLod(SerializeBinStream& f, Shape& shape, const RuntimeLodContext& context,
                        RuntimeLodValues* values) {
  if (!f.Ok()) return false;
  if (f.IsLoading()) shape = Shape();
  RuntimeLodValues header;
  VertexTable& table = shape.Vertices();
  if (f.IsSaving()) {
    VertexTable::Bounds bounds = table.ComputeBounds();
    header.area = shape.Area();
    header.clipOr = table.ClipFlagsOr();
    header.clipAnd = table.ClipFlagsAnd();
    header.min = bounds.min;
    header.max = bounds.max;
    header.center = bounds.center;
    header.radius = bounds.radius;
  }

  f.TransferArray(shape.Proxies(), TransferProxy);
  TransferSubSkeleton(f, shape);
  int32_t nVertices = shape.NVertices();
  f.Transfer(nVertices);
  if (f.IsLoading() && (nVertices < 0 || nVertices > VertexTable::kMaxVertices)) Fail(f);
  f.Transfer(header.area);
  f.Transfer(header.clipOr);
  f.Transfer(header.clipAnd);
  f.Transfer(header.min);
  f.Transfer(header.max);
  f.Transfer(header.center);
  f.Transfer(header.radius);
  if (f.IsLoading()) shape.SetArea(header.area);
  TransferTextures(f, shape);

  AutoArray<TexMaterialRef> materials;
  if (f.IsSaving()) materials = SectionMaterials(shape);
  TransferMaterials(f, materials);
  if (f.IsLoading()) shape.MaterialList() = materials;

  f.TransferCompressedArray(shape.PointToVertex(), kCompressed);
  f.TransferCompressedArray(shape.VertexToPoint(), kCompressed);
  if (f.IsLoading() && f.Ok() && shape.VertexToPoint().size() != static_cast<size_t>(nVertices) &&
      !shape.VertexToPoint().empty())
    Fail(f);
  if (!f.Ok()) return false;

  TransferFaces(f, shape.Faces(), nVertices);
  if (!f.Ok()) return false;
  AutoArray<int> faceStarts;
  if (f.IsLoading()) faceStarts = FaceStarts(shape.Faces());
  SectionContext sections{&shape, &materials, &faceStarts};
  f.TransferArray(shape.Sections(),
                  [&](SerializeBinStream& s, ShapeSection& section) { TransferSection(s, section, shape, sections); });
  f.TransferArray(shape.Selections(),
                  [&](SerializeBinStream& s, NamedSelection& selection) { TransferSelection(s, selection, shape, nVertices); });
  TransferProperties(f, shape.Properties());
  TransferKeyFrames(f, shape);

  uint32_t colorTop = shape.ColorTop(), color = shape.Color(), special = shape.Special();
  uint8_t lodByte = shape.LodByte();
  f.Transfer(colorTop);
  f.Transfer(color);
  f.Transfer(special);
  f.Transfer(lodByte);
  if (f.IsLoading()) {
    shape.SetColorTop(colorTop);
    shape.SetColor(color);
    shape.SetSpecial(special);
    shape.SetLodByte(lodByte);
  }
  if (!f.Ok()) return false;

  TransferRuntimeVertexData(f, shape, &header.vertexDataSize);
  if (f.IsLoading() && f.Ok()) {
    if (shape.NVertices() != nVertices || !MapsFit(shape)) Fail(f);
    else CheckSectionOrder(shape);
  }
  if (values) *values = header;
  (void)context;
  return f.Ok();
}
