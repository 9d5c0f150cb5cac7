#include "lib/landscape/testing/source_world_writer.h"

#include <cmath>
#include <cstring>
#include <fstream>

namespace wrp {
namespace {

constexpr float kHeightStep = 0.044999998f;  // metres per int16 unit before version 8
constexpr int kFixedTextureCount = 512;
constexpr size_t kFixedTextureName = 32;

template <class T>
void Put(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.append(bytes, sizeof(T));
}

void PutPadded(std::string& out, const std::string& text, size_t size) {
  std::string field = text.substr(0, size);
  field.resize(size, '\0');
  out += field;
}

void PutTransform(std::string& out, const Matrix4& m) {
  for (const Vector3* v : {&m.axisX, &m.axisY, &m.axisZ, &m.position}) {
    Put(out, v->x);
    Put(out, v->y);
    Put(out, v->z);
  }
}

void PutHeights(std::string& out, const World& world) {
  if (world.version >= 8) {
    size_t start = out.size();
    out.resize(start + world.heights.size() * sizeof(float));
    if (!world.heights.empty())
      std::memcpy(out.data() + start, world.heights.data(), world.heights.size() * sizeof(float));
  } else if (!world.rawHeights.empty()) {
    for (int16_t h : world.rawHeights) Put(out, h);
  } else {
    for (float h : world.heights) Put(out, static_cast<int16_t>(std::lround(h / kHeightStep)));
  }
}

void PutTextures(std::string& out, const World& world) {
  if (world.version < 6) {
    for (int i = 0; i < kFixedTextureCount; ++i) {
      PutPadded(out, static_cast<size_t>(i) < world.textures.size() ? world.textures[static_cast<size_t>(i)].name : "",
                kFixedTextureName);
    }
    return;
  }
  Put(out, static_cast<int32_t>(world.textures.size()));
  for (const Texture& texture : world.textures) {
    Put(out, static_cast<int32_t>(texture.name.size()));
    out += texture.name;
    if (world.version >= 7) Put(out, texture.attribute);
  }
}

void PutObject(std::string& out, const World& world, const Object& object) {
  switch (world.version) {
    case 2:
      Put(out, object.cellX);
      Put(out, object.heightOffset);
      Put(out, object.cellZ);
      Put(out, object.angle);
      PutPadded(out, object.model, 48);
      break;
    case 3:
      PutTransform(out, object.transform);
      PutPadded(out, object.model, 80);
      break;
    case 4:
    case 5:
      PutTransform(out, object.transform);
      Put(out, object.id);
      PutPadded(out, object.model, 76);
      break;
    default:
      PutTransform(out, object.transform);
      Put(out, object.id);
      Put(out, static_cast<int32_t>(object.model.size()));
      out += object.model;
  }
}

}  // namespace

World MakeFlatWorld(int version, int32_t landWidth, int32_t terrainWidth, float cellSize, float height) {
  World world;
  world.version = version;
  world.landWidth = world.landHeight = landWidth;
  world.terrainWidth = world.terrainHeight = version < 5 ? landWidth : terrainWidth;
  world.cellSize = cellSize;
  world.heights.assign(static_cast<size_t>(world.terrainWidth) * static_cast<size_t>(world.terrainHeight), height);
  world.textureIndices.assign(static_cast<size_t>(landWidth) * static_cast<size_t>(landWidth), 0);
  world.textures.push_back({"data\\grass.paa", 3});
  return world;
}

Matrix4 PlacedAt(float x, float y, float z, float angle) {
  Matrix4 m;
  float c = std::cos(angle), s = std::sin(angle);
  m.axisX = {c, 0.0f, -s};
  m.axisZ = {s, 0.0f, c};
  m.position = {x, y, z};
  return m;
}

std::string WriteWorld(const World& world) {
  std::string out;
  out.reserve(24 + world.heights.size() * 4 + world.textureIndices.size() * 2 + world.objects.size() * 128);
  out.push_back(static_cast<char>('0' + world.version));
  out += "WVR";
  Put(out, world.landWidth);
  Put(out, world.landHeight);
  if (world.version >= 5) {
    Put(out, world.terrainWidth);
    Put(out, world.terrainHeight);
    Put(out, world.cellSize);
  }
  PutHeights(out, world);
  for (uint16_t index : world.textureIndices) Put(out, index);
  PutTextures(out, world);
  for (const Object& object : world.objects) PutObject(out, world, object);
  if (world.terminated) {
    // An empty name ends the list; from version 6 on a full head with length 0.
    Object end;
    PutObject(out, world, end);
  }
  return out;
}

bool WriteWorldFile(const World& world, const std::filesystem::path& path) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  const std::string bytes = WriteWorld(world);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace wrp
