// Decoding mipmap levels of whole texture files: every format and level of generated
// files, and broken files refused with a message that names the level.
#include "lib/texture/texture_decoder.h"

#include <gtest/gtest.h>

#include "lib/texture/pixel_codec.h"
#include "tests/lib/texture/texture_test_support.h"

namespace {

using namespace textest;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(TextureDecoder, DecodesEveryLevelOfEveryFormat) {
  int decoded = 0;
  for (const PacVariant& variant : AllPacVariants()) {
    SCOPED_TRACE(variant.name);
    const BuiltPacFile file = BuildPacFile(variant.recipe);
    // Formats without a word are read by the extension's default; ask for the one built.
    const bool isPaa = variant.recipe.format != PacP8;
    if (!PacFormatWord(variant.recipe.format) && variant.recipe.format != PacP8) continue;
    for (size_t level = 0; level < variant.recipe.levels.size(); ++level) {
      DecodedTexture texture;
      std::string error;
      ASSERT_TRUE(DecodeTextureLevel(file.bytes, isPaa, static_cast<int>(level), texture, error)) << error;
      EXPECT_EQ(texture.format, variant.recipe.format);
      EXPECT_EQ(texture.levels.size(), variant.recipe.levels.size());
      EXPECT_EQ(texture.image.width, variant.recipe.levels[level].width);
      EXPECT_EQ(texture.image.height, variant.recipe.levels[level].height);
      EXPECT_EQ(texture.image.pixels.size(), static_cast<size_t>(texture.image.width) * texture.image.height * 4);
      ++decoded;
    }
  }
  EXPECT_GT(decoded, 50);
}

TEST(TextureDecoder, DecodesWhatWasEncoded) {
  RgbaImage image{4, 4, {}};
  for (int i = 0; i < 16; ++i) image.pixels.insert(image.pixels.end(), {uint8_t(i * 16), uint8_t(255 - i * 16), 7, 200});
  PacFileRecipe recipe = Recipe(PacARGB8888, {{.width = 4, .height = 4}});
  std::string bytes = BuildPacFile(recipe).bytes;
  // Put the encoded texels in place of the generated ones (the level's data ends 4 bytes
  // before the end marker).
  const std::string data = EncodePixels(image, PacARGB8888);
  bytes.replace(bytes.size() - 4 - data.size(), data.size(), data);
  DecodedTexture texture;
  std::string error;
  ASSERT_TRUE(DecodeTextureLevel(bytes, true, 0, texture, error)) << error;
  EXPECT_EQ(texture.image.pixels, image.pixels);
}

TEST(TextureDecoder, EveryTruncationFailsCleanlyOrDecodesTheSame) {
  PacFileRecipe recipe = Recipe(PacDXT5, HalvingLevels(16, 8, 4));
  recipe.averageColor = 0x80808080;
  const BuiltPacFile file = BuildPacFile(recipe);
  for (int level = 0; level < 2; ++level) {
    DecodedTexture full;
    std::string error;
    ASSERT_TRUE(DecodeTextureLevel(file.bytes, true, level, full, error)) << error;
    const size_t levelEnd = file.levelOffsets[level] + 7 + LevelDataSize(PacDXT5, 16 >> level, 8 >> level);
    for (size_t length = 0; length < file.bytes.size(); ++length) {
      SCOPED_TRACE(length);
      DecodedTexture texture;
      error.clear();
      const bool ok = DecodeTextureLevel(file.bytes.substr(0, length), true, level, texture, error);
      if (length < levelEnd) {
        EXPECT_FALSE(ok);
        EXPECT_FALSE(error.empty());
      } else {
        ASSERT_TRUE(ok) << error;
        EXPECT_EQ(texture.image.pixels, full.image.pixels);
      }
    }
  }
}

TEST(TextureDecoder, BrokenLevelsAreNamed) {
  struct Case {
    const char* what;
    PacFileRecipe recipe;
    int level;
    const char* message;
  };
  const Case cases[] = {
      {"missing level", Recipe(PacDXT1, HalvingLevels(8, 8, 4)), 2,
       "the texture holds 2 mipmap levels, there is no level 2"},
      {"negative level", Recipe(PacDXT1, HalvingLevels(8, 8, 4)), -1, "there is no level -1"},
      {"short data", Recipe(PacDXT1, {{.width = 8, .height = 8, .dataSize = 31}}), 0,
       "mipmap level 0 (8x8) holds 31 bytes, its format DXT1 needs 32"},
      {"width flag", Recipe(PacARGB4444, {{.width = 4, .height = 4, .widthFlag = true}}), 0,
       "mipmap level 0 (4x4) is stored with the data flag set"},
      {"empty level", Recipe(PacARGB4444, {{.width = 0, .height = 4}}), 0, "mipmap level 0 (0x4) is empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DecodedTexture texture;
    std::string error;
    EXPECT_FALSE(DecodeTextureLevel(BuildPacFile(c.recipe).bytes, true, c.level, texture, error));
    EXPECT_TRUE(Contains(error, c.message)) << error;
  }
  DecodedTexture texture;
  std::string error;
  EXPECT_FALSE(DecodeTextureLevel(U16(0xFF01) + Tag("CGVA", 400, "abcd"), true, 0, texture, error));
  EXPECT_TRUE(Contains(error, "broken texture header: tagged block longer than the file")) << error;
}

}  // namespace
