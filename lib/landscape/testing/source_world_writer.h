#pragma once
// Writes source worlds (".wrp", "2WVR" to "8WVR") for our own tests, fuzz seeds,
// benchmarks and the sample terrain.
//
// Every header form, height encoding, texture table and object record form of the
// reader can be written. Nothing is checked: a test may write a broken file on purpose
// (sizes that do not match the data, bad texture indices, duplicate ids).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "lib/shape/matrix4.h"

namespace wrp {

struct Texture {
  std::string name;        // empty: an unset entry
  int32_t attribute = -1;  // written from version 7 on
};

struct Object {
  int32_t id = 0;  // not written by versions 2 and 3
  std::string model;
  Matrix4 transform;  // versions 3 and up
  // Version 2 only: position in land-cell units, height above the surface, turn.
  float cellX = 0, cellZ = 0, heightOffset = 0, angle = 0;
};

struct World {
  int version = 8;
  int32_t landWidth = 0, landHeight = 0;
  int32_t terrainWidth = 0, terrainHeight = 0;  // versions 5 and up
  float cellSize = 50.0f;                       // versions 5 and up
  // terrainHeight x terrainWidth metres (version 8), or for older versions stored as
  // int16 round(h / 0.045); `rawHeights`, when not empty, is written instead for them.
  std::vector<float> heights;
  std::vector<int16_t> rawHeights;
  std::vector<uint16_t> textureIndices;  // landHeight x landWidth
  std::vector<Texture> textures;         // versions below 6: the first 512 entries
  std::vector<Object> objects;
  bool terminated = true;  // write the record that ends the object list
};

// A square world with a flat terrain at `height`, texture index 0 everywhere and the
// single texture "data\\grass.paa"; terrain width = land width for versions below 5.
World MakeFlatWorld(int version, int32_t landWidth, int32_t terrainWidth, float cellSize, float height = 10.0f);

// A transform standing at (x, y, z), turned `angle` radians about the vertical axis.
Matrix4 PlacedAt(float x, float y, float z, float angle = 0.0f);

// The bytes of the world.
std::string WriteWorld(const World& world);
// Writes the world to `path`, creating its folders; false when the file cannot be written.
bool WriteWorldFile(const World& world, const std::filesystem::path& path);

}  // namespace wrp
