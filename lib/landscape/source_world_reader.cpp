// The source world reader: header, grid checks, heights, texture indices and the texture
// table; the object list is read in source_world_objects.cpp.
#include "lib/landscape/source_world_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "el/appframe/app_frame.h"
#include "el/paramfile/param_file.h"
#include "el/qstream/qi_stream.h"
#include "lib/landscape/landscape.h"
#include "lib/landscape/landscape_derive.h"
#include "lib/landscape/source_world_objects.h"

namespace {

constexpr float kHeightStep = 0.044999998f;  // metres per int16 unit before version 8
constexpr int kFixedTextureCount = 512;      // the texture table before version 6
constexpr int kFixedTextureName = 32;
constexpr int kHighestOldTexture = 512;  // indices above it are bad before version 6
constexpr float kDefaultCellSize = 50.0f;
constexpr int kRowChunk = 1 << 16;  // samples converted per read

struct Header {
  int version = 0;
  int32_t landWidth = 0, landHeight = 0;
  int32_t terrainWidth = 0, terrainHeight = 0;
  float cellSize = kDefaultCellSize;
};

template <class T>
T Read(QIStream& in) {
  T value{};
  in.read(&value, sizeof value);
  return value;
}

bool IsPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

float LandGrid(const ParamClass* worldClass) {
  if (!worldClass) return kDefaultCellSize;
  ParamFindResult found = worldClass->Find("LandGrid", false, true);
  return found ? ParamEntryVal(found).GetFloat() : kDefaultCellSize;
}

bool ReadHeader(QIStream& in, Header& header, const SourceWorldSettings& settings) {
  char magic[4];
  if (in.read(magic, 4) != 4) return false;
  header.version = SourceWorldVersion(magic);
  if (header.version == 0) return false;
  header.landWidth = Read<int32_t>(in);
  header.landHeight = Read<int32_t>(in);
  if (header.version >= 5) {
    header.terrainWidth = Read<int32_t>(in);
    header.terrainHeight = Read<int32_t>(in);
    header.cellSize = Read<float>(in);
  } else {
    header.terrainWidth = header.landWidth;
    header.terrainHeight = header.landHeight;
    header.cellSize = LandGrid(settings.worldClass);
  }
  return !in.fail() && !in.eof();
}

// Reports what is wrong with the grid sizes; false when the world cannot be sized at all
// (a width that is not positive, a terrain that does not split into the land cells, or
// grids larger than the data left).
bool CheckGrids(const Header& h, QIStream& in) {
  if (h.landWidth != h.landHeight)
    ErrorMessage("Landscape dimensions %dx%d not rectangular", h.landWidth, h.landHeight);
  if (!IsPowerOfTwo(h.landWidth) || !IsPowerOfTwo(h.landHeight))
    ErrorMessage("Landscape dimensions %dx%d not power of 2", h.landWidth, h.landHeight);
  if (h.terrainWidth != h.terrainHeight)
    ErrorMessage("Terrain dimensions %dx%d not rectangular", h.terrainWidth, h.terrainHeight);
  if (!IsPowerOfTwo(h.terrainWidth) || !IsPowerOfTwo(h.terrainHeight))
    ErrorMessage("Terrain dimensions %dx%d not power of 2", h.terrainWidth, h.terrainHeight);
  if (h.landWidth <= 0 || h.landHeight <= 0 || h.terrainWidth <= 0 || h.terrainHeight <= 0) return false;
  if (h.terrainWidth < h.landWidth || h.terrainWidth % h.landWidth != 0) {
    ErrorMessage("Terrain dimensions %dx%d do not split into the %dx%d land cells", h.terrainWidth, h.terrainHeight,
                 h.landWidth, h.landHeight);
    return false;
  }
  // The grids as stored must be in the data left, and so must the squares of their widths
  // that the world is sized to (a grid less high than wide fails here): nothing is
  // allocated beyond what the file could fill. Widths are positive int32 values, so the
  // sample counts fit in 64 bits; the byte sizes are compared by division.
  const int64_t sampleBytes = h.version >= 8 ? 4 : 2;
  const int64_t samples = std::max(int64_t{h.terrainWidth} * h.terrainHeight, int64_t{h.terrainWidth} * h.terrainWidth);
  const int64_t cells = std::max(int64_t{h.landWidth} * h.landHeight, int64_t{h.landWidth} * h.landWidth);
  const int64_t rest = in.GetRest();
  if (samples > rest / sampleBytes) return false;
  return cells <= (rest - samples * sampleBytes) / 2;
}

// Heights, rows outer; samples outside the square of the terrain width are read and
// dropped.
void ReadHeights(QIStream& in, const Header& h, Landscape& land) {
  const int64_t width = h.terrainWidth;
  const int sampleBytes = h.version >= 8 ? 4 : 2;
  std::vector<char> buffer;
  for (int64_t row = 0; row < h.terrainHeight; ++row) {
    for (int64_t column = 0; column < width; column += kRowChunk) {
      const int64_t count = std::min<int64_t>(kRowChunk, width - column);
      buffer.resize(static_cast<size_t>(count * sampleBytes));
      in.read(buffer.data(), static_cast<QFileSize>(buffer.size()));
      if (row >= land.terrainHeight || column >= land.terrainWidth) continue;
      float* target = land.heights.data() + row * land.terrainWidth + column;
      const int64_t stored = std::min<int64_t>(count, land.terrainWidth - column);
      for (int64_t i = 0; i < stored; ++i) {
        float value;
        if (sampleBytes == 4) {
          std::memcpy(&value, buffer.data() + i * 4, 4);
        } else {
          int16_t raw;
          std::memcpy(&raw, buffer.data() + i * 2, 2);
          value = static_cast<float>(raw) * kHeightStep;
        }
        target[i] = value;
        // The range starts at 0 (sea level) and grows with every stored sample.
        if (value > land.maxHeight) land.maxHeight = value;
        if (value < land.minHeight) land.minHeight = value;
      }
    }
  }
}

void ReadTextureIndices(QIStream& in, const Header& h, Landscape& land) {
  std::vector<uint16_t> row(static_cast<size_t>(h.landWidth));
  for (int32_t z = 0; z < h.landHeight; ++z) {
    in.read(row.data(), static_cast<QFileSize>(row.size() * 2));
    if (z >= land.landHeight) continue;
    for (int32_t x = 0; x < std::min(h.landWidth, land.landWidth); ++x) {
      uint16_t index = row[static_cast<size_t>(x)];
      const bool negative = static_cast<int16_t>(index) < 0;
      if (negative || (h.version < 6 && index > kHighestOldTexture)) {
        ErrorMessage("Bad texture ID %d on landscape (%d,%d)", negative ? static_cast<int16_t>(index) : index, x, z);
        index = 0;
      }
      land.textureIndices[static_cast<size_t>(land.LandIndex(x, z))] = index;
    }
  }
}

// The texture table; false when its count or a name length cannot be right.
bool ReadTextureTable(QIStream& in, const Header& h, Landscape& land) {
  if (h.version < 6) {
    land.textures.assign(kFixedTextureCount, {});
    char name[kFixedTextureName + 1] = {};
    for (LandscapeTexture& texture : land.textures) {
      in.read(name, kFixedTextureName);
      texture.name = RString(name, strnlen(name, kFixedTextureName));
    }
    return true;
  }
  const int32_t count = Read<int32_t>(in);
  const int entryBytes = h.version >= 7 ? 8 : 4;
  if (in.fail() || count < 0 || count > in.GetRest() / entryBytes) return false;
  land.textures.assign(static_cast<size_t>(count), {});
  for (LandscapeTexture& texture : land.textures) {
    const int32_t length = Read<int32_t>(in);
    if (length < 0 || length > in.GetRest()) return false;
    RString name(static_cast<size_t>(length), '\0');
    in.read(name.data(), length);
    texture.attribute = h.version >= 7 ? Read<int32_t>(in) : -1;
    // An empty name leaves the entry unset.
    if (!name.empty()) texture.name = std::move(name);
  }
  return !in.fail();
}

void CheckTextureReferences(Landscape& land) {
  const size_t count = land.textures.size();
  for (int z = 0; z < land.landHeight; ++z) {
    for (int x = 0; x < land.landWidth; ++x) {
      uint16_t& index = land.textureIndices[static_cast<size_t>(land.LandIndex(x, z))];
      if (index >= count) {
        ErrorMessage("Bad land texture on %d,%d", x, z);
        index = 0;
      }
    }
  }
}

int Fail(const RString& fileName) {
  ErrorMessage("Cannot load world '%s'", fileName.c_str());
  return kSourceWorldFailed;
}

}  // namespace

int SourceWorldVersion(const char magic[4]) {
  if (magic[0] < '2' || magic[0] > '8' || std::memcmp(magic + 1, "WVR", 3) != 0) return 0;
  return magic[0] - '0';
}

int LoadSourceWorld(Landscape& land, QIStream& in, const RString& fileName, const SourceWorldSettings& settings) {
  in.SeekG(0);
  Header header;
  if (!ReadHeader(in, header, settings)) return Fail(fileName);
  if (!CheckGrids(header, in)) return Fail(fileName);
  // Non-square grids are kept at their width (rows beyond it are read and dropped).
  land.Resize(header.landWidth, header.terrainWidth, header.cellSize);
  ReadHeights(in, header, land);
  ReadTextureIndices(in, header, land);
  if (!ReadTextureTable(in, header, land)) return Fail(fileName);
  CheckTextureReferences(land);
  if (in.fail() || in.eof()) return Fail(fileName);

  ReadSourceWorldObjects(land, in, header.version, fileName, settings);
  if (settings.derive) DeriveCellData(land);
  return 0;
}
