#include "lib/shape/testing/mlod_writer.h"

#include <cmath>
#include <cstring>
#include <fstream>

namespace mlod {
namespace {

constexpr size_t kShortNameSize = 64;
constexpr size_t kFixedTextureSize = 32;
constexpr uint32_t kLongHeaderSize = 28;

template <class T>
void Put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutString(std::string& out, const std::string& text) {
  out += text;
  out.push_back('\0');
}

void PutFixed(std::string& out, const std::string& text, size_t size) {
  std::string field(size, '\0');
  std::memcpy(field.data(), text.data(), std::min(text.size(), size - 1));
  out += field;
}

void PutMagic(std::string& out, const char* magic) { out.append(magic, 4); }

void PutCorners(std::string& out, const Face& face) {
  for (const Corner& corner : face.corners) {
    Put(out, corner.point);
    Put(out, corner.normal);
    Put(out, corner.u);
    Put(out, corner.v);
  }
}

void PutTag(std::string& out, const Tag& tag) {
  if (tag.longName) {
    out.push_back('\1');
    PutString(out, tag.name);
  } else {
    PutFixed(out, tag.name, kShortNameSize);
  }
  Put(out, static_cast<uint32_t>(tag.data.size()));
  out += tag.data;
}

std::string Bytes(const void* data, size_t size) { return std::string(static_cast<const char*>(data), size); }

}  // namespace

uint8_t SelectionByte(uint8_t weight) { return static_cast<uint8_t>((256 - weight) & 0xFF); }

Lod& Lod::AddSelection(const std::string& name, const std::vector<uint8_t>& pointWeights,
                       const std::vector<uint8_t>& faceBytes) {
  std::string data;
  for (uint8_t weight : pointWeights) data.push_back(static_cast<char>(weight ? SelectionByte(weight) : 0));
  for (uint8_t selected : faceBytes) data.push_back(static_cast<char>(selected));
  return AddTag(name, data);
}

Lod& Lod::AddSelectionOf(const std::string& name, const std::vector<int>& pointList, const std::vector<int>& faceList) {
  std::vector<uint8_t> pointWeights(points.size(), 0), faceBytes(faces.size(), 0);
  for (int p : pointList) pointWeights.at(static_cast<size_t>(p)) = 255;
  for (int f : faceList) faceBytes.at(static_cast<size_t>(f)) = 1;
  return AddSelection(name, pointWeights, faceBytes);
}

Lod& Lod::AddProperty(const std::string& name, const std::string& value) {
  std::string data;
  PutFixed(data, name, 64);
  PutFixed(data, value, 64);
  return AddTag("#Property#", data);
}

Lod& Lod::AddMasses(const std::vector<float>& masses) {
  return AddTag("#Mass#", Bytes(masses.data(), masses.size() * sizeof(float)));
}

Lod& Lod::AddKeyFrame(float time, const std::vector<Vector3>& positions) {
  std::string data;
  Put(data, time);
  data += Bytes(positions.data(), positions.size() * sizeof(Vector3));
  return AddTag("#Animation#", data);
}

Lod& Lod::AddUVSet(uint32_t index, const std::vector<float>& uv) {
  std::string data;
  Put(data, index);
  data += Bytes(uv.data(), uv.size() * sizeof(float));
  return AddTag("#UVSet#", data);
}

Lod& Lod::AddMaterialIndex(uint32_t ambient, uint32_t diffuse, uint32_t specular, uint32_t emissive) {
  std::string data;
  for (uint32_t color : {ambient, diffuse, specular, emissive}) Put(data, color);
  return AddTag("#MaterialIndex#", data);
}

Lod& Lod::AddTag(const std::string& name, const std::string& data, bool longName) {
  tags.push_back({name, data, longName});
  return *this;
}

std::string WriteLod(const Lod& lod) {
  std::string out;
  uint32_t nPoints = static_cast<uint32_t>(lod.points.size());
  uint32_t nNormals = static_cast<uint32_t>(lod.normals.size());
  uint32_t nFaces = static_cast<uint32_t>(lod.faces.size());
  if (lod.form == LodForm::SP3D) {
    PutMagic(out, "SP3D");
    Put(out, nPoints);
    Put(out, nNormals);
    Put(out, nFaces);
  } else {
    PutMagic(out, lod.form == LodForm::P3DM ? "P3DM" : "SP3X");
    Put(out, lod.headerSize);
    Put(out, lod.version);
    Put(out, nPoints);
    Put(out, nNormals);
    Put(out, nFaces);
    Put(out, lod.flags);
    if (lod.headerSize > kLongHeaderSize) out.append(lod.headerSize - kLongHeaderSize, '\0');
  }
  for (const Point& point : lod.points) {
    Put(out, point.position);
    if (lod.form != LodForm::SP3D) Put(out, point.flags);
  }
  for (const Vector3& normal : lod.normals) Put(out, normal);
  for (const Face& face : lod.faces) {
    if (lod.form == LodForm::P3DM) {
      Put(out, face.n);
      PutCorners(out, face);
      Put(out, face.flags);
      PutString(out, face.texture);
      PutString(out, face.material);
    } else {
      PutFixed(out, face.texture, kFixedTextureSize);
      Put(out, face.n);
      PutCorners(out, face);
      if (lod.form == LodForm::SP3X) Put(out, face.flags);
    }
  }
  out += lod.tagMagic;
  for (const Tag& tag : lod.tags) PutTag(out, tag);
  if (lod.endOfFile) PutTag(out, {"#EndOfFile#", "", false});
  if (lod.writeResolution) Put(out, lod.resolution);
  return out;
}

std::string WriteModel(const Model& model) {
  std::string out;
  int32_t count = model.lodCount ? *model.lodCount : static_cast<int32_t>(model.lods.size());
  switch (model.container) {
    case Container::MLOD:
      PutMagic(out, "MLOD");
      Put(out, model.version);
      Put(out, count);
      break;
    case Container::NLOD:
      PutMagic(out, "NLOD");
      Put(out, count);
      break;
    case Container::Bare:
      break;
  }
  for (const Lod& lod : model.lods) out += WriteLod(lod);
  return out;
}

bool WriteModelFile(const Model& model, const std::filesystem::path& path) {
  std::error_code error;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  std::string bytes = WriteModel(model);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

Lod MakeGridLod(int cellsX, int cellsZ, float resolution, const std::string& texture, const std::string& material,
                bool quads) {
  Lod lod;
  lod.resolution = resolution;
  int columns = cellsX + 1;
  for (int z = 0; z <= cellsZ; ++z) {
    for (int x = 0; x <= cellsX; ++x) {
      float height = 0.25f * std::sin(0.3f * static_cast<float>(x)) * std::cos(0.2f * static_cast<float>(z));
      lod.points.push_back({{static_cast<float>(x), height, static_cast<float>(z)}, 0});
      float nx = -0.075f * std::cos(0.3f * static_cast<float>(x)) * std::cos(0.2f * static_cast<float>(z));
      float nz = 0.05f * std::sin(0.3f * static_cast<float>(x)) * std::sin(0.2f * static_cast<float>(z));
      float length = std::sqrt(nx * nx + 1.0f + nz * nz);
      lod.normals.push_back({nx / length, 1.0f / length, nz / length});
    }
  }
  auto corner = [&](int x, int z) {
    uint32_t index = static_cast<uint32_t>(z * columns + x);
    return Corner{index, index, static_cast<float>(x) / static_cast<float>(cellsX),
                  static_cast<float>(z) / static_cast<float>(cellsZ)};
  };
  for (int z = 0; z < cellsZ; ++z) {
    for (int x = 0; x < cellsX; ++x) {
      Face face;
      face.texture = texture;
      face.material = material;
      if (quads) {
        face.n = 4;
        face.corners[0] = corner(x, z);
        face.corners[1] = corner(x, z + 1);
        face.corners[2] = corner(x + 1, z + 1);
        face.corners[3] = corner(x + 1, z);
        lod.faces.push_back(face);
        continue;
      }
      face.n = 3;
      face.corners[0] = corner(x, z);
      face.corners[1] = corner(x, z + 1);
      face.corners[2] = corner(x + 1, z + 1);
      lod.faces.push_back(face);
      face.corners[0] = corner(x, z);
      face.corners[1] = corner(x + 1, z + 1);
      face.corners[2] = corner(x + 1, z);
      lod.faces.push_back(face);
    }
  }
  return lod;
}

}  // namespace mlod
