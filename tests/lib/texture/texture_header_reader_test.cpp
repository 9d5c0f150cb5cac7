// The header reader on generated textures of every format and tag combination, palettes,
// mipmap walks with and without offsets, and broken files.
#include <gtest/gtest.h>

#include <random>

#include "tests/lib/texture/texture_test_support.h"
#include "tests/support/captured_messages.h"
#include "tests/support/temp_tree.h"

namespace {

using namespace textest;

bool HasLine(const CapturedMessages& messages, const std::string& line) {
  for (const std::string& l : messages.lines)
    if (l == line) return true;
  return false;
}

TEST(TextureHeaderReader, EveryFormatAndTagCombination) {
  for (const PacVariant& variant : AllPacVariants()) {
    SCOPED_TRACE(variant.name);
    const PacFileRecipe& recipe = variant.recipe;
    const BuiltPacFile file = BuildPacFile(recipe);
    for (const std::string name : {"data\\v.paa", "data\\v.pac"}) {
      CapturedMessages messages;
      ReadResult r = ReadHeaderOf(file.bytes, name);
      ASSERT_TRUE(r.ok) << name;
      const TextureHeader& h = r.header;
      // Formats without a word fall back to the extension's default.
      const int expectedFormat = PacFormatWord(recipe.format) ? recipe.format : (name.ends_with(".paa") ? 4 : 0);
      EXPECT_EQ(h.format, expectedFormat);
      EXPECT_EQ(h.isPaa, name.ends_with(".paa") ? 1 : 0);
      EXPECT_EQ(h.initialised, 1);
      const uint32_t average = recipe.averageColor.value_or(pac::DefaultAverageColor(expectedFormat));
      EXPECT_EQ(h.averageColorPacked, average);
      EXPECT_FLOAT_EQ(h.averageColor[0], ((average >> 16) & 0xFF) / 255.0f);
      EXPECT_FLOAT_EQ(h.averageColor[1], ((average >> 8) & 0xFF) / 255.0f);
      EXPECT_FLOAT_EQ(h.averageColor[2], (average & 0xFF) / 255.0f);
      EXPECT_FLOAT_EQ(h.averageColor[3], (average >> 24) / 255.0f);
      EXPECT_EQ(h.maxColorPacked, recipe.maxColor.value_or(0xFFFFFFFF));
      EXPECT_EQ(h.hasMaxColor, recipe.maxColor ? 1 : 0);
      const uint32_t flags = recipe.flags.value_or(0);
      const uint16_t word = recipe.formatWord ? PacFormatWord(recipe.format) : 0;
      const bool alpha = (flags & 1) || word == 0x8080 || word == 0x4444;
      EXPECT_EQ(h.hasAlpha, alpha ? 1 : 0);
      EXPECT_EQ(h.isTransparent, (flags & 2) ? 1 : 0);
      EXPECT_EQ(h.hasDarkAlpha, alpha && (average >> 24) < 128 ? 1 : 0);
      EXPECT_EQ(h.transparentIndex, -1);
      EXPECT_EQ(h.palette.size(), recipe.palette.size());
      EXPECT_EQ(h.reservedValue, 0u);

      ASSERT_EQ(h.mipmapCount, static_cast<int>(recipe.levels.size()));
      for (int i = 0; i < h.mipmapCount; ++i) {
        EXPECT_EQ(h.mipmaps[i].width, recipe.levels[i].width) << i;
        EXPECT_EQ(h.mipmaps[i].height, recipe.levels[i].height) << i;
        EXPECT_EQ(h.mipmaps[i].offset, file.levelOffsets[i]) << i;
        EXPECT_EQ(h.mipmaps[i].format, expectedFormat);
        EXPECT_EQ(h.mipmaps[i].secondFormat, 3);
        EXPECT_EQ(h.mipmaps[i].reserved, 0);
      }
      EXPECT_EQ(HasLine(messages, "log: No offsets for texture " + name + " - conversion needed"), !recipe.offsets);
      EXPECT_EQ(messages.lines.size(), recipe.offsets ? 0u : 1u) << messages.Text();
    }
  }
}

TEST(TextureHeaderReader, FileWithoutFormatWordDependsOnExtension) {
  // A palette count where the format word would stand.
  PacFileRecipe recipe = Recipe(PacP8, HalvingLevels(8, 8, 2, 3), false);
  recipe.palette = {0x102030};
  const std::string bytes = BuildPacFile(recipe).bytes;
  EXPECT_EQ(ReadHeaderOf(bytes, "a.paa").header.format, PacARGB4444);
  EXPECT_EQ(ReadHeaderOf(bytes, "a.pac").header.format, PacP8);
  // 4444 by the extension, not by its word: no alpha, default average of 4444.
  EXPECT_EQ(ReadHeaderOf(bytes, "a.paa").header.hasAlpha, 0);
  EXPECT_EQ(ReadHeaderOf(bytes, "a.paa").header.averageColorPacked, 0x80C02020u);
  EXPECT_EQ(ReadHeaderOf(bytes, "a.pac").header.averageColorPacked, 0xFF802020u);
}

TEST(TextureHeaderReader, MaxColorWithoutAverageKeepsTheFormatsDefault) {
  for (int format : {PacAI88, PacDXT1}) {
    PacFileRecipe recipe = Recipe(format, HalvingLevels(16, 16, 8));
    recipe.maxColor = 0xFF112233;
    ReadResult r = ReadHeaderOf(BuildPacFile(recipe).bytes);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.header.averageColorPacked, format == PacAI88 ? 0x80C02020u : 0xFF802020u);
    EXPECT_EQ(r.header.maxColorPacked, 0xFF112233u);
    EXPECT_EQ(r.header.hasMaxColor, 1);
  }
}

TEST(TextureHeaderReader, DarkAlphaNeedsAlphaAndADarkAverage) {
  PacFileRecipe recipe = Recipe(PacDXT5, HalvingLevels(16, 16, 8));
  recipe.flags = pac::kFlagAlpha;
  recipe.averageColor = 0x7FFFFFFF;
  EXPECT_EQ(ReadHeaderOf(BuildPacFile(recipe).bytes).header.hasDarkAlpha, 1);
  recipe.averageColor = 0x80FFFFFF;
  EXPECT_EQ(ReadHeaderOf(BuildPacFile(recipe).bytes).header.hasDarkAlpha, 0);
  recipe.averageColor = 0x10FFFFFF;
  recipe.flags = pac::kFlagTransparent;
  ReadResult r = ReadHeaderOf(BuildPacFile(recipe).bytes);
  EXPECT_EQ(r.header.hasDarkAlpha, 0);
  EXPECT_EQ(r.header.isTransparent, 1);
  EXPECT_EQ(r.header.hasAlpha, 0);
}

TEST(TextureHeaderReader, PaletteTransparentEntry) {
  PacFileRecipe recipe = Recipe(PacP8, HalvingLevels(8, 8, 2, 2));
  recipe.formatWord = false;
  recipe.averageColor = 0x80405060;

  // The last key colour is the transparent one and takes the average colour without alpha.
  recipe.palette = {0x000000, 0xFF00FF, 0x123456, 0x00FFFF, 0xFFFFFF};
  ReadResult r = ReadHeaderOf(BuildPacFile(recipe).bytes, "p.pac");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.header.transparentIndex, 3);
  EXPECT_EQ(r.header.isTransparent, 1);
  EXPECT_EQ(r.header.palette, (AutoArray<uint32_t>{0x000000, 0xFF00FF, 0x123456, 0x405060, 0xFFFFFF}));

  // Byte 0 is the low byte of a palette colour: 0xFF 0x00 0xFF is 0xFF00FF.
  recipe.palette = {0xFF00FF};
  r = ReadHeaderOf(BuildPacFile(recipe).bytes, "p.pac");
  EXPECT_EQ(r.header.transparentIndex, 0);
  EXPECT_EQ(r.header.palette[0], 0x405060u);

  // Near misses are not keys.
  recipe.palette = {0xFE00FF, 0x00FFFE, 0xFFFF00};
  r = ReadHeaderOf(BuildPacFile(recipe).bytes, "p.pac");
  EXPECT_EQ(r.header.transparentIndex, -1);
  EXPECT_EQ(r.header.isTransparent, 0);

  // 256 colours are the most a palette holds.
  recipe.palette.assign(256, 0x010203);
  EXPECT_TRUE(ReadHeaderOf(BuildPacFile(recipe).bytes, "p.pac").ok);
  recipe.palette.assign(257, 0x010203);
  EXPECT_FALSE(ReadHeaderOf(BuildPacFile(recipe).bytes, "p.pac").ok);
}

TEST(TextureHeaderReader, SmallDxtMipmapEndsTheList) {
  for (bool offsets : {false, true}) {
    SCOPED_TRACE(offsets);
    CapturedMessages messages;  // levels 8, 4 and 2
    ReadResult r = ReadHeaderOf(BuildPacFile(Recipe(PacDXT1, HalvingLevels(8, 8, 2), offsets)).bytes, "tex\\small.paa");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.header.mipmapCount, 2);
    EXPECT_EQ(r.header.mipmaps[1].width, 4);
    EXPECT_TRUE(HasLine(messages,
                        "log: Warning: Texture tex\\small.paa is DXT compressed, but its mipmap resolution is smaller "
                        "than 4."))
        << messages.Text();
  }
  // A side of 5 is enough, and formats without blocks never stop early.
  const PacFileRecipe five = Recipe(PacDXT5, {{.width = 10, .height = 10}, {.width = 5, .height = 5}}, false);
  EXPECT_EQ(ReadHeaderOf(BuildPacFile(five).bytes).header.mipmapCount, 2);
  EXPECT_EQ(ReadHeaderOf(BuildPacFile(Recipe(PacARGB8888, HalvingLevels(8, 8, 2), false)).bytes).header.mipmapCount, 3);
}

TEST(TextureHeaderReader, FourteenLevelsRecordTwelve) {
  // Sequential walk: levels of any size follow one another.
  PacFileRecipe recipe = Recipe(PacARGB4444, std::vector<PacLevelRecipe>(14, {.width = 16, .height = 8}), false);
  ReadResult r = ReadHeaderOf(BuildPacFile(recipe).bytes);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.header.mipmapCount, 12);

  // With offsets the sizes of later levels come from the first one; 4096 >> 11 is 2.
  recipe.offsets = true;
  recipe.levels = HalvingLevels(4096, 4096, 1, 13);
  recipe.levels.push_back({.width = 1, .height = 1});
  for (PacLevelRecipe& level : recipe.levels) level.dataSize = 16;
  BuiltPacFile file = BuildPacFile(recipe);
  r = ReadHeaderOf(file.bytes);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.header.mipmapCount, 12);
  EXPECT_EQ(r.header.mipmaps[11].width, 2);
  EXPECT_EQ(r.header.mipmaps[11].offset, file.levelOffsets[11]);

  // A smaller table ends the walk sooner.
  EXPECT_EQ(ReadHeaderOf(file.bytes, "t.paa", 5).header.mipmapCount, 5);
}

TEST(TextureHeaderReader, OffsetsGiveLaterLevelsWithoutReadingThem) {
  // The stored headers of later levels are wrong on purpose: the reader must not read them.
  BuiltPacFile file = BuildPacFile(
      Recipe(PacARGB1555, {{.width = 64, .height = 32}, {.width = 7, .height = 7}, {.width = 3, .height = 3}}));
  ReadResult r = ReadHeaderOf(file.bytes);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.header.mipmapCount, 3);
  EXPECT_EQ(r.header.mipmaps[1].width, 32);
  EXPECT_EQ(r.header.mipmaps[1].height, 16);
  EXPECT_EQ(r.header.mipmaps[2].width, 16);
  EXPECT_EQ(r.header.mipmaps[2].height, 8);
  EXPECT_EQ(r.header.mipmaps[2].offset, file.levelOffsets[2]);
}

TEST(TextureHeaderReader, ExtendedSizeAndWidthFlag) {
  const std::vector<PacLevelRecipe> levels = {{.width = 256, .height = 128, .widthFlag = true, .extendedSize = true},
                                              {.width = 128, .height = 64, .widthFlag = true}};
  ReadResult r = ReadHeaderOf(BuildPacFile(Recipe(PacDXT1, levels, false)).bytes);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.header.mipmapCount, 2);
  EXPECT_EQ(r.header.mipmaps[0].width, 256);
  EXPECT_EQ(r.header.mipmaps[0].height, 128);
  EXPECT_EQ(r.header.mipmaps[1].width, 128);
}

TEST(TextureHeaderReader, ExtremeSizesFail) {
  for (PacLevelRecipe level : {PacLevelRecipe{.width = 1, .height = 8}, PacLevelRecipe{.width = 8, .height = 4097},
                               PacLevelRecipe{.width = 8192, .height = 8}}) {
    CapturedMessages messages;
    EXPECT_FALSE(ReadHeaderOf(BuildPacFile(Recipe(PacARGB8888, {level})).bytes).ok);
    ASSERT_EQ(messages.lines.size(), 2u) << messages.Text();
    EXPECT_EQ(messages.lines[0],
              "error: Extreme texture size (" + std::to_string(level.width) + "x" + std::to_string(level.height) + ")");
    EXPECT_EQ(messages.lines[1], "error: Texture init failed.");
  }
}

TEST(TextureHeaderReader, TagSection) {
  const std::string levels = U16(16) + U16(16) + U24(4) + "abcd" + U16(0) + U16(0);
  // Unknown blocks are skipped by their length; colour blocks read 4 bytes whatever the
  // length says.
  std::string bytes = U16(0xFF05) + Tag("XXXX", 5, "12345") + Tag("CGVA", 0, U32(0x11223344)) + Tag("GALF", -4, U32(3)) +
                      Tag("SFFO", -4, "") + U16(0) + levels;
  ReadResult r = ReadHeaderOf(bytes);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.header.averageColorPacked, 0x11223344u);
  EXPECT_EQ(r.header.hasAlpha, 1);
  EXPECT_EQ(r.header.isTransparent, 1);
  EXPECT_EQ(r.header.mipmapCount, 1);
  // Negative lengths: the flags still take 4 bytes, the offsets none.
  EXPECT_EQ(r.header.mipmaps[0].offset, 2 + (12 + 5) + (12 + 4) + (12 + 4) + 12 + 2u);

  // More than 16 offsets: the first 16 are kept, the rest passed over.
  std::string offsets;
  const uint32_t first = 2 + 12 + 20 * 4 + 2;
  offsets += U32(first);
  for (int i = 1; i < 20; ++i) offsets += U32(0);
  r = ReadHeaderOf(U16(0xFF05) + Tag("SFFO", 80, offsets) + U16(0) + levels);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.header.mipmaps[0].offset, first);

  // Broken sections: cut inside a block, a negative length, a payload past the end.
  EXPECT_FALSE(ReadHeaderOf(U16(0xFF05) + "GGATCG").ok);
  EXPECT_FALSE(ReadHeaderOf(U16(0xFF05) + Tag("CGVA", 4, "12")).ok);
  EXPECT_FALSE(ReadHeaderOf(U16(0xFF05) + Tag("XXXX", -12, "") + U16(0) + levels).ok);
  EXPECT_FALSE(ReadHeaderOf(U16(0xFF05) + Tag("XXXX", 1000, "") + U16(0) + levels).ok);
  EXPECT_FALSE(ReadHeaderOf(U16(0xFF05) + Tag("SFFO", 64, U32(5))).ok);
}

TEST(TextureHeaderReader, FilesByPath) {
  TempTree tree;
  tree.Write("Data/Tex.PAA", BuildPacFile(Recipe(PacDXT1, HalvingLevels(32, 32, 8))).bytes);
  PacMipmapRecord table[pac::kMipmapTableSize];
  TextureSourcePac source;
  // Engine form, any letter case.
  const std::string enginePath = (tree.Root() / "data").string() + "\\tex.paa";
  ASSERT_TRUE(source.ReadHeader(enginePath, table, pac::kMipmapTableSize));
  EXPECT_EQ(source.Header().mipmapCount, 3);
  EXPECT_EQ(source.Header().isPaa, 1);
  EXPECT_FALSE(source.ReadHeader((tree.Root() / "missing.paa").string(), table, pac::kMipmapTableSize));
}

TEST(TextureHeaderReader, TruncatedAndGarbageFilesNeverCrash) {
  CapturedMessages messages;
  for (const PacVariant& variant : AllPacVariants()) {
    if (variant.recipe.format != PacDXT5 && variant.recipe.format != PacP8) continue;
    const std::string bytes = BuildPacFile(variant.recipe).bytes;
    for (size_t cut = 0; cut < bytes.size(); cut += 1 + cut / 64) {
      ReadResult r = ReadHeaderOf(bytes.substr(0, cut));
      if (r.ok) {
        EXPECT_LE(r.header.mipmapCount, pac::kMipmapTableSize);
      }
    }
  }
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    std::string bytes(random() % 200, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    if (i % 3 == 0) bytes = "GGAT" + bytes;
    ReadResult r = ReadHeaderOf(bytes, i % 2 ? "g.paa" : "g.pac");
    if (r.ok) {
      EXPECT_LE(r.header.mipmapCount, pac::kMipmapTableSize);
      EXPECT_LE(r.header.palette.size(), 256u);
    }
  }
}

}  // namespace
