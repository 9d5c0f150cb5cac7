// kiln paa2png and the texture part of kiln dump on textures that build/pressmill wrote:
// the PNG holds the level as the decoder sees it, broken textures are refused by name.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>

#include "lib/texture/texture_decoder.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace {

ProgramResult RunBuilt(const char* program, const std::vector<std::string>& args, const TempTree& tree) {
  return RunProgram(BuiltProgram(program), args, {.workingFolder = tree.Root()});
}

// A 32x32 colour texture with alpha, converted as DXT5 (levels 32, 16, 8) or 4444
// (levels 32 down to 1).
void MakeTexture(TempTree& tree, const std::string& format) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      rgba.insert(rgba.end(), {static_cast<uint8_t>(x * 8), static_cast<uint8_t>(y * 8),
                               static_cast<uint8_t>(128 + 100 * std::sin(x * 0.2)), static_cast<uint8_t>(255 - x * 4)});
  ASSERT_TRUE(stbi_write_png((tree / "tex_ca.png").c_str(), 32, 32, 4, rgba.data(), 32 * 4));
  tree.Write("format.rules", "* " + format + "\n");
  ProgramResult pressed = RunBuilt("pressmill", {"-rules=format.rules", "tex_ca.png", "tex_ca.paa"}, tree);
  ASSERT_EQ(pressed.exitCode, 0) << pressed.err;
}

struct Png {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};

Png ReadPng(const std::string& bytes) {
  Png png;
  int channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()),
                                          &png.width, &png.height, &channels, 4);
  if (pixels) png.rgba.assign(pixels, pixels + static_cast<size_t>(png.width) * png.height * 4);
  stbi_image_free(pixels);
  return png;
}

TEST(KilnPaaToPng, WritesEachLevelAsTheDecoderSeesIt) {
  for (const std::string format : {"DXT5", "4444"}) {
    SCOPED_TRACE(format);
    TempTree tree;
    MakeTexture(tree, format);
    const std::string texture = tree.Read("tex_ca.paa");
    const int levels = format == "DXT5" ? 3 : 6;
    for (int level = 0; level < levels; ++level) {
      SCOPED_TRACE(level);
      std::vector<std::string> args = {"paa2png", "tex_ca.paa", "out/level.png"};
      if (level > 0) args.push_back("-mip=" + std::to_string(level));
      std::filesystem::create_directories(tree / "out");
      ProgramResult result = RunBuilt("kiln", args, tree);
      ASSERT_EQ(result.exitCode, 0) << result.err;
      EXPECT_EQ(result.out + result.err, "");
      const Png png = ReadPng(tree.Read("out/level.png"));
      EXPECT_EQ(png.width, 32 >> level);
      EXPECT_EQ(png.height, 32 >> level);
      DecodedTexture decoded;
      std::string error;
      ASSERT_TRUE(DecodeTextureLevel(texture, true, level, decoded, error)) << error;
      EXPECT_EQ(png.rgba, decoded.image.pixels);
    }
    ProgramResult missing = RunBuilt("kiln", {"paa2png", "tex_ca.paa", "none.png", "-mip=" + std::to_string(levels)}, tree);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "kiln paa2png: tex_ca.paa: the texture holds " + std::to_string(levels) +
                               " mipmap levels, there is no level " + std::to_string(levels) + "\n");
    EXPECT_FALSE(tree.Exists("none.png"));
  }
}

TEST(KilnPaaToPng, EveryFormatRoundTripsFromImageToPng) {
  // Image -> pressmill -> .paa -> kiln paa2png -> PNG, against the image. Bounds: the
  // format's precision (8888 and, on a grey image, 88 exact; 4444 within half a step of
  // 17, 1555 of 8 with alpha cut at 128) or the block compressor's error.
  struct Case {
    const char* format;
    bool grey;
    int colorMax, alphaMax;
    double colorMean;
  };
  const Case cases[] = {{"DXT1", false, 20, 0, 4.0}, {"DXT5", false, 20, 8, 4.0}, {"8888", false, 0, 0, 0},
                        {"4444", false, 8, 8, 4.5},  {"1555", false, 4, 127, 2.1}, {"88", true, 0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    TempTree tree;
    std::vector<uint8_t> rgba;
    const bool opaque = std::string(c.format) == "DXT1";
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const uint8_t red = static_cast<uint8_t>(x * 4), green = static_cast<uint8_t>(y * 4);
        const uint8_t blue = static_cast<uint8_t>(128 + 100 * std::sin((x + y) * 0.05));
        rgba.insert(rgba.end(), {red, c.grey ? red : green, c.grey ? red : blue,
                                 static_cast<uint8_t>(opaque ? 255 : 255 - x * 4)});
      }
    ASSERT_TRUE(stbi_write_png((tree / "img.png").c_str(), 64, 64, 4, rgba.data(), 64 * 4));
    tree.Write("format.rules", std::string("* ") + c.format + "\n");
    ProgramResult pressed = RunBuilt("pressmill", {"-rules=format.rules", "img.png", "img.paa"}, tree);
    ASSERT_EQ(pressed.exitCode, 0) << pressed.err;
    ProgramResult result = RunBuilt("kiln", {"paa2png", "img.paa", "back.png"}, tree);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Png png = ReadPng(tree.Read("back.png"));
    ASSERT_EQ(png.rgba.size(), rgba.size());
    int colorMax = 0, alphaMax = 0;
    double colorSum = 0;
    for (size_t i = 0; i < rgba.size(); ++i) {
      const int diff = std::abs(rgba[i] - png.rgba[i]);
      if (i % 4 == 3) {
        alphaMax = std::max(alphaMax, diff);
      } else {
        colorMax = std::max(colorMax, diff);
        colorSum += diff;
      }
    }
    EXPECT_LE(colorMax, c.colorMax);
    EXPECT_LE(alphaMax, c.alphaMax);
    EXPECT_LE(colorSum / (64 * 64 * 3), c.colorMean);
  }
}

TEST(KilnPaaToPng, TruncatedAndBadInputIsRefusedWithAMessage) {
  TempTree tree;
  MakeTexture(tree, "DXT5");
  const std::string texture = tree.Read("tex_ca.paa");
  tree.Write("old.png", "previous contents");
  // Cut inside the tags, inside the first level's header and inside its data.
  for (size_t length : {size_t{20}, size_t{130}, size_t{500}, texture.size() / 2}) {
    SCOPED_TRACE(length);
    tree.Write("cut.paa", texture.substr(0, length));
    ProgramResult result = RunBuilt("kiln", {"paa2png", "cut.paa", "old.png"}, tree);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("kiln paa2png: cut.paa: ", 0), 0u) << result.err;
    EXPECT_EQ(tree.Read("old.png"), "previous contents");
  }
  tree.Write("cut.paa", texture.substr(0, 500));
  EXPECT_EQ(RunBuilt("kiln", {"paa2png", "cut.paa", "x.png"}, tree).err,
            "kiln paa2png: cut.paa: mipmap level 0 (32x32) runs past the end of the file\n");

  ProgramResult missing = RunBuilt("kiln", {"paa2png", "missing.paa", "x.png"}, tree);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "kiln paa2png: cannot open missing.paa\n");
  for (const char* option : {"-mip=", "-mip=x", "-mip=-1", "-mip=99999"}) {
    ProgramResult bad = RunBuilt("kiln", {"paa2png", "tex_ca.paa", "x.png", option}, tree);
    EXPECT_EQ(bad.exitCode, 2) << option;
    EXPECT_EQ(bad.err, std::string("kiln paa2png: ") + option + " is not a mipmap level number\n");
  }
  EXPECT_FALSE(tree.Exists("x.png"));
}

TEST(KilnPaaToPng, DumpListsTheFormatAndSizeOfEveryLevel) {
  TempTree tree;
  MakeTexture(tree, "4444");
  ProgramResult result = RunBuilt("kiln", {"dump", "tex_ca.paa", "--json"}, tree);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string& json = result.out;
  // The file's structure lists the levels after the layout's own format.
  const size_t levels = json.find("\"mipmaps\"", json.find("\"layout\""));
  ASSERT_NE(levels, std::string::npos);
  size_t at = levels;
  for (int side = 32; side >= 1; side /= 2) {
    SCOPED_TRACE(side);
    at = json.find("\"format\": \"4444\"", at + 1);
    ASSERT_NE(at, std::string::npos) << json;
    const std::string size = "\"width\": " + std::to_string(side) + ",";
    EXPECT_EQ(json.find(size, at), json.find("\"width\"", at)) << json.substr(at, 200);
  }
  EXPECT_EQ(json.find("\"format\": \"4444\"", at + 1), std::string::npos);  // six levels, no more
}

}  // namespace
