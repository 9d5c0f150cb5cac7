#pragma once
// Writes source models (".p3d") for our own tests, fuzz seeds, benchmarks and samples.
//
// Every container ("MLOD", "NLOD", a bare LOD) and record form ("P3DM", "SP3X", "SP3D")
// the reader understands can be written, with any header size and version, and with the
// tags of the tag table. Nothing is checked: a test may write a broken file on purpose.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "el/qstream/vector3.h"

namespace mlod {

enum class Container { MLOD, NLOD, Bare };
enum class LodForm { P3DM, SP3X, SP3D };

struct Point {
  Vector3 position;
  uint32_t flags = 0;  // source point flags (not written for "SP3D")
};

struct Corner {
  uint32_t point = 0;
  uint32_t normal = 0;
  float u = 0.0f;
  float v = 0.0f;
};

struct Face {
  uint32_t n = 3;  // corners used (the record always stores four)
  Corner corners[4];
  uint32_t flags = 0;    // not written for "SP3D"
  std::string texture;   // "SP3X"/"SP3D": at most 31 characters are written
  std::string material;  // "P3DM" only
};

struct Tag {
  std::string name;
  std::string data;
  // Written with the long-name form (byte 1, then the name as a string) instead of the
  // 64-byte form.
  bool longName = false;
};

struct Lod {
  LodForm form = LodForm::P3DM;
  uint32_t headerSize = 28;  // "P3DM"/"SP3X": bytes beyond 28 are written as zeros
  uint32_t version = 0x100;
  uint32_t flags = 0;
  std::vector<Point> points;
  std::vector<Vector3> normals;
  std::vector<Face> faces;
  std::vector<Tag> tags;  // in order; "#EndOfFile#" follows unless endOfFile is false
  float resolution = 0.0f;
  std::string tagMagic = "TAGG";
  bool endOfFile = true;
  bool writeResolution = true;

  // Tags of the tag table; each appends one tag and returns the LOD.
  // A named selection: `pointWeights` per point (0 = not selected, 1-255 the weight as
  // the engine sees it, 255 = full), `faces` per face (0 = not selected).
  Lod& AddSelection(const std::string& name, const std::vector<uint8_t>& pointWeights,
                    const std::vector<uint8_t>& faces);
  // A selection of whole points and faces by index.
  Lod& AddSelectionOf(const std::string& name, const std::vector<int>& points, const std::vector<int>& faces);
  Lod& AddProperty(const std::string& name, const std::string& value);
  Lod& AddMasses(const std::vector<float>& masses);
  Lod& AddKeyFrame(float time, const std::vector<Vector3>& positions);
  // `uv`: u, v per face corner (faces in order, n corners each).
  Lod& AddUVSet(uint32_t index, const std::vector<float>& uv);
  Lod& AddMaterialIndex(uint32_t ambient, uint32_t diffuse, uint32_t specular, uint32_t emissive);
  Lod& AddTag(const std::string& name, const std::string& data, bool longName = false);
};

struct Model {
  Container container = Container::MLOD;
  uint32_t version = 0x101;        // "MLOD" only
  std::vector<Lod> lods;
  std::optional<int32_t> lodCount;  // the declared count; default: lods.size()
};

// The stored byte of a point of weight `weight` in a selection: (256 - weight) mod 256.
uint8_t SelectionByte(uint8_t weight);

// The bytes of one LOD record (header, points, normals, faces, tags, resolution).
std::string WriteLod(const Lod& lod);
// The bytes of a whole source model.
std::string WriteModel(const Model& model);
// Writes the model to `path`, creating its folders; false when the file cannot be written.
bool WriteModelFile(const Model& model, const std::filesystem::path& path);

// A wavy grid of cellsX x cellsZ quads, each split into two triangles (or kept as one quad
// face), one point and one normal per grid point, UVs spanning 0..1 over the grid; every
// face uses `texture` and `material`.
Lod MakeGridLod(int cellsX, int cellsZ, float resolution, const std::string& texture = "data\\grid_co.paa",
                const std::string& material = "", bool quads = false);

}  // namespace mlod
