#pragma once
// Texture files made to order, for the tests, the fuzz seeds and the benchmark: any
// format word, any set of tagged blocks, a palette, mipmaps of any size with or without
// the offsets block, the 1234/8765 size form and the width flag.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace textest {

struct PacLevelRecipe {
  int width = 0;
  int height = 0;
  bool widthFlag = false;     // sets bit 15 of the stored width
  bool extendedSize = false;  // stores 1234/8765 first, then the size
  // Bytes of data; by default what the format takes for width x height.
  std::optional<uint32_t> dataSize{};
};

struct PacTagRecipe {
  std::string name;     // four characters
  std::string payload;  // the stored length is payload.size() unless `length` says otherwise
  std::optional<int32_t> length{};
};

struct PacFileRecipe {
  int format = 6;                        // PacFormat
  bool formatWord = true;                // write the format's word (formats without one never do)
  std::optional<uint32_t> averageColor;  // "CGVA"
  std::optional<uint32_t> maxColor;      // "CXAM"
  std::optional<uint32_t> flags;         // "GALF"
  bool offsets = true;                   // "SFFO" with one offset per level (16 entries)
  std::vector<PacTagRecipe> extraTags;   // written after the known blocks, before "SFFO"
  std::vector<uint32_t> palette;         // 24-bit colours
  std::vector<PacLevelRecipe> levels;
  bool endMarker = true;  // the header of width 0 and height 0
};

struct BuiltPacFile {
  std::string bytes;
  std::vector<uint32_t> levelOffsets;  // position of each level's mipmap header
};

// Bytes of a level's data in `format`: P8 one per texel, 88/565/1555/4444 two, 8888 four,
// DXT1 8 and DXT2-5 16 per 4x4 block.
uint32_t LevelDataSize(int format, int width, int height);

// Levels from width x height down, halving, while both sides stay at least `minSide`;
// at most `maxLevels` of them.
std::vector<PacLevelRecipe> HalvingLevels(int width, int height, int minSide = 2, int maxLevels = 32);

BuiltPacFile BuildPacFile(const PacFileRecipe& recipe);

// A named file of every format (0 to 10) with every combination of the "CGVA", "CXAM",
// "GALF" and "SFFO" blocks, a few levels each; formats P8 carry a palette.
struct PacVariant {
  std::string name;  // e.g. "DXT1_avg_max_flags_offsets"
  PacFileRecipe recipe;
};
std::vector<PacVariant> AllPacVariants();

}  // namespace textest
